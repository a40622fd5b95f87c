#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>
#include <vector>

#include "app/config/ConfigStore.h"
#include "app/config/Language.h"
#include "app/config/ProfileExchange.h"
#include "app/device/TaskCode.h"
#include "platform/Paths.h"
#include "tests/support/TempFolder.h"

using Nuvex::CString;
using TestSupport::ReadFile;
using TestSupport::TempFolder;
using TestSupport::WriteFile;
using Zorvane::ConfigStore;
using Zorvane::KeyAssignment;
using Zorvane::LightModeRecord;
using Zorvane::ProfileExchange;

namespace {

CString Value(ConfigStore& store, int profile, const char16_t* key) {
  CString value;
  store.GetConfigValue(profile, key, value);
  return value;
}

KeyAssignment Key(int profile, int code, int type, int value, int value2, const char16_t* desc) {
  KeyAssignment key;
  key.profile = profile;
  key.key_code = code;
  key.macro_type = type;
  key.macro_value = value;
  key.macro_value2 = value2;
  key.macro_desc = desc;
  return key;
}

std::string Keys(ConfigStore& store, int profile) {
  std::vector<KeyAssignment> keys;
  store.ListKeyAssignments(profile, keys);
  std::string text;
  for (const auto& k : keys)
    text += std::to_string(k.key_code) + ":" + std::to_string(k.macro_type) + "/" + std::to_string(k.macro_value) +
            "/" + std::to_string(k.macro_value2) + "/" + std::to_string(k.macro_value3) + "/" + k.macro_desc.ToUtf8() +
            " ";
  return text;
}

}  // namespace

class ProfileFiles : public testing::Test {
 protected:
  TempFolder data;
  ConfigStore store;
  std::vector<int> queued;
  std::function<void(int)> queue = [this](int code) { queued.push_back(code); };

  void SetUp() override {
    Zorvane::Language::SetLanguageId(1033);
    ASSERT_TRUE(Platform::CreateFolderTree(data / "db"));
    ASSERT_TRUE(store.OpenForDevice(data.Path(), u"model"));
    ASSERT_EQ(store.LoadProfiles(nullptr), 1);
  }
  void AddLights(int profile) {
    for (int mode = 0; mode < 3; ++mode) {
      LightModeRecord light;
      light.profile = profile;
      light.name = u"mode";
      light.mode = mode;
      light.brightness = 10 + mode;
      light.config_func = 77;
      ASSERT_NE(store.AddLightMode(light), 0);
    }
  }
};

TEST_F(ProfileFiles, ExportLayoutIsExact) {
  ASSERT_NE(store.SaveKeyAssignment(Key(1, 3, 2, 4, 1, u"Ctrl + A & <b>")), 0);
  std::string path = data / "profile.xml";
  ASSERT_TRUE(ProfileExchange(store, false).ExportProfile(1, path));
  EXPECT_EQ(ReadFile(path),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
            "<profile>\r\n"
            "<profileinfo name=\"Profile 1\">\r\n"
            "<keyitems>\r\n"
            "<item key_code=\"3\" macro_type=\"2\" macro_value=\"4\" macro_value2=\"1\" macro_value3=\"0\" "
            "macro_desc=\"Ctrl + A &amp; &lt;b&gt;\"/>\r\n"
            "</keyitems>\r\n"
            "<Mouse_DPI dpi_flag=\"5\" dpi_index=\"1\" dpi_count=\"7\">\r\n"
            "<DPI1 value=\"800\" color=\"255\"/>\r\n"
            "<DPI2 value=\"1200\" color=\"16776960\"/>\r\n"
            "<DPI3 value=\"1600\" color=\"65535\"/>\r\n"
            "<DPI4 value=\"2400\" color=\"13353215\"/>\r\n"
            "<DPI5 value=\"5000\" color=\"65280\"/>\r\n"
            "</Mouse_DPI>\r\n"
            "<Mouse>\r\n"
            "<button_respondtime value=\"1\"/>\r\n"
            "<report_rate value=\"2\"/>\r\n"
            "<sensor_flag value=\"53\"/>\r\n"
            "<liftoff_height value=\"1\"/>\r\n"
            "<scroll_flag value=\"1\"/>\r\n"
            "<e-sports_flag value=\"0\"/>\r\n"
            "<leftbtn_lock value=\"1\"/>\r\n"
            "</Mouse>\r\n"
            "</profileinfo>\r\n"
            "</profile>\r\n");
}

TEST_F(ProfileFiles, RoundTripRestoresEverySection) {
  AddLights(1);
  ASSERT_TRUE(store.SetActiveLightMode(1, 2));
  ASSERT_NE(store.SaveKeyAssignment(Key(1, 0, 2, 4, 1, u"Ctrl + A")), 0);
  ASSERT_NE(store.SaveKeyAssignment(Key(1, 5, 5, 3, 2, u"Macro")), 0);
  ASSERT_TRUE(store.SetConfigValue(1, u"dpi_group4_value", u"6400"));
  ASSERT_TRUE(store.SetConfigValue(1, u"highspeed_mode", u"1"));
  LightModeRecord light;
  ASSERT_TRUE(store.GetLightMode(1, 1, light));
  light.speed = 4;
  light.color_value = 0x123456;
  ASSERT_TRUE(store.UpdateLightMode(1, 1, light));
  std::string before = Keys(store, 1);
  std::string path = data / "profile.xml";
  ProfileExchange exchange(store, true);
  ASSERT_TRUE(exchange.ExportProfile(1, path));

  // Everything changed in between comes back from the file.
  ASSERT_NE(store.SaveKeyAssignment(Key(1, 7, 1, 2, 0, u"Middle")), 0);
  ASSERT_TRUE(store.SetConfigValue(1, u"dpi_group4_value", u"800"));
  ASSERT_TRUE(store.SetConfigValue(1, u"highspeed_mode", u"0"));
  ASSERT_TRUE(store.SetActiveLightMode(1, 0));
  ASSERT_TRUE(store.RenameProfile(1, u"Mine"));

  ASSERT_TRUE(exchange.ImportProfile(1, 101, path, queue));
  EXPECT_EQ(Keys(store, 1), before);
  EXPECT_EQ(Value(store, 1, u"dpi_group4_value"), u"6400");
  EXPECT_EQ(Value(store, 1, u"highspeed_mode"), u"1");
  EXPECT_EQ(store.GetActiveLightMode(1), 2);
  ASSERT_TRUE(store.GetLightMode(1, 1, light));
  EXPECT_EQ(light.speed, 4);
  EXPECT_EQ(light.color_value, 0x123456);
  EXPECT_EQ(light.config_func, 77);  // not carried, kept
  CString name;
  store.GetProfileName(1, name);
  EXPECT_EQ(name, u"Mine");  // the profile keeps its own name
  EXPECT_EQ(queued, std::vector<int>{Zorvane::kWriteAll});
}

TEST_F(ProfileFiles, ExportTakesEverySectionFromTheExportedProfile) {
  ASSERT_TRUE(store.SetConfigValue(2, u"dpi_count", u"3"));
  ASSERT_TRUE(store.SetConfigValue(1, u"dpi_count", u"6"));
  ASSERT_NE(store.SaveKeyAssignment(Key(2, 1, 8, 1, 0, u"Off")), 0);
  std::string path = data / "p2.xml";
  ASSERT_TRUE(ProfileExchange(store, false).ExportProfile(2, path));
  std::string text = ReadFile(path);
  EXPECT_NE(text.find("name=\"Profile 2\""), std::string::npos);
  EXPECT_NE(text.find("dpi_count=\"3\""), std::string::npos);
  EXPECT_NE(text.find("macro_desc=\"Off\""), std::string::npos);
}

TEST_F(ProfileFiles, ButtonsAreReplacedOnlyWhenTheFileCarriesThem) {
  ASSERT_NE(store.SaveKeyAssignment(Key(1, 2, 8, 1, 0, u"Off")), 0);
  ProfileExchange exchange(store, false);
  std::string path = data / "in.xml";

  WriteFile(path, "<profile><profileinfo name=\"x\"><Mouse_DPI dpi_count=\"4\"/></profileinfo></profile>");
  ASSERT_TRUE(exchange.ImportProfile(1, 101, path, queue));
  EXPECT_EQ(Keys(store, 1), "2:8/1/0/0/Off ");
  EXPECT_EQ(Value(store, 1, u"dpi_count"), u"4");

  WriteFile(path, "<profile><profileinfo><keyitems/></profileinfo></profile>");
  ASSERT_TRUE(exchange.ImportProfile(1, 101, path, queue));
  EXPECT_EQ(Keys(store, 1), "");  // an empty section: every button back to its default

  // An all-zero item only removes; items are stored in file order.
  WriteFile(path,
            "<profile><profileinfo><keyitems>"
            "<item key_code=\"1\" macro_type=\"1\" macro_value=\"0\" macro_value2=\"0\"/>"
            "<item key_code=\"4\" macro_type=\"8\" macro_value=\"1\" macro_desc=\"D\"/>"
            "</keyitems></profileinfo></profile>");
  ASSERT_TRUE(exchange.ImportProfile(1, 101, path, queue));
  EXPECT_EQ(Keys(store, 1), "4:8/1/0/0/D ");
}

TEST_F(ProfileFiles, ValuesTheProgramCouldNotHaveWrittenKeepTheStoredOnes) {
  struct Case {
    const char* attribute;  // in the file
    const char16_t* key;
    const char16_t* before;
    const char* written;
    const char16_t* after;
  } cases[] = {
      {"dpi_count", u"dpi_count", u"7", "3", u"3"},
      {"dpi_count", u"dpi_count", u"7", "0", u"7"},
      {"dpi_count", u"dpi_count", u"7", "8", u"7"},
      {"dpi_count", u"dpi_count", u"7", " 3", u"7"},
      {"dpi_index", u"dpi_index", u"1", "6", u"6"},
      {"dpi_index", u"dpi_index", u"1", "7", u"1"},  // beyond the 7 stages
      {"dpi_index", u"dpi_index", u"1", "-1", u"1"},
      {"dpi_flag", u"dpi_flag", u"5", "abc", u"abc"},  // not sent to the mouse: taken as written
  };
  ProfileExchange exchange(store, false);
  std::string path = data / "in.xml";
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.attribute) + "=" + c.written);
    ASSERT_TRUE(store.SetConfigValue(1, c.key, c.before));
    WriteFile(path, std::string("<profile><profileinfo><Mouse_DPI ") + c.attribute + "=\"" + c.written +
                        "\"/></profileinfo></profile>");
    ASSERT_TRUE(exchange.ImportProfile(1, 101, path, queue));
    EXPECT_EQ(Value(store, 1, c.key), c.after);
  }

  WriteFile(path,
            "<profile><profileinfo><Mouse_DPI>"
            "<DPI1 value=\"0\" color=\"255\"/><DPI2 value=\"70000\" color=\"-1\"/>"
            "<DPI3 value=\"50\" color=\"16777215\"/><DPI4 value=\"1200x\" color=\"16777216\"/>"
            "</Mouse_DPI><Mouse><report_rate value=\"9\"/><sensor_flag value=\"x\"/></Mouse>"
            "</profileinfo></profile>");
  ASSERT_TRUE(store.SetConfigValue(1, u"report_rate", u"2"));
  ASSERT_TRUE(exchange.ImportProfile(1, 101, path, queue));
  EXPECT_EQ(Value(store, 1, u"dpi_group0_value"), u"800");
  EXPECT_EQ(Value(store, 1, u"dpi_group0_rgb"), u"255");
  EXPECT_EQ(Value(store, 1, u"dpi_group1_value"), u"1200");
  EXPECT_EQ(Value(store, 1, u"dpi_group1_rgb"), u"16776960");
  EXPECT_EQ(Value(store, 1, u"dpi_group2_value"), u"50");
  EXPECT_EQ(Value(store, 1, u"dpi_group2_rgb"), u"16777215");
  EXPECT_EQ(Value(store, 1, u"dpi_group3_value"), u"2400");
  EXPECT_EQ(Value(store, 1, u"dpi_group3_rgb"), u"13353215");
  EXPECT_EQ(Value(store, 1, u"report_rate"), u"2");
  EXPECT_EQ(Value(store, 1, u"sensor_flag"), u"x");
}

TEST_F(ProfileFiles, LightingOnlyForModelsWithLightingAndOnlyForExistingModes) {
  AddLights(1);
  ASSERT_TRUE(store.SetActiveLightMode(1, 1));
  std::string path = data / "in.xml";
  WriteFile(path,
            "<profile><profileinfo><Lightitems lightmode=\"2\">"
            "<item light_mode=\"0\" brightness=\"99\"/><item light_mode=\"9\" brightness=\"98\"/>"
            "</Lightitems></profileinfo></profile>");

  ASSERT_TRUE(ProfileExchange(store, false).ImportProfile(1, 101, path, queue));
  EXPECT_EQ(store.GetActiveLightMode(1), 1);  // no lighting: the section is skipped

  ASSERT_TRUE(ProfileExchange(store, true).ImportProfile(1, 201, path, queue));
  EXPECT_EQ(store.GetActiveLightMode(1), 2);
  LightModeRecord light;
  ASSERT_TRUE(store.GetLightMode(1, 0, light));
  EXPECT_EQ(light.brightness, 99);
  EXPECT_EQ(store.CountLightModes(1), 3);  // mode 9 was not made up
  EXPECT_EQ(queued, (std::vector<int>{Zorvane::kWriteAll, Zorvane::kLightingImported}));
}

TEST_F(ProfileFiles, UnreadableFilesChangeNothing) {
  ASSERT_NE(store.SaveKeyAssignment(Key(1, 2, 8, 1, 0, u"Off")), 0);
  ProfileExchange exchange(store, true);
  std::string path = data / "in.xml";
  EXPECT_FALSE(exchange.ImportProfile(1, 101, data / "missing.xml", queue));
  for (const char* content : {"", "<profile><keyitems/>", "<macro/>", "<profile/><profile/>", "\xff\xfe<\0p"}) {
    WriteFile(path, content);
    EXPECT_FALSE(exchange.ImportProfile(1, 101, path, queue)) << content;
  }
  EXPECT_EQ(Keys(store, 1), "2:8/1/0/0/Off ");
  EXPECT_TRUE(queued.empty());
}

TEST_F(ProfileFiles, AFailureHalfWayLeavesTheProfileAsItWas) {
  ASSERT_NE(store.SaveKeyAssignment(Key(1, 2, 8, 1, 0, u"Off")), 0);
  // Make the last write of the import fail, after buttons and DPI are done.
  sqlite3* raw = nullptr;
  ASSERT_EQ(sqlite3_open(store.OpenPath().c_str(), &raw), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(raw,
                         "CREATE TRIGGER refuse BEFORE UPDATE ON t_configdata WHEN NEW.value = 'refuse' "
                         "BEGIN SELECT RAISE(ABORT, 'refused'); END;",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
  sqlite3_close(raw);

  std::string path = data / "in.xml";
  WriteFile(path,
            "<profile><profileinfo><keyitems><item key_code=\"6\" macro_type=\"8\" macro_value=\"1\"/></keyitems>"
            "<Mouse_DPI dpi_count=\"2\"/><Mouse><leftbtn_lock value=\"refuse\"/></Mouse></profileinfo></profile>");
  EXPECT_FALSE(ProfileExchange(store, false).ImportProfile(1, 101, path, queue));
  EXPECT_EQ(Keys(store, 1), "2:8/1/0/0/Off ");
  EXPECT_EQ(Value(store, 1, u"dpi_count"), u"7");
  EXPECT_EQ(Value(store, 1, u"leftbtn_lock"), u"1");
  EXPECT_TRUE(queued.empty());
  // The store goes on working after the undone import.
  EXPECT_TRUE(store.SetConfigValue(1, u"dpi_count", u"5"));
  EXPECT_EQ(Value(store, 1, u"dpi_count"), u"5");
}
