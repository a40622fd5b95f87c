#include <gtest/gtest.h>

#include "app/config/RegistrySettings.h"
#include "app/shell/Startup.h"
#include "platform/IniFile.h"
#include "tests/support/TempFolder.h"

using TestSupport::ScopedEnv;
using TestSupport::TempFolder;
using Zorvane::RegistrySettings;
using Zorvane::Startup;

TEST(Startup, DpiAwarenessDecision) {
  struct Case {
    int width, height, dpi;
    bool aware;
  } cases[] = {
      {1920, 1080, 96, false},  {1920, 1080, 120, false}, {1920, 1080, 0, false},   {1920, 1080, 144, true},
      {1920, 1080, 168, true},  {1920, 1080, 192, true},  {1920, 1080, 240, false}, {2560, 1440, 144, false},
      {1920, 1200, 144, false}, {1366, 768, 96, true},    {1399, 900, 96, true},    {1400, 788, 96, false},
      {1600, 787, 96, true},    {3840, 2160, 192, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " @" << c.dpi);
    EXPECT_EQ(Startup::ShouldBeDpiAware(c.width, c.height, c.dpi), c.aware);
  }
}

TEST(Startup, LanguageFromLocale) {
  struct Case {
    const char* locale;
    int id;
  } cases[] = {
      {"zh_CN.UTF-8", 2052},
      {"zh_CN", 2052},
      {"zh_TW.UTF-8", 1028},
      {"zh_HK", 1028},
      {"ja_JP.UTF-8", 1041},
      {"ja", 1041},
      {"ru_RU.KOI8-R", 1049},
      {"ru_UA@euro", 1049},
      {"en_US.UTF-8", 1033},
      {"de_DE", 1033},
      {"C", 1033},
      {"POSIX", 1033},
      {"", 1033},
      {"zh_SG.UTF-8", 1033},
      {"jav_ID", 1033},
      {"zh_CNX", 1033},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.locale);
    EXPECT_EQ(Startup::LanguageIdFromLocale(c.locale), c.id);
  }
}

class RunLanguage : public testing::Test {
 protected:
  TempFolder temp;
  ScopedEnv config{"XDG_CONFIG_HOME", temp.Path().c_str()};
  ScopedEnv all{"LC_ALL", nullptr};
  ScopedEnv messages{"LC_MESSAGES", nullptr};
  ScopedEnv lang{"LANG", nullptr};

  std::optional<std::string> StoredLcid() {
    return Platform::IniFile(RegistrySettings::SettingsPath()).Read("Settings", "LCID");
  }
};

TEST_F(RunLanguage, FirstStartUsesTheLocaleAndStoresEnglishForOthers) {
  setenv("LANG", "ja_JP.UTF-8", 1);
  EXPECT_EQ(Startup::ChooseRunLanguage(), 1041);
  EXPECT_EQ(StoredLcid(), "1033");
  // The stored value wins from now on.
  EXPECT_EQ(Startup::ChooseRunLanguage(), 1033);
}

TEST_F(RunLanguage, ChineseLocaleIsStoredAsChinese) {
  setenv("LANG", "en_US.UTF-8", 1);
  setenv("LC_ALL", "zh_CN.UTF-8", 1);  // LC_ALL overrides LANG
  EXPECT_EQ(Startup::ChooseRunLanguage(), 2052);
  EXPECT_EQ(StoredLcid(), "2052");
}

TEST_F(RunLanguage, StoredValueIsUsedAsItStands) {
  ASSERT_EQ(RegistrySettings::ReadLanguageId(), 0);  // creates the file
  RegistrySettings::WriteLanguageId(1049);
  setenv("LANG", "zh_CN.UTF-8", 1);
  EXPECT_EQ(Startup::ChooseRunLanguage(), 1049);
  EXPECT_EQ(StoredLcid(), "1033");
}

TEST(Startup, AutorunIsAPlainSubstringOfTheCommandLine) {
  const char* plain[] = {"zorvane"};
  const char* autorun[] = {"zorvane", "-autorun"};
  const char* inside[] = {"zorvane", "--x", "foo-autorunbar"};
  const char* other[] = {"zorvane", "-auto", "run"};
  EXPECT_FALSE(Startup::IsAutorun(Startup::CommandLine(1, plain)));
  EXPECT_TRUE(Startup::IsAutorun(Startup::CommandLine(2, autorun)));
  EXPECT_TRUE(Startup::IsAutorun(Startup::CommandLine(3, inside)));
  EXPECT_FALSE(Startup::IsAutorun(Startup::CommandLine(3, other)));
  EXPECT_EQ(Startup::CommandLine(3, other), "-auto run");
}

TEST(Startup, FoldersDeriveFromTheDeviceName) {
  ScopedEnv data("XDG_DATA_HOME", "/home/u/.local/share");
  ScopedEnv runtime("XDG_RUNTIME_DIR", "/run/user/7");
  EXPECT_EQ(Startup::DataFolder(), "/home/u/.local/share/Zorvane Files");
  EXPECT_EQ(Startup::DatabaseFolder(), "/home/u/.local/share/Zorvane Files/db");
  EXPECT_EQ(Startup::InstanceLockPath(), "/run/user/7/Zorvane.lock");
  ScopedEnv noRuntime("XDG_RUNTIME_DIR", nullptr);
  EXPECT_EQ(Startup::InstanceLockPath(), "/home/u/.local/share/Zorvane Files/Zorvane.lock");
}

TEST(Startup, SimulatorByArgumentOrEnvironment) {
  const char* plain[] = {"zorvane", "-autorun"};
  const char* flag[] = {"zorvane", "--simulate"};
  const char* inside[] = {"zorvane", "x--simulatey"};
  ScopedEnv unset("ZORVANE_SIMULATE", nullptr);
  EXPECT_FALSE(Startup::WantsSimulator(2, plain));
  EXPECT_TRUE(Startup::WantsSimulator(2, flag));
  EXPECT_FALSE(Startup::WantsSimulator(2, inside));  // an argument, not a substring
  for (const char* value : {"1", "yes"}) {
    ScopedEnv set("ZORVANE_SIMULATE", value);
    EXPECT_TRUE(Startup::WantsSimulator(2, plain)) << value;
  }
  for (const char* value : {"", "0"}) {
    ScopedEnv set("ZORVANE_SIMULATE", value);
    EXPECT_FALSE(Startup::WantsSimulator(2, plain)) << value;
  }
}
