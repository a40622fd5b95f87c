// The dongle: relaying to its mouse, answering without it, pairing, and the
// link and event reports it passes on.

#include <gtest/gtest.h>

#include "app/device/sim/SimulatorBackend.h"
#include "tests/app/device/sim/SimulatorTestSupport.h"

using namespace Zorvane;
using SimTest::Exchange;
using SimTest::Frame;
using SimTest::Read;
using SimTest::Request;

namespace {

const Frame kStatusQuery = Request({0x06, 0x05});
const Frame kLinked = [] {
  Frame report(64, 0);
  report[0] = 0xC0;
  report[1] = 1;
  return report;
}();
const Frame kUnlinked = [] {
  Frame report(64, 0);
  report[0] = 0xC0;
  return report;
}();

Frame Event(std::uint8_t code, std::uint8_t data6, std::uint8_t data7) {
  return Request({0x06, 0xFA, 0x03, 0x00, 0x00, code, data6, data7});
}

class SimulatedDongleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    simulator.Plug(SimulatedPort::Dongle);
    dongle = SimTest::OpenVendor(simulator, SimulatedPort::Dongle);
    ASSERT_TRUE(dongle);
  }

  // Every report queued on the dongle's handle, in order.
  std::vector<Frame> Drain() {
    std::vector<Frame> reports;
    for (Frame report = Read(*dongle); !report.empty(); report = Read(*dongle)) reports.push_back(report);
    return reports;
  }

  SimulatorBackend simulator;
  std::unique_ptr<HidHandle> dongle;
};

TEST_F(SimulatedDongleTest, RelaysToItsLinkedMouse) {
  Frame status = Exchange(*dongle, kStatusQuery);
  ASSERT_EQ(status.size(), 64u);
  EXPECT_EQ(status[9], 10);  // the mouse's firmware
  EXPECT_EQ(status[10], 0x10);
  EXPECT_EQ(status[11], 1);  // through the dongle
  EXPECT_EQ(status[12], 1);  // online

  Frame version = Exchange(*dongle, Request({0x06, 0x07}));
  ASSERT_EQ(version.size(), 64u);
  EXPECT_EQ(version[5], 1);  // a dongle version follows
  EXPECT_EQ(version[9], 3);
  EXPECT_EQ(version[10], 0x11);

  ASSERT_FALSE(Exchange(*dongle, Request({0x06, 0x13, 0x02, 0x00, 0x00, 0x02, 0x04})).empty());
  EXPECT_EQ(simulator.Snapshot().mouse.reportRate, 4);
}

TEST_F(SimulatedDongleTest, WithoutItsMouseAnswersOnlyForItself) {
  simulator.SwitchMouse(false);
  EXPECT_EQ(Drain(), std::vector<Frame>{kUnlinked});

  Frame status = Exchange(*dongle, kStatusQuery);
  ASSERT_EQ(status.size(), 64u);
  EXPECT_EQ(status[9], 0);  // no mouse firmware: the host takes the record as dev_type 0
  EXPECT_EQ(status[10], 0);
  EXPECT_EQ(status[11], 1);
  EXPECT_EQ(status[12], 0);  // offline

  EXPECT_EQ(Exchange(*dongle, Request({0x06, 0x07}))[5], 1);  // its own version it still knows
  // Requests for the mouse go nowhere: no reply, nothing applied.
  EXPECT_TRUE(Exchange(*dongle, Request({0x06, 0x13, 0x02, 0x00, 0x00, 0x02, 0x04})).empty());
  EXPECT_TRUE(Exchange(*dongle, Request({0x06, 0x10})).empty());
  EXPECT_NE(simulator.Snapshot().mouse.reportRate, 4);
  // Nor can an unreachable mouse send anything.
  EXPECT_FALSE(simulator.PressDpiButton());
  EXPECT_FALSE(simulator.SetBattery(20, false));
  EXPECT_TRUE(Drain().empty());
}

TEST_F(SimulatedDongleTest, PairingLinksTheNextMouseSwitchedOn) {
  Frame ack = Exchange(*dongle, Request({0x06, 0x13, 0x01, 0x00, 0x00, 0x09, 0x00}));
  ASSERT_EQ(ack.size(), 64u);
  EXPECT_EQ(ack[1], 0x13);
  EXPECT_EQ(Drain(), std::vector<Frame>{kUnlinked});  // the old link is given up
  SimulatorSnapshot world = simulator.Snapshot();
  EXPECT_TRUE(world.pairing);
  EXPECT_FALSE(world.paired);
  EXPECT_FALSE(world.linked);
  // A mouse that was on already is not taken: it has to come within reach.
  simulator.SwitchMouse(true);
  EXPECT_FALSE(simulator.Snapshot().linked);
  EXPECT_EQ(Exchange(*dongle, kStatusQuery)[12], 0);

  simulator.SwitchMouse(false);
  EXPECT_TRUE(Drain().empty());
  simulator.SwitchMouse(true);
  EXPECT_EQ(Drain(), (std::vector<Frame>{kLinked, Event(0x01, 1, 0)}));  // just linked: data 1
  world = simulator.Snapshot();
  EXPECT_FALSE(world.pairing);
  EXPECT_TRUE(world.paired);
  EXPECT_TRUE(world.linked);
  EXPECT_EQ(Exchange(*dongle, kStatusQuery)[12], 1);

  // Later links are ordinary ones.
  simulator.SwitchMouse(false);
  simulator.SwitchMouse(true);
  EXPECT_EQ(Drain(), (std::vector<Frame>{kUnlinked, kLinked, Event(0x01, 0, 0)}));
}

TEST_F(SimulatedDongleTest, PairingEndsWhenTheDongleLosesPower) {
  Exchange(*dongle, Request({0x06, 0x13, 0x01, 0x00, 0x00, 0x09, 0x00}));
  simulator.Unplug(SimulatedPort::Dongle);
  simulator.Plug(SimulatedPort::Dongle);
  simulator.SwitchMouse(false);
  simulator.SwitchMouse(true);
  SimulatorSnapshot world = simulator.Snapshot();
  EXPECT_FALSE(world.pairing);
  EXPECT_FALSE(world.linked);  // it forgot its mouse and waits for nothing now
}

TEST_F(SimulatedDongleTest, ReportsLinkChangesWhenDriven) {
  simulator.SetMouseInRange(false);
  EXPECT_EQ(Drain(), std::vector<Frame>{kUnlinked});
  simulator.SetMouseInRange(false);  // no change, no report
  EXPECT_TRUE(Drain().empty());
  simulator.SetMouseInRange(true);
  EXPECT_EQ(Drain(), (std::vector<Frame>{kLinked, Event(0x01, 0, 0)}));
  simulator.SwitchMouse(false);
  simulator.SwitchMouse(true);
  EXPECT_EQ(Drain(), (std::vector<Frame>{kUnlinked, kLinked, Event(0x01, 0, 0)}));
}

TEST_F(SimulatedDongleTest, PassesOnTheMouseEventsWhenDriven) {
  EXPECT_TRUE(simulator.PressDpiButton());
  EXPECT_TRUE(simulator.SetBattery(40, true));
  EXPECT_TRUE(simulator.PressPcActionButton(11, 3));
  EXPECT_TRUE(simulator.WakeMouse());
  EXPECT_EQ(Drain(), (std::vector<Frame>{
                         Event(0x02, 2, 0),   // DPI button: stage 1 -> 2
                         Event(0x03, 40, 1),  // battery 40 %, charging
                         Event(0x50, 11, 3),  // PC-side function 11, value 3
                         Event(0x06, 0, 0),   // woke up
                     }));
  SimulatorSnapshot world = simulator.Snapshot();
  EXPECT_EQ(world.mouse.dpiIndex, 2);
  EXPECT_EQ(world.mouse.batteryLevel, 40);

  // The DPI button wraps after the last stage.
  for (int i = 0; i < 3; ++i) simulator.PressDpiButton();  // up to stage 5, the last
  Drain();
  simulator.PressDpiButton();
  EXPECT_EQ(Drain(), std::vector<Frame>{Event(0x02, 0, 0)});
}

TEST_F(SimulatedDongleTest, WithTheCableTooTheMouseReportsByCable) {
  simulator.Plug(SimulatedPort::Wired);
  auto wired = SimTest::OpenVendor(simulator, SimulatedPort::Wired);
  ASSERT_TRUE(wired);
  simulator.PressDpiButton();
  EXPECT_EQ(Read(*wired), Event(0x02, 2, 0));
  EXPECT_TRUE(Drain().empty());

  // Switched off it still works by cable, USB powers it; only the radio goes.
  simulator.SwitchMouse(false);
  EXPECT_EQ(Drain(), std::vector<Frame>{kUnlinked});
  EXPECT_TRUE(simulator.PressDpiButton());
  EXPECT_EQ(Read(*wired), Event(0x02, 3, 0));
  EXPECT_EQ(Exchange(*wired, kStatusQuery)[12], 1);
}

}  // namespace
