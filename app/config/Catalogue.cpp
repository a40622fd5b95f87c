#include "app/config/Catalogue.h"

#include <climits>

#include "app/config/ConfigStore.h"
#include "app/config/Language.h"
#include "app/config/RegistrySettings.h"
#include "app/xml/XmlDocument.h"
#include "toolkit/core/Manager.h"
#include "toolkit/core/WideAtoi.h"

namespace Zorvane {

using Nuvex::CString;
using Nuvex::WideAtoi;

namespace {

constexpr int kDefaultDeviceType = 101;
constexpr int kVersionLabelText = 17;

// The whole text up to `separator` (removed from `rest`), or 0 and the rest
// left whole when there is none.
int TakeNumber(CString& rest, char16_t separator) {
  int at = rest.Find(separator);
  if (at < 0) return 0;
  int value = WideAtoi(rest.Left(at));
  rest = rest.Mid(at + 1);
  return value;
}

}  // namespace

Catalogue::Catalogue(std::string programFolder, std::string dataFolder, ConfigStore& store)
    : programFolder_(std::move(programFolder)), dataFolder_(std::move(dataFolder)), store_(store) {}

void Catalogue::ParseRect(const CString& text, int& a, int& b, int& c) {
  CString rest = text;
  a = TakeNumber(rest, u'#');
  b = TakeNumber(rest, u'#');
  c = WideAtoi(rest);
}

int Catalogue::ParseHex(const CString& text) {
  std::u16string_view digits = text.View();
  while (!digits.empty() && (digits.front() == u' ' || digits.front() == u'\t')) digits.remove_prefix(1);
  if (digits.size() >= 2 && digits[0] == u'0' && (digits[1] == u'x' || digits[1] == u'X')) digits.remove_prefix(2);
  long long value = 0;
  for (char16_t ch : digits) {
    int digit;
    if (ch >= u'0' && ch <= u'9') {
      digit = ch - u'0';
    } else if (ch >= u'a' && ch <= u'f') {
      digit = ch - u'a' + 10;
    } else if (ch >= u'A' && ch <= u'F') {
      digit = ch - u'A' + 10;
    } else {
      break;
    }
    value = value * 16 + digit;
    if (value > INT_MAX) return INT_MAX;  // saturate like every other number the program reads
  }
  return static_cast<int>(value);
}

void Catalogue::LoadCatalogue(CatalogueHost& host) {
  std::vector<CatalogueEntry> models, modes;
  SoftwareInfo software;
  host.ClearDeviceList();
  host.ClearSupportedDevices();

  XmlDocument xml;
  if (xml.LoadFile(programFolder_ + "/config.xml") && xml.FindElement(u"config") && xml.EnterElement()) {
    if (xml.FindElement(u"device") && xml.EnterElement()) {
      while (xml.FindElement(u"mouse")) {
        CatalogueEntry entry;
        entry.name = xml.GetAttribute(u"name");
        entry.deviceType = WideAtoi(xml.GetAttribute(u"device_type"));
        entry.modelKey = xml.GetAttribute(u"device_attr");
        // Kept with the skin's backslashes; the image loader turns them into '/'.
        entry.imagePath = CString::FromUtf8(programFolder_) + u"/skins/" + Nuvex::Manager::GetTheme() + u"device\\" +
                          xml.GetAttribute(u"image");
        models.push_back(entry);
        host.AddDeviceToList(entry.name, entry.deviceType, entry.imagePath);
        if (!xml.EnterElement()) continue;
        while (xml.FindElement(u"mode")) {
          entry.modeValue = WideAtoi(xml.GetAttribute(u"value"));
          entry.description = xml.GetAttribute(u"desc");
          entry.vendorId = ParseHex(xml.GetAttribute(u"vid"));
          entry.productId = ParseHex(xml.GetAttribute(u"pid"));
          entry.hidInterface = xml.GetAttribute(u"hid_interface");
          modes.push_back(entry);
          host.RegisterSupported({entry.vendorId, entry.productId, entry.deviceType, entry.modeValue});
        }
        xml.LeaveElement();
      }
      xml.LeaveElement();
    }
    if (xml.FindElement(u"software")) {
      software.caption = xml.GetAttribute(u"caption");
      software.version = xml.GetAttribute(u"version");
      host.SetVersionLabel(CString().Format(u"%s: v%s", Language::GetText(kVersionLabelText), software.version));
      if (xml.EnterElement()) {
        if (xml.FindElement(u"website")) software.website = xml.GetAttribute(u"url");
        if (xml.FindElement(u"store")) software.store = xml.GetAttribute(u"url");
        if (xml.FindElement(u"upgrade")) software.upgrade = xml.GetAttribute(u"url");
        if (xml.FindElement(u"copyright")) software.copyright = xml.GetAttribute(u"info");
      }
    }
  }
  {
    std::lock_guard lock(mutex_);
    models_ = std::move(models);
    modes_ = std::move(modes);
    defaultKeys_.clear();
    software_ = std::move(software);
  }
  host.DisableInputMethod();
  LoadModel(host);
  host.RegisterDeviceNotifications();
  host.UpdateConnectionState();
}

void Catalogue::LoadModel(CatalogueHost& host) {
  int deviceType = RegistrySettings::ReadDeviceType();
  if (deviceType < 1) deviceType = kDefaultDeviceType;
  CString name, key;
  {
    std::lock_guard lock(mutex_);
    for (const CatalogueEntry& model : models_) {
      if (model.deviceType == deviceType) {
        name = model.name;
        key = model.modelKey;
        break;
      }
    }
    modelName_ = name;
    modelKey_ = key;
    deviceType_ = deviceType;
  }

  if (store_.IsOpen()) store_.Close();
  store_.OpenForDevice(dataFolder_, key);  // a failure leaves the store closed; every page then shows defaults
  store_.SetDeviceType(deviceType);

  XmlDocument xml;
  if (!xml.LoadFile(programFolder_ + "/device/" + key.ToUtf8() + ".xml") || !xml.FindElement(u"mouse") ||
      !xml.EnterElement())
    return;
  if (xml.FindElement(u"image_file")) host.ShowMousePicture(CString(u"device\\") + xml.GetAttribute(u"mouse_img"));
  if (xml.FindElement(u"menu")) {
    bool light = WideAtoi(xml.GetAttribute(u"light")) == 1;
    {
      std::lock_guard lock(mutex_);
      hasLighting_ = light;
    }
    host.ShowLightingTab(light);
  }
  if (!xml.FindElement(u"mouse_key")) return;
  host.ClearButtonLabels();
  std::vector<KeyAssignment> keys;
  if (xml.EnterElement()) {
    while (xml.FindElement(u"key")) {
      CString labelId = xml.GetAttribute(u"name");
      int keyValue = WideAtoi(xml.GetAttribute(u"key_value"));
      int a, b, c;
      ParseRect(xml.GetAttribute(u"rect"), a, b, c);
      host.AddButtonLabel(Language::GetText(WideAtoi(labelId)), keyValue, WideAtoi(xml.GetAttribute(u"direction")),
                          {a, c}, {b, c});
      KeyAssignment& key = keys.emplace_back();
      key.key_code = keyValue;
      key.layout_value = keyValue;
      key.layout_desc = labelId;
      key.macro_type = WideAtoi(xml.GetAttribute(u"func_type"));
      key.macro_value = WideAtoi(xml.GetAttribute(u"func_value"));
      key.macro_desc = xml.GetAttribute(u"func_desc");
    }
    xml.LeaveElement();
  }
  {
    std::lock_guard lock(mutex_);
    defaultKeys_ = std::move(keys);
  }
  host.SelectFirstButtonLabel();
}

std::vector<CatalogueEntry> Catalogue::Models() const {
  std::lock_guard lock(mutex_);
  return models_;
}

std::vector<CatalogueEntry> Catalogue::Modes() const {
  std::lock_guard lock(mutex_);
  return modes_;
}

std::vector<KeyAssignment> Catalogue::DefaultKeys() const {
  std::lock_guard lock(mutex_);
  return defaultKeys_;
}

SoftwareInfo Catalogue::Software() const {
  std::lock_guard lock(mutex_);
  return software_;
}

CString Catalogue::ModelName() const {
  std::lock_guard lock(mutex_);
  return modelName_;
}

CString Catalogue::ModelKey() const {
  std::lock_guard lock(mutex_);
  return modelKey_;
}

int Catalogue::DeviceType() const {
  std::lock_guard lock(mutex_);
  return deviceType_;
}

bool Catalogue::HasLighting() const {
  std::lock_guard lock(mutex_);
  return hasLighting_;
}

}  // namespace Zorvane
