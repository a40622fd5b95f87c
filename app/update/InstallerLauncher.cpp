#include "app/update/InstallerLauncher.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

extern char** environ;

namespace Zorvane {
namespace {

// The command runs in a background subshell that waits for it, so it keeps
// a living parent however long the program lives; the outer shell ends at
// once and is reaped here, leaving no zombie behind.
constexpr char kDetach[] = "(\"$@\"; exit $?) &";

bool Spawn(std::vector<std::string> command) {
  std::vector<std::string> args = {"sh", "-c", kDetach, "zorvane-update"};
  args.insert(args.end(), command.begin(), command.end());
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t files;
  posix_spawnattr_t attributes;
  if (posix_spawn_file_actions_init(&files) != 0) return false;
  if (posix_spawnattr_init(&attributes) != 0) {
    posix_spawn_file_actions_destroy(&files);
    return false;
  }
  // The program blocks its termination signals in every thread; the
  // installer must not inherit that.
  sigset_t none;
  sigset_t defaults;
  sigemptyset(&none);
  sigemptyset(&defaults);
  for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGCHLD}) sigaddset(&defaults, signal);
  bool ok =
      posix_spawn_file_actions_addopen(&files, STDIN_FILENO, "/dev/null", O_RDONLY, 0) == 0 &&
      posix_spawn_file_actions_addclosefrom_np(&files, STDERR_FILENO + 1) == 0 &&
      posix_spawnattr_setsigmask(&attributes, &none) == 0 &&
      posix_spawnattr_setsigdefault(&attributes, &defaults) == 0 &&
      posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF) == 0;
  pid_t shell = -1;
  ok = ok && posix_spawn(&shell, "/bin/sh", &files, &attributes, argv.data(), environ) == 0;
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&files);
  if (!ok) return false;

  int status = 0;
  while (waitpid(shell, &status, 0) < 0) {
    if (errno != EINTR) return false;
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool IsExecutableFile(const std::string& path) {
  struct stat info {};
  return !path.empty() && stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), X_OK) == 0;
}

}  // namespace

bool InstallerLauncher::Start(const std::string& installer, const std::string& elevator) {
  if (!IsExecutableFile(installer)) return false;
  if (IsExecutableFile(elevator)) return Spawn({elevator, installer});
  return Spawn({installer});
}

}  // namespace Zorvane
