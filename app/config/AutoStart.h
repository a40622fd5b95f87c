#pragma once

#include <string>

namespace Zorvane {

// Starting the program when the user logs in: an autostart desktop entry,
// "<config home>/autostart/<device name>.desktop", that runs the program in
// the program folder, with "-autorun" for a minimised start. The entry
// exists exactly while automatic start is on.
//
// The two Switch operations are what the settings dialog's two check boxes
// do; "autorun_minimize" in the settings remembers the minimised option.
// Failures are silent: the step that failed is skipped.
class AutoStart {
 public:
  AutoStart() = delete;

  static std::string EntryPath();
  // The program the entry starts: "zorvane" in the running program's folder,
  // whatever name the running executable has.
  static std::string ProgramPath();

  static bool IsOn();
  // on: write the entry (with "-autorun" when minimised); off: remove it.
  static bool SetAutoStart(bool on, bool minimised);

  // Start with the system switched on: the entry, not minimised; the
  // minimised option is left as it is. Switched off: the minimised option is
  // cleared too and the entry removed.
  static void SwitchAutoStart(bool on);
  // Start minimised switched on or off: the option is stored and the entry
  // rewritten with or without "-autorun".
  static void SwitchStartMinimised(bool on);
};

}  // namespace Zorvane
