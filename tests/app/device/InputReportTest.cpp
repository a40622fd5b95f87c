#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/device/InputReport.h"
#include "app/device/StatusReply.h"
#include "tests/app/device/Frames.h"

using TestSupport::Frame;
using Zorvane::InputReport;
using Zorvane::Report;
using Zorvane::StatusReply;

namespace {

std::string Utf8(const Nuvex::CString& text) {
  return text.ToUtf8();
}

const Report kStatus = Frame({
    0x06, 0x05, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // header, not interpreted
    0x03,                                                  // 9: build
    0x21,                                                  // 10: major 2, minor 1
    0x01,                                                  // 11: mode
    0x01,                                                  // 12: online
    0x4B,                                                  // 13: battery 75 %
    0x01,                                                  // 14: charging
    0xEE, 0xEE,                                            // not interpreted
    0x04,                                                  // 17: current stage
    0x00, 0x00,                                            // 18: stage 0, v = 0 -> 50
    0x0F, 0x00,                                            // 20: v = 15 -> 800
    0x1F, 0x00,                                            // 22: v = 31 -> 1600
    0x2F, 0x00,                                            // 24: v = 47 -> 2400
    0x3F, 0x01,                                            // 26: v = 319 -> 16000
    0xDF, 0x01,                                            // 28: v = 479 -> 24000
    0x02,                                                  // 30: report rate
    0x0F,                                                  // 31: report flag
    0x05,                                                  // 32: scroll
    0x06,                                                  // 33: lift-off
    0x35,                                                  // 34: sensor
    0x08,                                                  // 35: high speed
    0x09,                                                  // 36: button response
    0x3C, 0x01,                                            // 37: light sleep 316
    0x58, 0x02,                                            // 39: deep sleep 600
    0x0A,                                                  // 41: move wake-up
    0x0B,                                                  // 42: move close-light
    0xEE, 0xEE,                                            // not interpreted
});

}  // namespace

TEST(StatusReply, Fields) {
  StatusReply status = StatusReply::Parse(kStatus);
  EXPECT_EQ(status.firmwareBuild, 3);
  EXPECT_EQ(status.firmwareMajorMinor, 0x21);
  EXPECT_EQ(Utf8(status.FirmwareVersion()), "2.1.3");
  EXPECT_TRUE(status.HasFirmwareVersion());
  EXPECT_EQ(status.mode, 1);
  EXPECT_TRUE(status.online);
  EXPECT_EQ(status.battery, 75);
  EXPECT_TRUE(status.charging);
  EXPECT_EQ(status.dpiStageIndex, 4);
  EXPECT_EQ(status.stageDpi, (std::array<int, 6>{50, 800, 1600, 2400, 16000, 24000}));

  const std::vector<std::pair<std::string, int>> expected = {
      {"dpi_group0_value", 50},    {"dpi_group1_value", 800},   {"dpi_group2_value", 1600}, {"dpi_group3_value", 2400},
      {"dpi_group4_value", 16000}, {"dpi_group5_value", 24000}, {"report_rate", 2},         {"report_flag", 15},
      {"scroll_flag", 5},          {"liftoff_height", 6},       {"sensor_flag", 0x35},      {"highspeed_mode", 8},
      {"button_respondtime", 9},   {"light_sleep", 316},        {"deep_sleep", 600},        {"move_wakeup", 10},
      {"move_closelight", 11},
  };
  std::vector<std::pair<std::string, int>> values;
  for (const StatusReply::ConfigValue& value : status.ConfigValues())
    values.emplace_back(Utf8(Nuvex::CString(value.key)), value.value);
  EXPECT_EQ(values, expected);
}

TEST(StatusReply, OfflineAndSilent) {
  Report reply = kStatus;
  reply[12] = 0;
  reply[14] = 2;  // only 1 means charging
  StatusReply offline = StatusReply::Parse(reply);
  EXPECT_FALSE(offline.online);
  EXPECT_FALSE(offline.charging);

  EXPECT_FALSE(StatusReply::Parse(Frame({0x06, 0x05})).HasFirmwareVersion());
  for (auto [build, majorMinor] : {std::pair{1, 0}, {0, 0x10}}) {
    Report partial = Frame({0x06, 0x05});
    partial[9] = static_cast<std::uint8_t>(build);
    partial[10] = static_cast<std::uint8_t>(majorMinor);
    EXPECT_TRUE(StatusReply::Parse(partial).HasFirmwareVersion());
  }
}

TEST(InputReport, VersionText) {
  const struct {
    std::uint8_t majorMinor, build;
    const char* text;
  } cases[] = {
      {0x10, 10, "1.0.10"}, {0x21, 3, "2.1.3"}, {0xAB, 255, "a.b.255"}, {0x00, 0, "0.0.0"}, {0x9F, 1, "9.f.1"},
  };
  for (const auto& c : cases) EXPECT_EQ(Utf8(InputReport::VersionText(c.majorMinor, c.build)), c.text);
}

TEST(InputReport, DongleVersion) {
  Report reply = Frame({
      0x06, 0x07, 0x00, 0x00, 0x00,  // header
      0x01,                          // 5: carries the dongle's version
      0x00, 0x00, 0x00,              //
      0x0A,                          // 9: build
      0x10,                          // 10: 1.0
  });
  std::optional<Nuvex::CString> version = InputReport::ParseDongleVersion(reply);
  ASSERT_TRUE(version);
  EXPECT_EQ(Utf8(*version), "1.0.10");
  for (std::uint8_t marker : {0x00, 0x02, 0xFF}) {
    reply[5] = marker;
    EXPECT_FALSE(InputReport::ParseDongleVersion(reply)) << int(marker);
  }
}

TEST(InputReport, Events) {
  std::optional<InputReport::Event> event = InputReport::ParseEvent(Frame({
      0x00,              // 0: not examined
      0xFA,              // 1: event
      0x03, 0x00, 0x00,  //
      0x50,              // 5: PC-side button
      0x0B,              // 6: type 11
      0x2C,              // 7: low byte of the value
  }));
  ASSERT_TRUE(event);
  EXPECT_EQ(event->code, InputReport::kEventHostAction);
  EXPECT_EQ(event->data6, 0x0B);
  EXPECT_EQ(event->data7, 0x2C);

  EXPECT_FALSE(InputReport::ParseEvent(Frame({0x06, 0x05, 0x00, 0x00, 0x00, 0x02, 0x01})));  // a late reply
  EXPECT_FALSE(InputReport::ParseEvent(Frame({0xC0, 0x01})));
}

TEST(InputReport, DongleLink) {
  const struct {
    std::vector<std::uint8_t> bytes;
    std::optional<bool> linked;
  } cases[] = {
      {{0xC0, 0x01}, true},                          // linked
      {{0xC0, 0x00}, false},                         // lost
      {{0xC0, 0x02}, false},                         // anything but 1
      {std::vector<std::uint8_t>(33, 0xC0), false},  // a 33-byte read
      {{0x06, 0x01}, std::nullopt},                  // not a link report
      {{0xC0}, std::nullopt},                        // too short
      {{}, std::nullopt},                            //
  };
  for (const auto& c : cases) EXPECT_EQ(InputReport::ParseDongleLink(c.bytes), c.linked) << c.bytes.size();
  EXPECT_EQ(InputReport::ParseDongleLink(Frame({0xC0, 0x01})), true);
}
