#include <gtest/gtest.h>

#include "app/device/ReportBuilder.h"
#include "app/features/KeyModel.h"
#include "app/features/KeyValueTables.h"
#include "tests/app/device/Frames.h"

using TestSupport::Frame;
using Zorvane::KeyAssignment;
using Zorvane::KeyModel;
using Zorvane::KeySlotCode;
using Zorvane::KeyValueTables;
using Zorvane::MacroRecord;
using Zorvane::ProfileSettings;
using Zorvane::Report;
using Zorvane::ReportBuilder;

namespace {

// Every value different, so a field taken from the wrong key shows.
ProfileSettings Settings() {
  ProfileSettings settings;
  settings.dpiCount = 7;
  settings.dpiIndex = 2;
  settings.dpiStages = {800, 1200, 1600, 2400, 5000, 12000, 24000};
  settings.reportRate = 0x02;
  settings.scroll = 0x11;
  settings.liftOff = 0x03;
  settings.sensor = 0x135;  // one-byte fields take the low byte
  settings.highSpeed = 0x44;
  settings.buttonResponse = 0x05;
  settings.lightSleep = 316;
  settings.deepSleep = 600;
  settings.moveWakeup = 0x66;
  return settings;
}

KeyAssignment Key(int keyCode, int type, int value, int value2 = 0) {
  KeyAssignment key;
  key.profile = 1;
  key.key_code = keyCode;
  key.macro_type = type;
  key.macro_value = value;
  key.macro_value2 = value2;
  return key;
}

// The factory key table: nine slots of 4 bytes from byte 5.
const Report kFactoryTable = Frame({
    0x06, 0x12, 0x20, 0x00, 0x00,  // report id, KeyTable, length 32 (slot 8 goes along), address
    0x10, 0x01, 0x00, 0x00,        // 0 left
    0x10, 0x02, 0x00, 0x00,        // 1 right
    0x10, 0x04, 0x00, 0x00,        // 2 middle
    0x10, 0x10, 0x00, 0x00,        // 3 button 5
    0x10, 0x08, 0x00, 0x00,        // 4 button 4
    0x10, 0x20, 0x00, 0x00,        // 5
    0x10, 0x40, 0x00, 0x00,        // 6
    0x1F, 0x01, 0x00, 0x00,        // 7
    0x1F, 0x00, 0x00, 0x00,        // 8
});

}  // namespace

TEST(ReportBuilder, Queries) {
  const struct {
    Report report;
    std::uint8_t command;
  } cases[] = {
      {ReportBuilder::StatusQuery(), 0x05},
      {ReportBuilder::DongleVersionQuery(), 0x07},
      {ReportBuilder::Query10(), 0x10},
      {ReportBuilder::Query11(), 0x11},
  };
  for (const auto& c : cases) EXPECT_EQ(c.report, Frame({0x06, c.command})) << int(c.command);
}

TEST(ReportBuilder, ResetSettings) {
  const Report dpi = Frame({
      0x06, 0x0F, 0x01,  // ResetSettings, length 1
      0x00, 0x00,        // address
      0x08,              // DPI settings
  });
  EXPECT_EQ(ReportBuilder::ResetSettings(ReportBuilder::kResetDpi), dpi);
  EXPECT_EQ(ReportBuilder::ResetSettings(ReportBuilder::kResetAll), Frame({0x06, 0x0F, 0x01, 0x00, 0x00, 0xFF}));
}

TEST(ReportBuilder, EveryParameter) {
  const struct {
    std::uint8_t parameter;
    Report expected;
  } cases[] = {
      {0x01, Frame({0x06, 0x13, 0x05, 0x00, 0x00,                             // SetParameter, length 5
                    0x01,                                                     // DPI
                    0x07,                                                     // stage count
                    0x02,                                                     // stage index
                    0x40, 0x06})},                                            // 1600
      {0x02, Frame({0x06, 0x13, 0x02, 0x00, 0x00, 0x02, 0x02})},              // report rate
      {0x05, Frame({0x06, 0x13, 0x04, 0x00, 0x00, 0x05, 0x11, 0x00, 0x00})},  // scroll, two zero bytes
      {0x06, Frame({0x06, 0x13, 0x02, 0x00, 0x00, 0x06, 0x03})},              // lift-off
      {0x07, Frame({0x06, 0x13, 0x02, 0x00, 0x00, 0x07, 0x35})},              // sensor
      {0x08, Frame({0x06, 0x13, 0x02, 0x00, 0x00, 0x08, 0x44})},              // high speed
      {0x09, Frame({0x06, 0x13, 0x01, 0x00, 0x00, 0x09})},                    // pairing
      {0x0A, Frame({0x06, 0x13, 0x02, 0x00, 0x00, 0x0A, 0x05})},              // button response
      {0x0B, Frame({0x06, 0x13, 0x05, 0x00, 0x00,                             //
                    0x0B,                                                     // sleep times
                    0x3C, 0x01,                                               // light 316
                    0x58, 0x02})},                                            // deep 600
      {0x0C, Frame({0x06, 0x13, 0x02, 0x00, 0x00, 0x0C, 0x66})},              // move wake-up
  };
  for (const auto& c : cases) {
    std::optional<Report> report = ReportBuilder::SetParameter(c.parameter, Settings());
    ASSERT_TRUE(report) << int(c.parameter);
    EXPECT_EQ(*report, c.expected) << int(c.parameter);
  }
  for (std::uint8_t unknown : {0x00, 0x03, 0x04, 0x0D, 0xFF})
    EXPECT_FALSE(ReportBuilder::SetParameter(unknown, Settings())) << int(unknown);
}

TEST(ReportBuilder, DpiStageIndexStaysWithinTheStages) {
  const struct {
    int count, index;
    std::uint8_t sentIndex;
    std::uint8_t dpiLow, dpiHigh;
  } cases[] = {
      {7, 6, 6, 0xC0, 0x5D},   // 24000
      {7, 9, 6, 0xC0, 0x5D},   // past the last stage
      {7, -1, 0, 0x20, 0x03},  // 800
      {3, 5, 2, 0x40, 0x06},   // past the count
      {0, 4, 0, 0x20, 0x03},   // no count
  };
  for (const auto& c : cases) {
    ProfileSettings settings = Settings();
    settings.dpiCount = c.count;
    settings.dpiIndex = c.index;
    Report report = *ReportBuilder::SetParameter(ReportBuilder::kParamDpi, settings);
    EXPECT_EQ(report[6], c.count) << c.count << "/" << c.index;
    EXPECT_EQ(report[7], c.sentIndex) << c.count << "/" << c.index;
    EXPECT_EQ(report[8], c.dpiLow) << c.count << "/" << c.index;
    EXPECT_EQ(report[9], c.dpiHigh) << c.count << "/" << c.index;
  }
}

TEST(ReportBuilder, FactoryOnlyKeyTable) {
  EXPECT_EQ(ReportBuilder::KeyTable({}, {}), kFactoryTable);
  // Restoring a default (type 0) leaves the factory code.
  EXPECT_EQ(ReportBuilder::KeyTable({Key(3, 0, 0)}, {}), kFactoryTable);
}

// A button without a stored row shows its built-in default: the factory code.
TEST(ReportBuilder, DefaultsAreTheFactoryCodes) {
  for (int slot = 0; slot < 9; ++slot) {
    KeyAssignment key = Key(slot, 1, *KeyValueTables::DefaultMouseValue(slot));
    EXPECT_EQ(KeyModel::DeviceCode(key, {}), ReportBuilder::FactoryCode(slot)) << "slot " << slot;
  }
  EXPECT_FALSE(ReportBuilder::FactoryCode(9));
  EXPECT_FALSE(ReportBuilder::FactoryCode(-1));
}

TEST(ReportBuilder, KeyTableWithAssignments) {
  std::vector<MacroRecord> onDevice(2);
  onDevice[0].macro_id = 40;
  onDevice[1].macro_id = 41;
  const std::vector<KeyAssignment> keys = {
      Key(1, 2, 228),    // R-Ctrl alone
      Key(2, 8, 1),      // disabled
      Key(4, 5, 41, 3),  // second macro on the device, 3 times
      Key(5, 5, 99, 1),  // macro not on the device: factory code stays
      Key(8, 10, 300),   // open an address, row 300
      Key(9, 8, 1),      // no slot 9
      Key(200, 8, 1),    // far outside the report
      Key(-1, 8, 1),     //
  };
  Report expected = kFactoryTable;
  const std::uint8_t changes[][5] = {
      {1, 0x20, 0x10, 0x00, 0x00},
      {2, 0x00, 0x00, 0x00, 0x00},
      {4, 0x60, 0x01, 0x03, 0x00},
      {8, 0x50, 0x0A, 0x2C, 0x00},
  };
  for (const auto& change : changes)
    for (int i = 0; i < 4; ++i) expected[5 + 4 * change[0] + i] = change[1 + i];
  EXPECT_EQ(ReportBuilder::KeyTable(keys, onDevice), expected);
}

TEST(ReportBuilder, MacroWriteCarriesAtMost59Bytes) {
  std::vector<std::uint8_t> data(70);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i + 1);
  Report report = ReportBuilder::MacroWrite(0x0F71, 47, data);
  EXPECT_EQ(report[0], 0x06);
  EXPECT_EQ(report[1], 0x31);
  EXPECT_EQ(report[2], 47);
  EXPECT_EQ(report[3], 0x71);  // address, low byte first
  EXPECT_EQ(report[4], 0x0F);
  for (int i = 0; i < 59; ++i) EXPECT_EQ(report[5 + i], i + 1);

  Report shortData = ReportBuilder::MacroWrite(0, 3, std::vector<std::uint8_t>{1, 2, 3});
  EXPECT_EQ(shortData, Frame({0x06, 0x31, 0x03, 0x00, 0x00, 0x01, 0x02, 0x03}));
}
