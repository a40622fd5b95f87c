// The device layer against the simulated mouse and dongle: what the program
// sees for each way of plugging them in.

#include <gtest/gtest.h>

#include "app/device/DeviceManager.h"
#include "app/device/sim/SimulatorBackend.h"

using Zorvane::DeviceManager;
using Zorvane::DeviceRecord;
using Zorvane::Report;
using Zorvane::SimulatedPort;
using Zorvane::SimulatorBackend;

namespace {

DeviceManager::Timing Fast() {
  DeviceManager::Timing timing;
  timing.replyReadTimeoutMs = 5;
  timing.emptyReadSleepMs = 1;
  timing.failedAttemptSleepMs = 1;
  timing.pollTimeoutMs = 1;
  return timing;
}

struct PluggedIn {
  const char* name;
  bool wired, dongle, mouseOn, other;
  int records;       // vendor interfaces opened
  int currentMode;   // GetCurrentDevMode for model 101
  bool dongleTyped;  // the dongle record keeps its device type
};

}  // namespace

class SimulatedSetups : public testing::TestWithParam<PluggedIn> {};

TEST_P(SimulatedSetups, EnumerationSeesWhatIsPluggedIn) {
  const PluggedIn& setup = GetParam();
  auto backend = Zorvane::MakeSimulatorBackend();
  SimulatorBackend* simulator = backend.get();
  simulator->SwitchMouse(setup.mouseOn);
  if (setup.wired) simulator->Plug(SimulatedPort::Wired);
  if (setup.dongle) simulator->Plug(SimulatedPort::Dongle);
  if (setup.other) simulator->Plug(SimulatedPort::Other);

  DeviceManager manager(std::move(backend), Fast());
  manager.RegisterSupported({0x1209, 0x0001, 101, 0});
  manager.RegisterSupported({0x1209, 0x0002, 101, 1});
  manager.Reenumerate();
  std::vector<DeviceRecord> records;
  manager.GetDevices(records);
  ASSERT_EQ(static_cast<int>(records.size()), setup.records);
  for (const DeviceRecord& record : records) {
    if (record.devMode == 1) {
      EXPECT_EQ(record.devType == 101, setup.dongleTyped);
    } else {
      EXPECT_EQ(record.devType, 101);  // a cable powers the mouse
    }
  }
  manager.SetCurrentType(101);
  EXPECT_EQ(manager.GetCurrentDevMode(), setup.currentMode);

  // A request reaches the mouse exactly when some record answers for it.
  Report query{};
  query[0] = 0x06;
  query[1] = 0x05;
  EXPECT_EQ(manager.SendReport(query, true), setup.currentMode >= 0);
}

INSTANTIATE_TEST_SUITE_P(Setups, SimulatedSetups,
                         testing::Values(PluggedIn{"nothing", false, false, true, true, 0, -1, false},
                                         PluggedIn{"cable", true, false, true, false, 1, 0, false},
                                         PluggedIn{"dongle", false, true, true, false, 1, 1, true},
                                         PluggedIn{"both", true, true, true, true, 2, 0, true},
                                         PluggedIn{"dongleMouseOff", false, true, false, false, 1, -1, false},
                                         PluggedIn{"cableMouseOff", true, false, false, false, 1, 0, false}),
                         [](const testing::TestParamInfo<PluggedIn>& info) { return info.param.name; });
