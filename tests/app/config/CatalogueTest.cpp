#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/config/Catalogue.h"
#include "app/config/ConfigStore.h"
#include "app/config/Language.h"
#include "app/config/RegistrySettings.h"
#include "platform/Paths.h"
#include "tests/support/TempFolder.h"

using Nuvex::CString;
using TestSupport::ScopedEnv;
using TestSupport::TempFolder;
using TestSupport::WriteFile;
using Zorvane::Catalogue;
using Zorvane::CatalogueHost;
using Zorvane::ConfigStore;
using Zorvane::RegistrySettings;
using Zorvane::SupportedDevice;

namespace {

// Writes down every call, one line each, in order.
class RecordingHost : public CatalogueHost {
 public:
  std::vector<std::string> calls;

  void ClearDeviceList() override { calls.push_back("ClearDeviceList"); }
  void AddDeviceToList(const CString& name, int type, const CString& image) override {
    calls.push_back("AddDeviceToList " + name.ToUtf8() + " " + std::to_string(type) + " " + image.ToUtf8());
  }
  void SetVersionLabel(const CString& text) override { calls.push_back("SetVersionLabel " + text.ToUtf8()); }
  void DisableInputMethod() override { calls.push_back("DisableInputMethod"); }
  void ShowMousePicture(const CString& image) override { calls.push_back("ShowMousePicture " + image.ToUtf8()); }
  void ShowLightingTab(bool show) override { calls.push_back(std::string("ShowLightingTab ") + (show ? "1" : "0")); }
  void ClearButtonLabels() override { calls.push_back("ClearButtonLabels"); }
  void AddButtonLabel(const CString& label, int key, int direction, Nuvex::CPoint a, Nuvex::CPoint b) override {
    calls.push_back("AddButtonLabel " + label.ToUtf8() + " " + std::to_string(key) + " " + std::to_string(direction) +
                    " (" + std::to_string(a.x) + "," + std::to_string(a.y) + ") (" + std::to_string(b.x) + "," +
                    std::to_string(b.y) + ")");
  }
  void SelectFirstButtonLabel() override { calls.push_back("SelectFirstButtonLabel"); }
  void ClearSupportedDevices() override { calls.push_back("ClearSupportedDevices"); }
  void RegisterSupported(const SupportedDevice& d) override {
    calls.push_back("RegisterSupported " + std::to_string(d.vendorId) + " " + std::to_string(d.productId) + " " +
                    std::to_string(d.deviceType) + " " + std::to_string(d.mode));
  }
  void RegisterDeviceNotifications() override { calls.push_back("RegisterDeviceNotifications"); }
  void UpdateConnectionState() override { calls.push_back("UpdateConnectionState"); }

  bool Called(const std::string& prefix) const {
    for (const std::string& call : calls)
      if (call.rfind(prefix, 0) == 0) return true;
    return false;
  }
};

constexpr char kTwoModels[] = R"xml(<?xml version="1.0" encoding="UTF-8"?>
<config>
<device>
<mouse name="Alpha" device_type="101" device_attr="alpha" image="a.png">
<mode value="0" desc="Wired" vid="0x1209" pid="0x00aB" hid_interface="MI_01"/>
<mode value="1" desc="2.4G" vid="1209" pid="2" hid_interface="MI_02"/>
</mouse>
<mouse name="Beta" device_type="150" device_attr="beta" image="b.png"/>
<mouse name="Gamma" device_type="150" device_attr="gamma" image="c.png"/>
</device>
<software caption="Caption" version="2.3.4">
<website url="https://w.example/"/>
<upgrade url="https://u.example/"/>
<copyright info="(c)"/>
</software>
</config>
)xml";

}  // namespace

class CatalogueFixture : public testing::Test {
 protected:
  TempFolder program;
  TempFolder data;
  TempFolder config;
  ScopedEnv configHome{"XDG_CONFIG_HOME", config.Path().c_str()};
  ConfigStore store;
  Catalogue catalogue{program.Path(), data.Path(), store};
  RecordingHost host;

  void SetUp() override {
    ASSERT_TRUE(Platform::CreateFolderTree(program / "device"));
    ASSERT_TRUE(Platform::CreateFolderTree(data / "db"));
    RegistrySettings::ReadSettingInt("exit_mode");  // a first start's settings file
    Zorvane::Language::SetLanguageId(1033);
  }
  void DeviceFile(const std::string& key, const std::string& body) {
    WriteFile(program / ("device/" + key + ".xml"), "<?xml version=\"1.0\"?>\n<mouse>\n" + body + "</mouse>\n");
  }
};

TEST_F(CatalogueFixture, ReadsModelsModesAndSoftwareInOrder) {
  WriteFile(program / "config.xml", kTwoModels);
  catalogue.LoadCatalogue(host);

  ASSERT_EQ(catalogue.Models().size(), 3u);
  auto modes = catalogue.Modes();
  ASSERT_EQ(modes.size(), 2u);
  EXPECT_EQ(modes[0].name, u"Alpha");
  EXPECT_EQ(modes[0].vendorId, 0x1209);  // with and without 0x alike
  EXPECT_EQ(modes[1].vendorId, 0x1209);
  EXPECT_EQ(modes[0].productId, 0xAB);
  EXPECT_EQ(modes[1].hidInterface, u"MI_02");
  EXPECT_EQ(modes[1].modeValue, 1);
  EXPECT_EQ(modes[1].runtimeIndex, -1);
  EXPECT_EQ(modes[0].imagePath, CString::FromUtf8(program.Path()) + u"/skins/theme1\\device\\a.png");

  auto software = catalogue.Software();
  EXPECT_EQ(software.version, u"2.3.4");
  EXPECT_EQ(software.website, u"https://w.example/");
  EXPECT_EQ(software.store, u"");  // absent, and the search goes on after it
  EXPECT_EQ(software.upgrade, u"https://u.example/");
  EXPECT_EQ(software.copyright, u"(c)");

  // The order of the steps as the window and the device layer see them.
  std::vector<std::string> expected = {
      "ClearDeviceList",
      "ClearSupportedDevices",
      "AddDeviceToList Alpha 101 " + program.Path() + "/skins/theme1\\device\\a.png",
      "RegisterSupported 4617 171 101 0",
      "RegisterSupported 4617 2 101 1",
      "AddDeviceToList Beta 150 " + program.Path() + "/skins/theme1\\device\\b.png",
      "AddDeviceToList Gamma 150 " + program.Path() + "/skins/theme1\\device\\c.png",
      "SetVersionLabel Version: v2.3.4",
      "DisableInputMethod",
      "RegisterDeviceNotifications",
      "UpdateConnectionState",
  };
  EXPECT_EQ(host.calls, expected);             // no device file: the model part shows nothing
  EXPECT_EQ(catalogue.ModelName(), u"Alpha");  // no stored type: 101
  EXPECT_EQ(catalogue.DeviceType(), 101);
  EXPECT_EQ(store.OpenPath(), data.Path() + "/db/alpha_data.db");
  EXPECT_EQ(store.GetDeviceType(), 101);
}

TEST_F(CatalogueFixture, SameDeviceTypeTwiceUsesTheFirstModel) {
  WriteFile(program / "config.xml", kTwoModels);
  RegistrySettings::WriteDeviceType(150);
  catalogue.LoadCatalogue(host);
  EXPECT_EQ(catalogue.ModelName(), u"Beta");
  EXPECT_EQ(catalogue.ModelKey(), u"beta");
  EXPECT_EQ(store.OpenPath(), data.Path() + "/db/beta_data.db");
}

TEST_F(CatalogueFixture, MissingOrMalformedCatalogueLeavesEverythingEmpty) {
  for (const std::string& content : {std::string(), std::string("<config><device>"), std::string("<a/><b/>"),
                                     std::string(200000, '<'), std::string("<config>") + std::string(300000, 'x')}) {
    SCOPED_TRACE(content.substr(0, 40));
    WriteFile(program / "config.xml", content);
    RecordingHost fresh;
    catalogue.LoadCatalogue(fresh);
    EXPECT_FALSE(fresh.Called("AddDeviceToList"));
    EXPECT_FALSE(fresh.Called("RegisterSupported"));
    EXPECT_TRUE(fresh.Called("UpdateConnectionState"));
    EXPECT_TRUE(catalogue.Modes().empty());
    EXPECT_EQ(catalogue.ModelKey(), u"");
    EXPECT_EQ(store.OpenPath(), data.Path() + "/db/_data.db");
  }
}

TEST_F(CatalogueFixture, EntitiesOfADocumentTypeNeverExpand) {
  WriteFile(program / "config.xml",
            "<?xml version=\"1.0\"?><!DOCTYPE lol [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b "
            "\"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">]><config><device><mouse name=\"&b;\" device_type=\"7\"/>"
            "</device></config>");
  catalogue.LoadCatalogue(host);
  auto models = catalogue.Models();
  ASSERT_EQ(models.size(), 1u);
  EXPECT_EQ(models[0].name, u"&b;");
}

TEST_F(CatalogueFixture, DeviceFileGivesPictureLightingAndDefaultKeys) {
  WriteFile(program / "config.xml", kTwoModels);
  DeviceFile("alpha",
             "<image_file mouse_img=\"top.png\"/>\n<menu light=\"0\"/>\n<mouse_key>\n"
             "<key name=\"106\" key_value=\"0\" direction=\"0\" rect=\"10#200#55\" func_desc=\"150\" func_type=\"1\" "
             "func_value=\"1\"/>\n"
             "<key name=\"107\" key_value=\"1\" direction=\"1\" rect=\"7\" func_desc=\"151\" func_type=\"1\" "
             "func_value=\"3\"/>\n</mouse_key>\n");
  catalogue.LoadCatalogue(host);

  EXPECT_TRUE(host.Called("ShowMousePicture device\\top.png"));
  EXPECT_TRUE(host.Called("ShowLightingTab 0"));
  EXPECT_FALSE(catalogue.HasLighting());
  EXPECT_TRUE(host.Called("AddButtonLabel Left button 0 0 (10,55) (200,55)"));
  EXPECT_TRUE(host.Called("AddButtonLabel Right button 1 1 (0,7) (0,7)"));
  EXPECT_EQ(host.calls.back(), "UpdateConnectionState");

  auto keys = catalogue.DefaultKeys();
  ASSERT_EQ(keys.size(), 2u);
  EXPECT_EQ(keys[1].key_code, 1);
  EXPECT_EQ(keys[1].layout_value, 1);
  EXPECT_EQ(keys[1].layout_desc, u"107");
  EXPECT_EQ(keys[1].macro_type, 1);
  EXPECT_EQ(keys[1].macro_value, 3);
  EXPECT_EQ(keys[1].macro_value2, 0);
  EXPECT_EQ(keys[1].macro_desc, u"151");
}

TEST_F(CatalogueFixture, ElementsAreSearchedInOrder) {
  WriteFile(program / "config.xml", kTwoModels);
  // menu before image_file: the search for menu starts after image_file.
  DeviceFile("alpha", "<menu light=\"0\"/>\n<image_file mouse_img=\"top.png\"/>\n");
  catalogue.LoadCatalogue(host);
  EXPECT_TRUE(host.Called("ShowMousePicture"));
  EXPECT_FALSE(host.Called("ShowLightingTab"));
  EXPECT_TRUE(catalogue.HasLighting());
}

TEST_F(CatalogueFixture, BrokenDeviceFileKeepsThePreviousModelsParts) {
  WriteFile(program / "config.xml", kTwoModels);
  DeviceFile("alpha",
             "<menu light=\"1\"/>\n<mouse_key>\n<key name=\"106\" key_value=\"0\" rect=\"1#2#3\" func_type=\"1\" "
             "func_value=\"1\"/>\n</mouse_key>\n");
  WriteFile(program / "device/beta.xml", "<mouse><menu light=\"0\"></mouse>");  // malformed
  catalogue.LoadCatalogue(host);
  ASSERT_EQ(catalogue.DefaultKeys().size(), 1u);

  RegistrySettings::WriteDeviceType(150);
  RecordingHost second;
  catalogue.LoadModel(second);
  EXPECT_TRUE(second.calls.empty());
  EXPECT_EQ(catalogue.DefaultKeys().size(), 1u);
  EXPECT_TRUE(catalogue.HasLighting());
  // The new model's database is open all the same.
  EXPECT_EQ(store.OpenPath(), data.Path() + "/db/beta_data.db");
  EXPECT_EQ(catalogue.ModelName(), u"Beta");
}

TEST(CatalogueParsing, RectAndHexNumbers) {
  struct RectCase {
    const char16_t* text;
    int a, b, c;
  } rects[] = {
      {u"10#200#55", 10, 200, 55}, {u"10#200", 10, 0, 200}, {u"55", 0, 0, 55}, {u"", 0, 0, 0},
      {u"#5#6", 0, 5, 6},          {u"1#2#3#4", 1, 2, 3},
  };
  for (const RectCase& r : rects) {
    int a = -1, b = -1, c = -1;
    Catalogue::ParseRect(r.text, a, b, c);
    EXPECT_EQ(std::vector<int>({a, b, c}), std::vector<int>({r.a, r.b, r.c})) << CString(r.text).ToUtf8();
  }
  struct HexCase {
    const char16_t* text;
    int value;
  } hexes[] = {{u"0x1209", 0x1209}, {u"1209", 0x1209}, {u"0X00aB", 0xAB}, {u"", 0},
               {u"zz", 0},          {u"12zz", 0x12},   {u"0x", 0},        {u"FFFFFFFFFF", 0x7FFFFFFF}};
  for (const HexCase& h : hexes) EXPECT_EQ(Catalogue::ParseHex(h.text), h.value) << CString(h.text).ToUtf8();
}

TEST(CatalogueShipped, LoadsTheProgramsOwnFiles) {
  TempFolder data, config;
  ScopedEnv configHome("XDG_CONFIG_HOME", config.Path().c_str());
  ASSERT_TRUE(Platform::CreateFolderTree(data / "db"));
  ConfigStore store;
  Catalogue catalogue(Platform::ProgramFolder(), data.Path(), store);
  RecordingHost host;
  catalogue.LoadCatalogue(host);

  auto models = catalogue.Models();
  ASSERT_GE(models.size(), 2u);
  bool withLighting = false, withoutLighting = false;
  for (const auto& model : models) {
    RegistrySettings::ReadSettingInt("exit_mode");
    RegistrySettings::WriteDeviceType(model.deviceType);
    RecordingHost modelHost;
    catalogue.LoadModel(modelHost);
    SCOPED_TRACE(model.modelKey.ToUtf8());
    EXPECT_TRUE(modelHost.Called("ShowMousePicture device\\"));
    (catalogue.HasLighting() ? withLighting : withoutLighting) = true;
    auto keys = catalogue.DefaultKeys();
    ASSERT_EQ(keys.size(), 9u);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(keys[i].key_code, i);
  }
  EXPECT_TRUE(withLighting);
  EXPECT_TRUE(withoutLighting);
  for (const auto& mode : catalogue.Modes()) EXPECT_EQ(mode.vendorId, 0x1209);  // the test vendor only
}
