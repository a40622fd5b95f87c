#include "platform/ProgramLauncher.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <system_error>
#include <thread>

extern char** environ;

namespace Platform {

namespace {

bool IsExecutableFile(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), X_OK) == 0;
}

void ReapInBackground(pid_t pid) {
  try {
    std::thread([pid] {
      int status = 0;
      while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
      }
    }).detach();
  } catch (const std::system_error&) {
    // No thread to spare: the program still runs; its exit entry stays until we end.
  }
}

}  // namespace

bool StartProgram(const std::string& path, const std::vector<std::string>& arguments) {
  if (path.empty() || path.front() != '/') return false;  // a relative path would depend on our working folder

  posix_spawn_file_actions_t actions;
  if (posix_spawn_file_actions_init(&actions) != 0) return false;
  posix_spawnattr_t attributes;
  if (posix_spawnattr_init(&attributes) != 0) {
    posix_spawn_file_actions_destroy(&actions);
    return false;
  }

  // Our standard streams may be a terminal or a log; the program gets none of
  // them. Descriptors a library opened without close-on-exec stay ours too.
  bool prepared = posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0) == 0 &&
                  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0) == 0 &&
                  posix_spawn_file_actions_adddup2(&actions, 1, 2) == 0 &&
                  posix_spawn_file_actions_addclosefrom_np(&actions, 3) == 0;

  // The calling thread blocks the termination signals (main takes them with
  // sigwait); a started program must not inherit that, nor any ignored signal.
  sigset_t noSignals;
  sigemptyset(&noSignals);
  sigset_t allSignals;
  sigfillset(&allSignals);
  sigdelset(&allSignals, SIGKILL);
  sigdelset(&allSignals, SIGSTOP);
  prepared =
      prepared && posix_spawnattr_setsigmask(&attributes, &noSignals) == 0 &&
      posix_spawnattr_setsigdefault(&attributes, &allSignals) == 0 &&
      posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSID) == 0;

  pid_t pid = 0;
  int result = EINVAL;
  if (prepared) {
    std::vector<char*> argv;
    argv.reserve(arguments.size() + 2);
    argv.push_back(const_cast<char*>(path.c_str()));
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    // glibc reports a failed exec (missing, not executable, bad format) here.
    result = posix_spawn(&pid, path.c_str(), &actions, &attributes, argv.data(), environ);
  }
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  if (result != 0) return false;
  ReapInBackground(pid);
  return true;
}

std::string FindProgram(const std::string& name) {
  if (name.empty()) return "";
  if (name.find('/') != std::string::npos) return IsExecutableFile(name) ? name : "";
  const char* path = std::getenv("PATH");
  std::string folders = path && *path ? path : "/usr/local/bin:/usr/bin:/bin";
  std::size_t start = 0;
  while (start <= folders.size()) {
    std::size_t end = folders.find(':', start);
    if (end == std::string::npos) end = folders.size();
    std::string folder = folders.substr(start, end - start);
    // Relative entries (and the empty one, meaning the working folder) are skipped:
    // what they find would depend on where the program was started.
    if (!folder.empty() && folder.front() == '/') {
      std::string candidate = folder + "/" + name;
      if (IsExecutableFile(candidate)) return candidate;
    }
    start = end + 1;
  }
  return "";
}

}  // namespace Platform
