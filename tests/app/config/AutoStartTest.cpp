#include <gtest/gtest.h>

#include "app/config/AutoStart.h"
#include "app/config/RegistrySettings.h"
#include "platform/Paths.h"
#include "tests/support/TempFolder.h"

using TestSupport::ReadFile;
using TestSupport::ScopedEnv;
using TestSupport::TempFolder;
using Zorvane::AutoStart;
using Zorvane::RegistrySettings;

namespace {

std::string ExecLine(const std::string& entry) {
  std::size_t start = entry.find("\nExec=");
  if (start == std::string::npos) return {};
  start += 6;
  return entry.substr(start, entry.find('\n', start) - start);
}

}  // namespace

class AutoStartEntry : public testing::Test {
 protected:
  TempFolder temp;
  ScopedEnv config{"XDG_CONFIG_HOME", temp.Path().c_str()};
  std::string entry = temp / "autostart/Zorvane.desktop";
  std::string quotedProgram = "\"" + Platform::ProgramFolder() + "/zorvane\"";

  void SetUp() override { RegistrySettings::ReadSettingInt("autorun_minimize"); }  // the first start's file
};

TEST_F(AutoStartEntry, NamesTheInstalledProgramQuoted) {
  EXPECT_EQ(AutoStart::EntryPath(), entry);
  EXPECT_EQ(AutoStart::ProgramPath(), Platform::ProgramFolder() + "/zorvane");
  ASSERT_TRUE(AutoStart::SetAutoStart(true, true));
  std::string content = ReadFile(entry);
  EXPECT_EQ(content.rfind("[Desktop Entry]\n", 0), 0u);
  EXPECT_NE(content.find("\nType=Application\n"), std::string::npos);
  EXPECT_NE(content.find("\nName=Zorvane\n"), std::string::npos);
  EXPECT_EQ(ExecLine(content), quotedProgram + " -autorun");
}

TEST_F(AutoStartEntry, TheFourSwitches) {
  EXPECT_FALSE(AutoStart::IsOn());

  AutoStart::SwitchAutoStart(true);
  EXPECT_TRUE(AutoStart::IsOn());
  EXPECT_EQ(ExecLine(ReadFile(entry)), quotedProgram);
  EXPECT_EQ(RegistrySettings::ReadSettingInt("autorun_minimize"), 0);

  AutoStart::SwitchStartMinimised(true);
  EXPECT_EQ(ExecLine(ReadFile(entry)), quotedProgram + " -autorun");
  EXPECT_EQ(RegistrySettings::ReadSettingInt("autorun_minimize"), 1);

  AutoStart::SwitchStartMinimised(false);
  EXPECT_EQ(ExecLine(ReadFile(entry)), quotedProgram);
  EXPECT_EQ(RegistrySettings::ReadSettingInt("autorun_minimize"), 0);

  AutoStart::SwitchStartMinimised(true);
  AutoStart::SwitchAutoStart(false);  // also clears the minimised option
  EXPECT_FALSE(AutoStart::IsOn());
  EXPECT_FALSE(Platform::IsFile(entry));
  EXPECT_EQ(RegistrySettings::ReadSettingInt("autorun_minimize"), 0);

  AutoStart::SwitchAutoStart(false);  // switching off twice is harmless
  EXPECT_FALSE(AutoStart::IsOn());
}

TEST_F(AutoStartEntry, SwitchingOnKeepsTheMinimisedOptionAsItIs) {
  RegistrySettings::WriteSettingText("autorun_minimize", u"1");
  AutoStart::SwitchAutoStart(true);
  EXPECT_EQ(RegistrySettings::ReadSettingInt("autorun_minimize"), 1);
  EXPECT_EQ(ExecLine(ReadFile(entry)), quotedProgram);
}
