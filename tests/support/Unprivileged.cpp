#include "tests/support/Unprivileged.h"

#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

namespace TestSupport {

void RunWithoutPrivileges(const std::function<void()>& body) {
  if (geteuid() != 0) {
    body();
    return;
  }
  uid_t uid = 65534;
  gid_t gid = 65534;
  if (const passwd* nobody = getpwnam("nobody")) {
    uid = nobody->pw_uid;
    gid = nobody->pw_gid;
  }
  pid_t pid = fork();
  ASSERT_GE(pid, 0) << "fork failed";
  if (pid == 0) {
    if (setgroups(0, nullptr) != 0 || setresgid(gid, gid, gid) != 0 || setresuid(uid, uid, uid) != 0) _exit(2);
    body();
    _exit(testing::Test::HasFailure() ? 1 : 0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status)) << "the unprivileged child crashed";
  EXPECT_NE(WEXITSTATUS(status), 2) << "could not switch to an ordinary user";
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the unprivileged part failed (its messages are above)";
}

}  // namespace TestSupport
