// The mouse's firmware as the host meets it: requests written on the wired
// vendor interface, replies read back.

#include <gtest/gtest.h>

#include "app/device/sim/SimulatorBackend.h"
#include "tests/app/device/sim/SimulatorTestSupport.h"

using namespace Zorvane;
using SimTest::Exchange;
using SimTest::Frame;
using SimTest::Read;
using SimTest::Request;

namespace {

class SimulatedMouseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    simulator.Plug(SimulatedPort::Wired);
    wired = SimTest::OpenVendor(simulator, SimulatedPort::Wired);
    ASSERT_TRUE(wired);
  }

  Frame Status() { return Exchange(*wired, Request({0x06, 0x05})); }
  // A SetParameter request, acknowledged.
  void Set(std::initializer_list<std::uint8_t> request) { ASSERT_FALSE(Exchange(*wired, Request(request)).empty()); }

  SimulatorBackend simulator;
  std::unique_ptr<HidHandle> wired;
};

TEST_F(SimulatedMouseTest, StatusReplyCarriesWhatSetParameterWrote) {
  Set({0x06, 0x13, 0x05, 0x00, 0x00, 0x01, 0x07, 0x02, 0xD0, 0x07});  // DPI: 7 stages, stage 2 = 2000
  Set({0x06, 0x13, 0x02, 0x00, 0x00, 0x02, 0x04});                    // report rate 4
  Set({0x06, 0x13, 0x04, 0x00, 0x00, 0x05, 0x01, 0x00, 0x00});        // scroll 1
  Set({0x06, 0x13, 0x02, 0x00, 0x00, 0x06, 0x02});                    // lift-off 2
  Set({0x06, 0x13, 0x02, 0x00, 0x00, 0x07, 0x03});                    // sensor 3
  Set({0x06, 0x13, 0x02, 0x00, 0x00, 0x08, 0x01});                    // high speed on
  Set({0x06, 0x13, 0x02, 0x00, 0x00, 0x0A, 0x08});                    // response time 8
  Set({0x06, 0x13, 0x05, 0x00, 0x00, 0x0B, 0x2C, 0x01, 0x10, 0x0E});  // sleep 300 / 3600
  Set({0x06, 0x13, 0x02, 0x00, 0x00, 0x0C, 0x00});                    // move wake-up off
  simulator.SetBattery(57, true);
  EXPECT_EQ(Read(*wired)[1], 0xFA);  // its event, out of the way

  Frame expected = {
      0x06,                    // report id
      0x05,                    // command: status query
      38,                      // data length
      0x00, 0x00,              // address
      0x00, 0x00, 0x00, 0x00,  // not interpreted
      10,                      // firmware build
      0x10,                    // firmware major and minor: 1.0.10
      0x00,                    // mode: by cable
      0x01,                    // online
      57,                      // battery level
      0x01,                    // charging
      0x00, 0x00,              // not interpreted
      0x02,                    // DPI stage index
      7,    0,                 // stage 0: v 7 = 400 DPI
      15,   0,                 // stage 1: 800
      39,   0,                 // stage 2: 2000, as written
      63,   0,                 // stage 3: 3200
      127,  0,                 // stage 4: 6400
      239,  0,                 // stage 5: 12000
      0x04,                    // report rate
      0x00,                    // report flag
      0x01,                    // scroll
      0x02,                    // lift-off distance
      0x03,                    // sensor
      0x01,                    // high-speed mode
      0x08,                    // button response time
      0x2C, 0x01,              // light sleep 300
      0x10, 0x0E,              // deep sleep 3600
      0x00,                    // move wake-up
      0x00,                    // move close-light
  };
  expected.resize(64, 0);  // bytes 43..63 not interpreted
  EXPECT_EQ(Status(), expected);
  EXPECT_EQ(simulator.Snapshot().mouse.dpiCount, 7);
}

TEST_F(SimulatedMouseTest, DpiValuesComeBackInFiftyDpiSteps) {
  struct Case {
    int stage;
    int dpi;          // as the host sends it
    std::uint16_t v;  // as the status reply gives it back
  };
  const Case cases[] = {
      {0, 800, 15},      // the usual
      {1, 50, 0},        // the lowest step
      {2, 1600, 31},     // sent as 0x40, 0x06
      {3, 825, 15},      // whole steps only
      {4, 0, 0},         // below the lowest step: still 50 DPI
      {5, 99, 0},        // just under the second step
      {0, 26000, 519},   // beyond one byte of v
      {5, 65535, 1309},  // the largest value the host can send
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.dpi);
    Set({0x06, 0x13, 0x05, 0x00, 0x00, 0x01, 0x06, static_cast<std::uint8_t>(c.stage),
         static_cast<std::uint8_t>(c.dpi & 0xFF), static_cast<std::uint8_t>(c.dpi >> 8)});
    Frame status = Status();
    ASSERT_EQ(status.size(), 64u);
    EXPECT_EQ(status[17], c.stage);
    EXPECT_EQ(status[18 + 2 * c.stage] | (status[19 + 2 * c.stage] << 8), c.v);
    EXPECT_EQ(simulator.Snapshot().mouse.StageDpi(c.stage), (c.v + 1) * 50);
  }

  // The seventh stage is kept although the status reply shows only six.
  Set({0x06, 0x13, 0x05, 0x00, 0x00, 0x01, 0x07, 0x06, 0x40, 0x1F});
  EXPECT_EQ(simulator.Snapshot().mouse.StageDpi(6), 8000);
  EXPECT_EQ(Status()[17], 6);
}

TEST_F(SimulatedMouseTest, DpiParameterForAStageTheMouseLacksChangesNothing) {
  const SimulatedMouseState before = simulator.Snapshot().mouse;
  Set({0x06, 0x13, 0x05, 0x00, 0x00, 0x01, 0x03, 0x03, 0x20, 0x03});  // index beyond the count
  Set({0x06, 0x13, 0x05, 0x00, 0x00, 0x01, 0x00, 0x00, 0x20, 0x03});  // no stages
  Set({0x06, 0x13, 0x05, 0x00, 0x00, 0x01, 0x08, 0x00, 0x20, 0x03});  // more stages than it has
  const SimulatedMouseState after = simulator.Snapshot().mouse;
  EXPECT_EQ(after.dpiCount, before.dpiCount);
  EXPECT_EQ(after.dpiIndex, before.dpiIndex);
  EXPECT_EQ(after.dpiStages, before.dpiStages);
}

TEST_F(SimulatedMouseTest, KeepsTheKeyTableWithItsNinthSlot) {
  Frame table = Request({0x06, 0x12, 0x20, 0x00, 0x00});
  const SimulatedMouseState factory;
  for (int slot = 0; slot < 9; ++slot)
    std::copy(factory.keyTable[slot].begin(), factory.keyTable[slot].end(), table.begin() + 5 + 4 * slot);
  const std::uint8_t slot3[] = {0x21, 0x00, 0x04, 0x00};  // a keyboard key on button 3
  const std::uint8_t slot8[] = {0x50, 0x0B, 0x03, 0x00};  // beyond the 32 announced data bytes
  std::copy(std::begin(slot3), std::end(slot3), table.begin() + 17);
  std::copy(std::begin(slot8), std::end(slot8), table.begin() + 37);
  ASSERT_FALSE(Exchange(*wired, table).empty());

  SimulatedMouseState state = simulator.Snapshot().mouse;
  EXPECT_EQ(state.keyTable[3], (SimulatedMouseState::KeySlot{0x21, 0x00, 0x04, 0x00}));
  EXPECT_EQ(state.keyTable[8], (SimulatedMouseState::KeySlot{0x50, 0x0B, 0x03, 0x00}));
  EXPECT_EQ(state.keyTable[0], factory.keyTable[0]);
}

TEST_F(SimulatedMouseTest, KeepsTheMacroImageByAddress) {
  // A 118-byte image goes as pieces of 59, 59 and 0 bytes.
  Frame image(118);
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i * 7 + 1);
  for (int piece = 0; piece < 3; ++piece) {
    int address = 59 * piece;
    int length = piece < 2 ? 59 : 0;
    Frame request = Request({0x06, 0x31, static_cast<std::uint8_t>(length), static_cast<std::uint8_t>(address),
                             static_cast<std::uint8_t>(address >> 8)});
    for (int i = 0; i < 59 && address + i < 118; ++i) request[5 + i] = image[address + i];
    Frame reply = Exchange(*wired, request);
    ASSERT_EQ(reply.size(), 64u);
    EXPECT_EQ(reply[1], 0x31);
  }
  // The end of a full 4000-byte image.
  Frame last = Request({0x06, 0x31, 47, 0x71, 0x0F});  // address 3953
  for (int i = 0; i < 59; ++i) last[5 + i] = 0xA5;
  ASSERT_FALSE(Exchange(*wired, last).empty());
  // Pieces that do not fit are refused whole.
  Frame pastEnd = Request({0x06, 0x31, 59, 0xFA, 0x0F});  // address 4090
  for (int i = 0; i < 59; ++i) pastEnd[5 + i] = 0xEE;
  Exchange(*wired, pastEnd);
  Frame tooLong = Request({0x06, 0x31, 60, 0x00, 0x08});  // address 2048, more than a frame holds
  for (int i = 0; i < 59; ++i) tooLong[5 + i] = 0xEE;
  Exchange(*wired, tooLong);

  const std::vector<std::uint8_t> memory = simulator.Snapshot().mouse.macroMemory;
  ASSERT_EQ(memory.size(), SimulatedMouseState::kMacroMemorySize);
  EXPECT_TRUE(std::equal(image.begin(), image.end(), memory.begin()));
  EXPECT_EQ(memory[118], 0);  // the empty last piece wrote nothing
  EXPECT_EQ(memory[3953], 0xA5);
  EXPECT_EQ(memory[3999], 0xA5);
  EXPECT_EQ(memory[4000], 0);  // only the announced length counts
  EXPECT_TRUE(std::all_of(memory.begin() + 4090, memory.end(), [](auto b) { return b == 0; }));
  EXPECT_TRUE(std::all_of(memory.begin() + 2048, memory.begin() + 2108, [](auto b) { return b == 0; }));
}

TEST_F(SimulatedMouseTest, ResetRestoresDpiOrEverythingWithoutAReply) {
  Set({0x06, 0x13, 0x05, 0x00, 0x00, 0x01, 0x03, 0x02, 0xD0, 0x07});
  Set({0x06, 0x13, 0x02, 0x00, 0x00, 0x02, 0x04});
  Set({0x06, 0x12, 0x20, 0x00, 0x00, 0x99, 0x99, 0x99, 0x99});
  Set({0x06, 0x31, 0x02, 0x40, 0x00, 0x12, 0x34});
  simulator.SetBattery(33, true);
  EXPECT_EQ(Read(*wired)[1], 0xFA);
  const SimulatedMouseState factory;

  ASSERT_EQ(wired->Write(Request({0x06, 0x0F, 0x01, 0x00, 0x00, 0x08}).data(), 64), 64);
  EXPECT_TRUE(Read(*wired, 50).empty());
  SimulatedMouseState state = simulator.Snapshot().mouse;
  EXPECT_EQ(state.dpiCount, factory.dpiCount);
  EXPECT_EQ(state.dpiIndex, factory.dpiIndex);
  EXPECT_EQ(state.dpiStages, factory.dpiStages);
  EXPECT_EQ(state.reportRate, 4);  // only the DPI settings
  EXPECT_EQ(state.keyTable[0][0], 0x99);

  ASSERT_EQ(wired->Write(Request({0x06, 0x0F, 0x01, 0x00, 0x00, 0xFF}).data(), 64), 64);
  EXPECT_TRUE(Read(*wired, 50).empty());
  state = simulator.Snapshot().mouse;
  EXPECT_EQ(state.reportRate, factory.reportRate);
  EXPECT_EQ(state.keyTable, factory.keyTable);
  EXPECT_EQ(state.macroMemory, factory.macroMemory);
  EXPECT_EQ(state.batteryLevel, 33);  // a reset does not charge the battery
  EXPECT_TRUE(state.charging);
}

TEST_F(SimulatedMouseTest, AnswersTheOtherQueriesByCable) {
  Frame version = Exchange(*wired, Request({0x06, 0x07}));
  ASSERT_EQ(version.size(), 64u);
  EXPECT_EQ(version[5], 0);  // no dongle version by cable
  for (std::uint8_t command : {0x10, 0x11}) {
    Frame reply = Exchange(*wired, Request({0x06, command}));
    ASSERT_EQ(reply.size(), 64u);
    EXPECT_EQ(reply[1], command);
  }
  EXPECT_TRUE(Exchange(*wired, Request({0x06, 0x42})).empty());  // unknown: no answer
  // The pairing parameter is acknowledged and changes nothing on a mouse.
  EXPECT_FALSE(Exchange(*wired, Request({0x06, 0x13, 0x01, 0x00, 0x00, 0x09, 0x00})).empty());
  EXPECT_FALSE(simulator.Snapshot().pairing);
}

}  // namespace
