#include "app/config/ProfileExchange.h"

#include <vector>

#include "app/config/ConfigStore.h"
#include "app/device/TaskCode.h"
#include "app/xml/XmlDocument.h"
#include "platform/Paths.h"
#include "toolkit/core/WideAtoi.h"

namespace Zorvane {

using Nuvex::CString;
using Nuvex::WideAtoi;

namespace {

constexpr char16_t kDeclaration[] = u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";
constexpr int kStagesInFile = 5;
constexpr int kMaxStages = 7;
constexpr int kMinDpi = 50;
constexpr int kMaxDpi = 24000;
constexpr int kMaxColour = 0xFFFFFF;
constexpr int kMaxReportRate = 3;  // 125, 250, 500, 1000 Hz
constexpr int kMaxDeviceTypeWithWrite = 200;

// The performance section: element name and the key it carries.
struct PerformanceKey {
  const char16_t* element;
  const char16_t* key;
};
constexpr PerformanceKey kPerformanceKeys[] = {
    {u"button_respondtime", u"button_respondtime"},
    {u"report_rate", u"report_rate"},
    {u"sensor_flag", u"sensor_flag"},
    {u"liftoff_height", u"liftoff_height"},
    {u"scroll_flag", u"scroll_flag"},
    {u"e-sports_flag", u"highspeed_mode"},  // the file's name differs from the key
    {u"leftbtn_lock", u"leftbtn_lock"},
};

CString Number(int value) {
  return CString().Format(u"%d", value);
}

CString StageKey(int stage, const char16_t* what) {
  return CString().Format(u"dpi_group%d_%s", stage, what);
}

CString DpiElement(int stage) {
  return CString().Format(u"DPI%d", stage + 1);
}

}  // namespace

bool ProfileExchange::IsCanonicalNumber(const CString& text, int min, int max) {
  int value = WideAtoi(text);
  return value >= min && value <= max && text == Number(value);
}

bool ProfileExchange::ExportProfile(int profile, const std::string& path) {
  auto config = [&](const CString& key) {
    CString value;
    store_.GetConfigValue(profile, key, value);  // a key without a row is written empty
    return value;
  };
  CString name;
  store_.GetProfileName(profile, name);

  XmlDocument xml;
  xml.SetDocumentText(kDeclaration);  // a bare declaration is not a whole document; the root follows
  xml.AddElement(u"profile");
  xml.EnterElement();
  xml.AddElement(u"profileinfo");
  xml.SetAttribute(u"name", name);
  xml.EnterElement();

  xml.AddElement(u"keyitems");
  xml.EnterElement();
  std::vector<KeyAssignment> keys;
  store_.ListKeyAssignments(profile, keys);
  for (const KeyAssignment& key : keys) {
    xml.AddElement(u"item");
    xml.SetAttribute(u"key_code", Number(key.key_code));
    xml.SetAttribute(u"macro_type", Number(key.macro_type));
    xml.SetAttribute(u"macro_value", Number(key.macro_value));
    xml.SetAttribute(u"macro_value2", Number(key.macro_value2));
    xml.SetAttribute(u"macro_value3", Number(key.macro_value3));
    xml.SetAttribute(u"macro_desc", key.macro_desc);
  }
  xml.LeaveElement();

  if (hasLighting_) {
    xml.AddElement(u"Lightitems");
    xml.SetAttribute(u"lightmode", Number(store_.GetActiveLightMode(profile)));
    xml.EnterElement();
    std::vector<LightModeRecord> lights;
    store_.ListLightModes(profile, lights);
    for (const LightModeRecord& light : lights) {
      xml.AddElement(u"item");
      xml.SetAttribute(u"light_mode", Number(light.mode));
      xml.SetAttribute(u"brightness", Number(light.brightness));
      xml.SetAttribute(u"speed", Number(light.speed));
      xml.SetAttribute(u"direction", Number(light.direction));
      xml.SetAttribute(u"colorful", Number(light.colorful));
      xml.SetAttribute(u"colorindex", Number(light.colorindex));
      xml.SetAttribute(u"color_value", Number(light.color_value));
    }
    xml.LeaveElement();
  }

  xml.AddElement(u"Mouse_DPI");
  for (const char16_t* key : {u"dpi_flag", u"dpi_index", u"dpi_count"}) xml.SetAttribute(key, config(key));
  xml.EnterElement();
  for (int stage = 0; stage < kStagesInFile; ++stage) {
    xml.AddElement(DpiElement(stage));
    xml.SetAttribute(u"value", config(StageKey(stage, u"value")));
    xml.SetAttribute(u"color", config(StageKey(stage, u"rgb")));
  }
  xml.LeaveElement();

  xml.AddElement(u"Mouse");
  xml.EnterElement();
  for (const PerformanceKey& entry : kPerformanceKeys) {
    xml.AddElement(entry.element);
    xml.SetAttribute(u"value", config(entry.key));
  }
  return xml.SaveFile(path);
}

bool ProfileExchange::ImportProfile(int currentProfile, int deviceType, const std::string& path,
                                    const std::function<void(int)>& queueTask) {
  if (!Platform::IsFile(path)) return false;
  XmlDocument xml;
  if (!xml.LoadFile(path) || !xml.FindElement(u"profile")) return false;
  xml.EnterElement();
  if (xml.FindElement(u"profileinfo")) xml.EnterElement();  // its name is not taken: the profile keeps its own

  bool applied = store_.Atomically([&] {
    bool ok = true;
    if (xml.FindElement(u"keyitems")) {
      // Only a file that carries buttons replaces them; an empty section
      // means every button back to its default.
      ok = store_.DeleteProfileKeys(currentProfile) && ok;
      xml.EnterElement();
      while (xml.FindElement(u"item")) {
        KeyAssignment key;
        key.profile = currentProfile;
        key.key_code = WideAtoi(xml.GetAttribute(u"key_code"));
        key.macro_type = WideAtoi(xml.GetAttribute(u"macro_type"));
        key.macro_value = WideAtoi(xml.GetAttribute(u"macro_value"));
        key.macro_value2 = WideAtoi(xml.GetAttribute(u"macro_value2"));
        key.macro_value3 = WideAtoi(xml.GetAttribute(u"macro_value3"));
        key.macro_desc = xml.GetAttribute(u"macro_desc");
        bool removesOnly = key.macro_value == 0 && key.macro_value2 == 0;
        ok = (store_.SaveKeyAssignment(key) != 0 || removesOnly) && ok;
      }
      xml.LeaveElement();
    }

    if (hasLighting_ && xml.FindElement(u"Lightitems")) {
      ok = store_.SetActiveLightMode(currentProfile, WideAtoi(xml.GetAttribute(u"lightmode"))) && ok;
      xml.EnterElement();
      while (xml.FindElement(u"item")) {
        LightModeRecord light;
        if (!store_.GetLightMode(currentProfile, WideAtoi(xml.GetAttribute(u"light_mode")), light)) continue;
        light.brightness = WideAtoi(xml.GetAttribute(u"brightness"));
        light.speed = WideAtoi(xml.GetAttribute(u"speed"));
        light.direction = WideAtoi(xml.GetAttribute(u"direction"));
        light.colorful = WideAtoi(xml.GetAttribute(u"colorful"));
        light.colorindex = WideAtoi(xml.GetAttribute(u"colorindex"));
        light.color_value = WideAtoi(xml.GetAttribute(u"color_value"));
        ok = store_.UpdateLightMode(currentProfile, light.mode, light) && ok;
      }
      xml.LeaveElement();
    }

    // Values that reach the mouse are taken only when the program itself
    // could have written them; anything else keeps the stored value.
    auto setChecked = [&](const CString& key, const CString& value, int min, int max) {
      if (IsCanonicalNumber(value, min, max)) ok = store_.SetConfigValue(currentProfile, key, value) && ok;
    };
    if (xml.FindElement(u"Mouse_DPI")) {
      ok = store_.SetConfigValue(currentProfile, u"dpi_flag", xml.GetAttribute(u"dpi_flag")) && ok;
      setChecked(u"dpi_count", xml.GetAttribute(u"dpi_count"), 1, kMaxStages);
      CString count;
      store_.GetConfigValue(currentProfile, u"dpi_count", count);
      setChecked(u"dpi_index", xml.GetAttribute(u"dpi_index"), 0, WideAtoi(count) - 1);
      xml.EnterElement();
      for (int stage = 0; stage < kStagesInFile; ++stage) {
        if (!xml.FindElement(DpiElement(stage))) continue;
        setChecked(StageKey(stage, u"value"), xml.GetAttribute(u"value"), kMinDpi, kMaxDpi);
        setChecked(StageKey(stage, u"rgb"), xml.GetAttribute(u"color"), 0, kMaxColour);
      }
      xml.LeaveElement();
    }

    if (xml.FindElement(u"Mouse")) {
      xml.EnterElement();
      for (const PerformanceKey& entry : kPerformanceKeys) {
        if (!xml.FindElement(entry.element)) continue;
        CString value = xml.GetAttribute(u"value");
        if (CString(entry.key) == u"report_rate") {
          setChecked(entry.key, value, 0, kMaxReportRate);
        } else {
          ok = store_.SetConfigValue(currentProfile, entry.key, value) && ok;
        }
      }
      xml.LeaveElement();
    }
    return ok;
  });
  if (!applied) return false;
  if (queueTask) queueTask(deviceType > kMaxDeviceTypeWithWrite ? kLightingImported : kWriteAll);
  return true;
}

}  // namespace Zorvane
