#include <fcntl.h>
#include <gtest/gtest.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <sstream>

#include "platform/ProgramLauncher.h"
#include "tests/support/TempFolder.h"
#include "tests/support/WaitFor.h"

using Platform::StartProgram;
using TestSupport::ReadFile;
using TestSupport::TempFolder;
using TestSupport::WaitFor;
using TestSupport::WriteFile;

namespace {

std::string MakeScript(const TempFolder& temp, const std::string& name, const std::string& body, mode_t mode = 0755) {
  std::string path = temp / name;
  WriteFile(path, "#!/bin/sh\n" + body);
  chmod(path.c_str(), mode);
  return path;
}

// Writes `content` so the test never reads half of it.
std::string WriteWhole(const std::string& file, const std::string& content) {
  return content + " > '" + file + ".part' && mv '" + file + ".part' '" + file + "'\n";
}

// A signal set of /proc/<pid>/status, limited to the classic signals 1..31:
// glibc keeps its own real-time signals (32 and 33) ignored in a program it
// starts, out of anyone's control.
unsigned long long ClassicSignals(pid_t pid, const std::string& field) {
  std::istringstream status(ReadFile("/proc/" + std::to_string(pid) + "/status"));
  std::string line;
  while (std::getline(status, line))
    if (line.rfind(field + ":", 0) == 0) return std::stoull(line.substr(field.size() + 1), nullptr, 16) & 0x7fffffffu;
  return ~0ull;
}

}  // namespace

TEST(ProgramLauncher, PassesArgumentsWithoutAShell) {
  TempFolder temp;
  std::string record = temp / "record";
  std::string program = MakeScript(temp, "program", WriteWhole(record, "printf '%s\\n' \"$#\" \"$@\""));
  ASSERT_TRUE(StartProgram(program, {"a b", "$HOME", "*", ""}));
  ASSERT_TRUE(WaitFor([&] { return std::filesystem::exists(record); }));
  EXPECT_EQ(ReadFile(record), "4\na b\n$HOME\n*\n\n");
}

// The program runs on its own: its own session, nothing blocked or ignored
// that we block or ignore, our descriptors not inherited, standard streams on
// /dev/null; and once it ends it leaves no zombie behind.
TEST(ProgramLauncher, StartedProgramIsDetachedAndReaped) {
  TempFolder temp;
  std::string record = temp / "pid";
  std::string program = MakeScript(temp, "program", WriteWhole(record, "echo $$") + "exec sleep 30\n");

  sigset_t blocked, previousMask;
  sigemptyset(&blocked);
  sigaddset(&blocked, SIGTERM);
  sigaddset(&blocked, SIGHUP);
  pthread_sigmask(SIG_BLOCK, &blocked, &previousMask);
  auto previousUsr2 = signal(SIGUSR2, SIG_IGN);
  int leaked = open("/dev/zero", O_RDONLY);  // deliberately without close-on-exec
  ASSERT_GE(leaked, 3);

  bool started = StartProgram(program);

  close(leaked);
  signal(SIGUSR2, previousUsr2);
  pthread_sigmask(SIG_SETMASK, &previousMask, nullptr);
  ASSERT_TRUE(started);

  ASSERT_TRUE(WaitFor([&] { return std::filesystem::exists(record); }));
  pid_t pid = std::stoi(ReadFile(record));
  std::string proc = "/proc/" + std::to_string(pid);
  ASSERT_TRUE(WaitFor([&] { return ReadFile(proc + "/comm") == "sleep\n"; }));

  EXPECT_EQ(ClassicSignals(pid, "SigBlk"), 0u);
  EXPECT_EQ(ClassicSignals(pid, "SigIgn"), 0u);
  EXPECT_EQ(getsid(pid), pid);
  for (int fd : {0, 1, 2}) EXPECT_EQ(std::filesystem::read_symlink(proc + "/fd/" + std::to_string(fd)), "/dev/null");
  // Look by target, not number: the loader may briefly hold a library open as 3.
  std::error_code ignored;
  for (const auto& entry : std::filesystem::directory_iterator(proc + "/fd", ignored))
    EXPECT_NE(std::filesystem::read_symlink(entry.path(), ignored), "/dev/zero") << entry.path();

  kill(pid, SIGKILL);
  // A zombie keeps its /proc entry until someone waits for it.
  EXPECT_TRUE(WaitFor([&] { return !std::filesystem::exists(proc); }));
}

TEST(ProgramLauncher, PathsThatCannotRunFailQuietly) {
  TempFolder temp;
  std::string marker = temp / "ran";
  std::string notExecutable = MakeScript(temp, "plain", "touch '" + marker + "'\n", 0644);
  std::string noInterpreter = temp / "bad-interpreter";
  WriteFile(noInterpreter, "#!/no/such/interpreter\n");
  chmod(noInterpreter.c_str(), 0755);
  std::string garbage = temp / "garbage";
  WriteFile(garbage, std::string("\x7f"
                                 "ELF-but-not-really",
                                 19));
  chmod(garbage.c_str(), 0755);
  std::filesystem::create_directory(temp / "folder");
  MakeScript(temp, "relative", "touch '" + marker + "'\n");

  struct Case {
    const char* what;
    std::string path;
  };
  const Case cases[] = {
      {"missing", temp / "missing"}, {"not executable", notExecutable}, {"missing interpreter", noInterpreter},
      {"not a program", garbage},    {"a folder", temp / "folder"},     {"empty", ""},
      {"relative", "relative"},
  };
  std::string here = std::filesystem::current_path();
  std::filesystem::current_path(temp.Path());  // "relative" would be found from here
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_FALSE(StartProgram(c.path));
  }
  std::filesystem::current_path(here);
}

TEST(ProgramLauncher, FindsProgramsOnThePath) {
  TempFolder temp;
  std::filesystem::create_directory(temp / "a");
  std::filesystem::create_directory(temp / "b");
  std::string first = MakeScript(temp, "b/tool", "");
  MakeScript(temp, "a/tool", "", 0644);  // earlier on the path, but not executable
  std::string path = "relative:" + (temp / "a") + ":" + (temp / "b");
  TestSupport::ScopedEnv env("PATH", path.c_str());
  EXPECT_EQ(Platform::FindProgram("tool"), first);
  EXPECT_EQ(Platform::FindProgram("missing"), "");
  EXPECT_EQ(Platform::FindProgram(first), first);
  EXPECT_EQ(Platform::FindProgram(""), "");
}
