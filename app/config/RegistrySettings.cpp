#include "app/config/RegistrySettings.h"

#include <fcntl.h>
#include <unistd.h>

#include <optional>

#include "platform/IniFile.h"
#include "platform/Paths.h"
#include "toolkit/core/Manager.h"
#include "toolkit/core/WideAtoi.h"

namespace Zorvane {
namespace {

constexpr char kSection[] = "Settings";
// The classic value buffer held 255 bytes of UTF-16 including the
// terminating zero; longer values were not read.
constexpr int kMaxValueBytes = 255;
constexpr int kLanguageOnOpenFailure = 2052;

Platform::IniFile File() {
  return Platform::IniFile(RegistrySettings::SettingsPath());
}

bool CanOpenForReading(const std::string& path) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  close(fd);
  return true;
}

int ValueAsInt(const std::optional<std::string>& value) {
  if (!value) return 0;
  Nuvex::CString text = Nuvex::CString::FromUtf8(*value);
  if ((text.GetLength() + 1) * 2 > kMaxValueBytes) return 0;
  return Nuvex::WideAtoi(text);
}

}  // namespace

std::string RegistrySettings::SettingsPath() {
  return Platform::ConfigHome() + "/" + Nuvex::Manager::GetDeviceName().ToUtf8() + "/settings.ini";
}

int RegistrySettings::ReadSettingInt(const char* name) {
  Platform::IniFile file = File();
  if (!file.Exists()) {
    file.Create(kSection);  // a first read makes the file; its value is absent either way
    return 0;
  }
  return ValueAsInt(file.Read(kSection, name));
}

void RegistrySettings::WriteSettingText(const char* name, const Nuvex::CString& text) {
  File().Write(kSection, name, text.ToUtf8());  // failures are silent by design
}

int RegistrySettings::ReadLanguageId() {
  Platform::IniFile file = File();
  if (!file.Exists()) return file.Create(kSection) ? 0 : kLanguageOnOpenFailure;
  if (!CanOpenForReading(file.Path())) return kLanguageOnOpenFailure;
  return ValueAsInt(file.Read(kSection, "LCID"));
}

void RegistrySettings::WriteLanguageId(int id) {
  WriteSettingText("LCID", Nuvex::CString().Format(u"%d", id));
}

int RegistrySettings::ReadDeviceType() {
  Platform::IniFile file = File();
  if (!file.Exists()) return 0;
  return ValueAsInt(file.Read(kSection, "DeviceType"));
}

void RegistrySettings::WriteDeviceType(int type) {
  WriteSettingText("DeviceType", Nuvex::CString().Format(u"%d", type));
}

}  // namespace Zorvane
