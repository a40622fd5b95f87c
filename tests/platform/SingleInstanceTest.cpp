#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/SingleInstance.h"
#include "tests/support/TempFolder.h"

using Platform::SingleInstance;

namespace {

// The lock is per open file, so a second holder in the same process already
// sees it taken; a child process shows what another program would see.
SingleInstance::Result AcquireInChild(const std::string& path) {
  pid_t pid = fork();
  if (pid == 0) {
    SingleInstance other;
    _exit(static_cast<int>(other.Acquire(path)));
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return static_cast<SingleInstance::Result>(WEXITSTATUS(status));
}

}  // namespace

TEST(SingleInstance, SecondHolderIsTurnedAwayUntilTheFirstEnds) {
  TestSupport::TempFolder temp;
  std::string path = temp / "Zorvane.lock";
  {
    SingleInstance first;
    ASSERT_EQ(first.Acquire(path), SingleInstance::Result::Acquired);
    EXPECT_TRUE(first.Held());
    EXPECT_EQ(AcquireInChild(path), SingleInstance::Result::AlreadyRunning);
  }
  EXPECT_EQ(AcquireInChild(path), SingleInstance::Result::Acquired);
}

TEST(SingleInstance, MissingFolderIsAFailureNotAnotherInstance) {
  TestSupport::TempFolder temp;
  SingleInstance instance;
  EXPECT_EQ(instance.Acquire(temp / "missing/Zorvane.lock"), SingleInstance::Result::Failed);
  EXPECT_FALSE(instance.Held());
}
