#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace TestSupport {

// Starts `args` (args[0] looked up in PATH) with its output appended to
// `logFile` ("" for /dev/null). The process id, or -1.
pid_t StartProgram(const std::vector<std::string>& args, const std::string& logFile = "");

// Runs `args` to its end; true when it exited with status 0.
bool RunProgram(const std::vector<std::string>& args, const std::string& logFile = "");

// Ends a process started by StartProgram and reaps it.
void StopProgram(pid_t pid);

// Debian's own interpreter when present, so the tests use the packaged one.
std::string Python();

// A file of the tests' support folder in the source tree.
std::string SupportFile(const std::string& name);

}  // namespace TestSupport
