#pragma once

#include <string>

namespace Zorvane {

// Starts the unpacked update installer with administrator rights, detached
// from the program, which ends right afterwards.
class InstallerLauncher {
 public:
  InstallerLauncher() = delete;

  // Runs `installer` through `elevator` (pkexec: it asks for the
  // administrator's password) when that is an executable file, otherwise
  // directly. The installer runs in a session of its own with standard
  // input from /dev/null, default signal handling and none of the program's
  // other open files. The elevator is kept as the child of a waiting shell,
  // since pkexec refuses to work for a parent that has ended (the program
  // ends right after this call). true when the process was started.
  static bool Start(const std::string& installer, const std::string& elevator);
};

}  // namespace Zorvane
