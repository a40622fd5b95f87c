// The text commands that drive the simulator, and the named pipe they come
// through.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <mutex>

#include "app/device/sim/SimulatorBackend.h"
#include "app/device/sim/SimulatorCommandChannel.h"
#include "app/device/sim/SimulatorCommands.h"
#include "tests/support/TempFolder.h"
#include "tests/support/WaitFor.h"

using namespace Zorvane;
using TestSupport::TempFolder;
using TestSupport::WaitFor;

namespace {

TEST(SimulatorCommands, EachCommandChangesTheWorld) {
  struct Case {
    const char* line;
    std::function<bool(const SimulatorSnapshot&)> holds;
  };
  const Case cases[] = {
      {"unplug wired", [](auto& w) { return !w.wiredPlugged && w.donglePlugged; }},
      {"plug other", [](auto& w) { return w.otherPlugged; }},
      {"  unplug   dongle ", [](auto& w) { return !w.donglePlugged; }},
      {"plug dongle", [](auto& w) { return w.donglePlugged && w.linked; }},
      {"mouse off", [](auto& w) { return !w.mouse.poweredOn && !w.linked; }},
      {"mouse on", [](auto& w) { return w.mouse.poweredOn && w.linked; }},
      {"link lost", [](auto& w) { return !w.mouseInRange && !w.linked; }},
      {"link ok", [](auto& w) { return w.mouseInRange && w.linked; }},
      {"dpi", [](auto& w) { return w.mouse.dpiIndex == 2; }},
      {"battery 40 charging", [](auto& w) { return w.mouse.batteryLevel == 40 && w.mouse.charging; }},
      {"battery 0", [](auto& w) { return w.mouse.batteryLevel == 0 && !w.mouse.charging; }},
      {"slow", [](auto& w) { return w.responseMode == ResponseMode::Slow; }},
      {"silent", [](auto& w) { return w.responseMode == ResponseMode::Silent; }},
      {"junk", [](auto& w) { return w.responseMode == ResponseMode::Junk; }},
      {"slow 20", [](auto& w) { return w.responseMode == ResponseMode::Slow; }},
      {"normal", [](auto& w) { return w.responseMode == ResponseMode::Normal; }},
  };
  SimulatorBackend simulator;
  simulator.PlugDefaultSetup();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    SimulatorCommands::Result result = SimulatorCommands::Run(simulator, c.line);
    EXPECT_TRUE(result.ok) << result.message;
    EXPECT_FALSE(result.message.empty());
    EXPECT_TRUE(c.holds(simulator.Snapshot()));
  }
}

TEST(SimulatorCommands, EventCommandsReachTheHost) {
  SimulatorBackend simulator;
  simulator.Plug(SimulatedPort::Wired);
  std::unique_ptr<HidHandle> wired;
  for (const HidDeviceInfo& info : simulator.Enumerate())
    if (info.usagePage == kVendorUsagePage) wired = simulator.Open(info.path);
  ASSERT_TRUE(wired);
  for (const char* line : {"press 11 3", "wake"}) EXPECT_TRUE(SimulatorCommands::Run(simulator, line).ok);
  std::uint8_t report[64] = {};
  ASSERT_EQ(wired->ReadTimeout(report, 64, 0), 64);
  EXPECT_EQ(report[5], 0x50);
  EXPECT_EQ(report[6], 11);
  EXPECT_EQ(report[7], 3);
  ASSERT_EQ(wired->ReadTimeout(report, 64, 0), 64);
  EXPECT_EQ(report[5], 0x06);

  // Driving an unreachable mouse is no error, but the answer says so.
  simulator.Unplug(SimulatedPort::Wired);
  simulator.SwitchMouse(false);
  SimulatorCommands::Result result = SimulatorCommands::Run(simulator, "dpi");
  EXPECT_TRUE(result.ok);
  EXPECT_NE(result.message.find("unreachable"), std::string::npos);
}

TEST(SimulatorCommands, RefusesWhatItDoesNotUnderstand) {
  SimulatorBackend simulator;
  simulator.PlugDefaultSetup();
  const SimulatorSnapshot before = simulator.Snapshot();
  for (const char* line : {"fly", "plug usb", "plug", "mouse maybe", "battery 101", "battery -1", "battery 40 full",
                           "battery x", "press 11", "press 300 1", "press 1 2x", "slow 20000", "dpi 3", "link"}) {
    SCOPED_TRACE(line);
    SimulatorCommands::Result result = SimulatorCommands::Run(simulator, line);
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.message.empty());
  }
  const SimulatorSnapshot after = simulator.Snapshot();
  EXPECT_EQ(after.mouse.batteryLevel, before.mouse.batteryLevel);
  EXPECT_EQ(after.mouse.dpiIndex, before.mouse.dpiIndex);
  EXPECT_EQ(after.responseMode, before.responseMode);

  for (const char* quiet : {"", "   ", "# a comment"}) {
    SimulatorCommands::Result result = SimulatorCommands::Run(simulator, quiet);
    EXPECT_TRUE(result.ok);
    EXPECT_TRUE(result.message.empty());
  }
  EXPECT_NE(SimulatorCommands::Run(simulator, "show").message.find("battery 80%"), std::string::npos);
}

class CommandPipe : public ::testing::Test {
 protected:
  SimulatorCommandChannel::Log Log() {
    return [this](const std::string& text) {
      std::lock_guard lock(mutex_);
      logged_.push_back(text);
    };
  }
  std::vector<std::string> Logged() {
    std::lock_guard lock(mutex_);
    return logged_;
  }
  static void Send(const std::string& path, const std::string& text) {
    int fd = open(path.c_str(), O_WRONLY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    close(fd);
  }

  TempFolder folder;
  std::mutex mutex_;
  std::vector<std::string> logged_;
};

TEST_F(CommandPipe, CarriesOutLinesWrittenIntoThePipe) {
  std::string path = folder / "zorvane-simulator";
  {
    SimulatorBackend simulator;
    simulator.PlugDefaultSetup();
    ASSERT_TRUE(simulator.OpenCommandChannel(path, Log()));
    struct stat info {};
    ASSERT_EQ(lstat(path.c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    Send(path, "battery 40 charging\nunplug wi");  // a line may come in pieces
    Send(path, "red\n" + std::string(600, 'x') + "\nfly\n");
    ASSERT_TRUE(WaitFor([&] { return Logged().size() == 4; }));
    SimulatorSnapshot world = simulator.Snapshot();
    EXPECT_EQ(world.mouse.batteryLevel, 40);
    EXPECT_FALSE(world.wiredPlugged);
    std::vector<std::string> logged = Logged();
    EXPECT_NE(logged[2].find("dropped"), std::string::npos);  // the over-long line
    EXPECT_NE(logged[3].find("not understood"), std::string::npos);
  }
  // The pipe it made goes with it.
  struct stat info {};
  EXPECT_NE(lstat(path.c_str(), &info), 0);
}

TEST_F(CommandPipe, UsesAnExistingPipeButNothingElse) {
  std::string pipe = folder / "pipe";
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  std::string file = folder / "file";
  TestSupport::WriteFile(file, "keep me");
  std::string link = folder / "link";
  ASSERT_EQ(symlink(pipe.c_str(), link.c_str()), 0);

  SimulatorBackend simulator;
  EXPECT_FALSE(simulator.OpenCommandChannel(file, Log()));
  EXPECT_EQ(TestSupport::ReadFile(file), "keep me");
  EXPECT_FALSE(simulator.OpenCommandChannel(link, Log()));
  EXPECT_FALSE(simulator.OpenCommandChannel(folder / "missing/pipe", Log()));

  ASSERT_TRUE(simulator.OpenCommandChannel(pipe, Log()));
  Send(pipe, "plug dongle\n");
  ASSERT_TRUE(WaitFor([&] { return simulator.Snapshot().donglePlugged; }));
  ASSERT_TRUE(simulator.OpenCommandChannel(folder / "second", Log()));  // the first one stops
  struct stat info {};
  EXPECT_EQ(lstat(pipe.c_str(), &info), 0);  // not ours to remove
}

}  // namespace
