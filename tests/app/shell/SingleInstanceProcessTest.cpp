// Starts the real program twice, as a user would.

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/Paths.h"
#include "tests/support/TempFolder.h"

using namespace std::chrono_literals;
using TestSupport::TempFolder;

extern char** environ;

namespace {

class Program {
 public:
  Program(const TempFolder& home, std::vector<std::string> args) {
    std::string binary = std::string(ZORVANE_OUTPUT_DIR) + "/zorvane";
    std::vector<std::string> env = {"XDG_CONFIG_HOME=" + home / "config", "XDG_DATA_HOME=" + home / "data",
                                    "XDG_RUNTIME_DIR=" + home / "run", "HOME=" + home.Path(), "LANG=ru_RU.UTF-8"};
    args.insert(args.begin(), binary);
    std::vector<char*> argv, envp;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    if (posix_spawn(&pid_, binary.c_str(), nullptr, nullptr, argv.data(), envp.data()) != 0) pid_ = -1;
  }
  ~Program() {
    if (pid_ > 0 && !status_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  bool Started() const { return pid_ > 0; }
  // The exit status once the process has ended within `limit`.
  std::optional<int> WaitExit(std::chrono::milliseconds limit) {
    auto end = std::chrono::steady_clock::now() + limit;
    while (!status_ && std::chrono::steady_clock::now() < end) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_)
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128;
      else
        std::this_thread::sleep_for(10ms);
    }
    return status_;
  }
  void Signal(int sig) { kill(pid_, sig); }

 private:
  pid_t pid_ = -1;
  std::optional<int> status_;
};

bool WaitForFile(const std::string& path) {
  for (int i = 0; i < 500 && !Platform::IsFile(path); ++i) std::this_thread::sleep_for(10ms);
  return Platform::IsFile(path);
}

}  // namespace

TEST(SingleInstanceProcess, SecondStartEndsAtOnceWhileTheFirstRuns) {
  TempFolder home;
  ASSERT_TRUE(Platform::CreateFolderTree(home / "run"));

  Program first(home, {});
  ASSERT_TRUE(first.Started());
  // The settings file is written after the instance lock is held.
  ASSERT_TRUE(WaitForFile(home / "config/Zorvane/settings.ini"));
  EXPECT_FALSE(first.WaitExit(100ms).has_value());

  Program second(home, {"-autorun"});
  ASSERT_TRUE(second.Started());
  EXPECT_EQ(second.WaitExit(10s), 0);
  EXPECT_FALSE(first.WaitExit(100ms).has_value());  // the first keeps running

  // The first start prepared its folders and stored its language.
  EXPECT_TRUE(Platform::IsFolder(home / "data/Zorvane Files/db"));
  EXPECT_NE(TestSupport::ReadFile(home / "config/Zorvane/settings.ini").find("LCID=1033"), std::string::npos);

  first.Signal(SIGTERM);
  EXPECT_EQ(first.WaitExit(10s), 0);

  // With the first gone, a new start runs again.
  Program third(home, {});
  EXPECT_FALSE(third.WaitExit(300ms).has_value());
  third.Signal(SIGINT);
  EXPECT_EQ(third.WaitExit(10s), 0);
}
