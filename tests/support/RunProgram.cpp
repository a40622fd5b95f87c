#include "tests/support/RunProgram.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

extern char** environ;

namespace TestSupport {

pid_t StartProgram(const std::vector<std::string>& args, const std::string& logFile) {
  std::vector<std::string> copy = args;
  std::vector<char*> argv;
  for (std::string& arg : copy) argv.push_back(arg.data());
  argv.push_back(nullptr);
  const std::string log = logFile.empty() ? "/dev/null" : logFile;

  posix_spawn_file_actions_t files;
  posix_spawn_file_actions_init(&files);
  posix_spawn_file_actions_addopen(&files, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&files, STDOUT_FILENO, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
  posix_spawn_file_actions_adddup2(&files, STDOUT_FILENO, STDERR_FILENO);
  pid_t pid = -1;
  const int result = posix_spawnp(&pid, argv[0], &files, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&files);
  return result == 0 ? pid : -1;
}

bool RunProgram(const std::vector<std::string>& args, const std::string& logFile) {
  const pid_t pid = StartProgram(args, logFile);
  if (pid < 0) return false;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return false;
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void StopProgram(pid_t pid) {
  if (pid <= 0) return;
  kill(pid, SIGKILL);
  while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
  }
}

std::string Python() {
  return access("/usr/bin/python3", X_OK) == 0 ? "/usr/bin/python3" : "python3";
}

std::string SupportFile(const std::string& name) {
  return std::string(ZORVANE_SOURCE_DIR) + "/tests/support/" + name;
}

}  // namespace TestSupport
