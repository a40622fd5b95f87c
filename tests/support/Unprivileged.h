#pragma once

#include <functional>

namespace TestSupport {

// Runs `body` as an ordinary user. Permission checks (read-only folders,
// unreadable files) do not apply to root, and CI runs as root; there the body
// runs in a child process that has switched to the "nobody" user, and its
// test failures are reported back as one failure of the calling test.
// Create the body's files inside it: the child cannot enter root's private
// temporary folders.
void RunWithoutPrivileges(const std::function<void()>& body);

}  // namespace TestSupport
