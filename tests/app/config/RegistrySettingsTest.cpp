#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/config/RegistrySettings.h"
#include "platform/Paths.h"
#include "tests/support/TempFolder.h"
#include "tests/support/Unprivileged.h"

using TestSupport::ReadFile;
using TestSupport::ScopedEnv;
using TestSupport::TempFolder;
using TestSupport::WriteFile;
using Zorvane::RegistrySettings;

class Settings : public testing::Test {
 protected:
  TempFolder temp;
  ScopedEnv config{"XDG_CONFIG_HOME", temp.Path().c_str()};
  std::string path = temp / "Zorvane/settings.ini";

  void Seed(const std::string& content) {
    ASSERT_TRUE(Platform::CreateFolderTree(temp / "Zorvane"));
    WriteFile(path, content);
  }
};

TEST_F(Settings, LivesInTheConfigFolderUnderTheDeviceName) {
  EXPECT_EQ(RegistrySettings::SettingsPath(), path);
}

TEST_F(Settings, FirstReadCreatesTheFileAndWritesNeverDo) {
  RegistrySettings::WriteSettingText("exit_mode", u"1");
  RegistrySettings::WriteDeviceType(105);
  EXPECT_FALSE(Platform::IsFile(path));
  EXPECT_EQ(RegistrySettings::ReadDeviceType(), 0);  // does not create it either
  EXPECT_FALSE(Platform::IsFile(path));

  EXPECT_EQ(RegistrySettings::ReadSettingInt("exit_mode"), 0);
  EXPECT_TRUE(Platform::IsFile(path));
  RegistrySettings::WriteSettingText("exit_mode", u"1");
  EXPECT_EQ(RegistrySettings::ReadSettingInt("exit_mode"), 1);
}

TEST_F(Settings, EveryValueRoundTrips) {
  ASSERT_EQ(RegistrySettings::ReadLanguageId(), 0);
  RegistrySettings::WriteLanguageId(2052);
  RegistrySettings::WriteDeviceType(201);
  RegistrySettings::WriteSettingText("autorun_minimize", u"1");
  RegistrySettings::WriteSettingText("exit_mode", u"0");
  EXPECT_EQ(RegistrySettings::ReadLanguageId(), 2052);
  EXPECT_EQ(RegistrySettings::ReadDeviceType(), 201);
  EXPECT_EQ(RegistrySettings::ReadSettingInt("autorun_minimize"), 1);
  EXPECT_EQ(RegistrySettings::ReadSettingInt("exit_mode"), 0);
  EXPECT_EQ(ReadFile(path), "[Settings]\nLCID=2052\nDeviceType=201\nautorun_minimize=1\nexit_mode=0\n");
}

TEST_F(Settings, ValuesReadAsNumbersTheWayTheProgramReadsAllNumbers) {
  struct Case {
    const char* stored;
    int read;
  } cases[] = {
      {"  42", 42},        {"-7x", -7}, {"abc", 0}, {"", 0}, {"99999999999", 2147483647},
      {"\xff\xfe\x31", 0},  // not UTF-8: the replacement character is not a digit
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored);
    Seed(std::string("[Settings]\nexit_mode=") + c.stored + "\n");
    EXPECT_EQ(RegistrySettings::ReadSettingInt("exit_mode"), c.read);
  }
}

TEST_F(Settings, ValueBeyondTheClassicBufferIsNotRead) {
  Seed("[Settings]\nDeviceType=" + std::string(126, '1').replace(0, 3, "101") + "\n");
  EXPECT_NE(RegistrySettings::ReadDeviceType(), 0);  // 126 characters still fit
  Seed("[Settings]\nDeviceType=101" + std::string(124, ' ') + "\n");
  EXPECT_EQ(RegistrySettings::ReadDeviceType(), 0);  // 127 do not
}

TEST_F(Settings, MalformedFileReadsAsAbsentAndSurvivesAWrite) {
  std::string junk("\x00\x01\x02garbage\xff\n", 12);
  std::string original = junk + "exit_mode=1\n[Other]\nLCID=1049\n" + std::string(70000, 'z') + "\n";
  Seed(original);
  EXPECT_EQ(RegistrySettings::ReadSettingInt("exit_mode"), 0);  // before any section
  EXPECT_EQ(RegistrySettings::ReadLanguageId(), 0);             // another section's value

  RegistrySettings::WriteLanguageId(1033);
  EXPECT_EQ(RegistrySettings::ReadLanguageId(), 1033);
  std::string now = ReadFile(path);
  ASSERT_GE(now.size(), original.size());
  EXPECT_EQ(now.substr(0, original.size()), original);
}

TEST(SettingsWithoutPrivileges, LanguageIsChineseWhenTheFileCannotBeOpenedOrMade) {
  TestSupport::RunWithoutPrivileges([] {
    TempFolder temp;
    ScopedEnv config{"XDG_CONFIG_HOME", temp.Path().c_str()};
    std::string path = temp / "Zorvane/settings.ini";
    ASSERT_TRUE(Platform::CreateFolderTree(temp / "Zorvane"));

    WriteFile(path, "[Settings]\nLCID=1033\n");
    ASSERT_EQ(chmod(path.c_str(), 0), 0);
    EXPECT_EQ(RegistrySettings::ReadLanguageId(), 2052);
    EXPECT_EQ(RegistrySettings::ReadSettingInt("LCID"), 0);  // other values simply read 0

    ASSERT_EQ(unlink(path.c_str()), 0);
    ASSERT_EQ(chmod((temp / "Zorvane").c_str(), 0500), 0);  // the file cannot be made
    EXPECT_EQ(RegistrySettings::ReadLanguageId(), 2052);
    EXPECT_EQ(RegistrySettings::ReadSettingInt("exit_mode"), 0);
    chmod((temp / "Zorvane").c_str(), 0700);
  });
}
