#include <gtest/gtest.h>

#include "app/device/ProfileSettings.h"
#include "platform/Paths.h"
#include "tests/support/TempFolder.h"

using Nuvex::CString;
using TestSupport::TempFolder;
using Zorvane::ConfigStore;
using Zorvane::ProfileSettings;

class ProfileSettingsTest : public testing::Test {
 protected:
  TempFolder data;
  ConfigStore store;

  void SetUp() override {
    ASSERT_TRUE(Platform::CreateFolderTree(data / "db"));
    ASSERT_TRUE(store.OpenForDevice(data.Path(), u"model"));
    ASSERT_EQ(store.LoadProfiles([](const CString&) {}), 1);
  }
};

TEST_F(ProfileSettingsTest, ReadsEachKeyOfTheProfile) {
  // Changed from the defaults, each to a value no other key holds.
  const struct {
    const char16_t* key;
    const char16_t* value;
  } changes[] = {
      {u"dpi_count", u"5"},          {u"dpi_index", u"3"},
      {u"dpi_group0_value", u"400"}, {u"dpi_group6_value", u"26000"},
      {u"report_rate", u"4"},        {u"scroll_flag", u"9"},
      {u"liftoff_height", u"2"},     {u"sensor_flag", u"49"},
      {u"highspeed_mode", u"1"},     {u"button_respondtime", u"8"},
      {u"light_sleep", u"120"},      {u"deep_sleep", u"900"},
      {u"move_wakeup", u"7"},
  };
  for (const auto& change : changes) ASSERT_TRUE(store.SetConfigValue(1, change.key, change.value));
  ASSERT_TRUE(store.SetConfigValue(2, u"dpi_index", u"6"));  // another profile

  ProfileSettings settings = ProfileSettings::Read(store, 1);
  EXPECT_EQ(settings.dpiCount, 5);
  EXPECT_EQ(settings.dpiIndex, 3);
  EXPECT_EQ(settings.dpiStages, (std::array<int, 7>{400, 1200, 1600, 2400, 5000, 12000, 26000}));
  EXPECT_EQ(settings.reportRate, 4);
  EXPECT_EQ(settings.scroll, 9);
  EXPECT_EQ(settings.liftOff, 2);
  EXPECT_EQ(settings.sensor, 49);
  EXPECT_EQ(settings.highSpeed, 1);
  EXPECT_EQ(settings.buttonResponse, 8);
  EXPECT_EQ(settings.lightSleep, 120);
  EXPECT_EQ(settings.deepSleep, 900);
  EXPECT_EQ(settings.moveWakeup, 7);
}

TEST_F(ProfileSettingsTest, MissingAndJunkReadAsZero) {
  ASSERT_TRUE(store.SetConfigValue(1, u"report_rate", u"fast"));
  ProfileSettings settings = ProfileSettings::Read(store, 1);
  EXPECT_EQ(settings.reportRate, 0);
  EXPECT_EQ(settings.dpiCount, 7);  // the rest as stored

  ProfileSettings none = ProfileSettings::Read(store, 99);
  EXPECT_EQ(none.dpiCount, 0);
  EXPECT_EQ(none.dpiStages, (std::array<int, 7>{}));
  EXPECT_EQ(none.deepSleep, 0);
}
