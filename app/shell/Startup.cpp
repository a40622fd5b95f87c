#include "app/shell/Startup.h"

#include <cstdlib>

#include "app/config/RegistrySettings.h"
#include "platform/Locale.h"
#include "platform/Paths.h"
#include "toolkit/core/Manager.h"

namespace Zorvane {
namespace {

constexpr int kSimplifiedChinese = 2052;
constexpr int kTraditionalChinese = 1028;
constexpr int kJapanese = 1041;
constexpr int kRussian = 1049;
constexpr int kEnglish = 1033;

std::string DeviceName() {
  return Nuvex::Manager::GetDeviceName().ToUtf8();
}

}  // namespace

bool Startup::ShouldBeDpiAware(int screenWidth, int screenHeight, int effectiveDpi) {
  if (screenWidth < 1400 || screenHeight < 788) return true;
  bool scaledFullHd = effectiveDpi == 144 || effectiveDpi == 168 || effectiveDpi == 192;
  return screenWidth == 1920 && screenHeight == 1080 && scaledFullHd;
}

int Startup::LanguageIdFromLocale(std::string_view locale) {
  // language[_territory][.codeset][@modifier]
  std::string_view name = locale.substr(0, locale.find_first_of(".@"));
  std::string_view language = name.substr(0, name.find('_'));
  if (name == "zh_CN") return kSimplifiedChinese;
  if (name == "zh_TW" || name == "zh_HK") return kTraditionalChinese;
  if (language == "ja") return kJapanese;
  if (language == "ru") return kRussian;
  return kEnglish;
}

int Startup::ChooseRunLanguage() {
  int id = RegistrySettings::ReadLanguageId();
  if (id == 0) id = LanguageIdFromLocale(Platform::UserMessagesLocale());
  RegistrySettings::WriteLanguageId(id == kSimplifiedChinese ? kSimplifiedChinese : kEnglish);
  return id;
}

bool Startup::IsAutorun(std::string_view commandLine) {
  return commandLine.find("-autorun") != std::string_view::npos;
}

bool Startup::WantsSimulator(int argc, const char* const* argv) {
  for (int i = 1; i < argc; ++i)
    if (argv[i] && std::string_view(argv[i]) == "--simulate") return true;
  const char* variable = std::getenv("ZORVANE_SIMULATE");
  return variable && *variable && std::string_view(variable) != "0";
}

std::string Startup::CommandLine(int argc, const char* const* argv) {
  std::string line;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) line += ' ';
    line += argv[i] ? argv[i] : "";
  }
  return line;
}

std::string Startup::DataFolder() {
  return Platform::DataHome() + "/" + DeviceName() + " Files";
}

std::string Startup::DatabaseFolder() {
  return DataFolder() + "/db";
}

std::string Startup::InstanceLockPath() {
  std::string folder = Platform::RuntimeFolder();
  if (folder.empty()) folder = DataFolder();
  return folder + "/" + DeviceName() + ".lock";
}

}  // namespace Zorvane
