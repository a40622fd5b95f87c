#include "app/config/AutoStart.h"

#include <unistd.h>

#include <cerrno>
#include <vector>

#include "app/config/RegistrySettings.h"
#include "platform/AtomicFile.h"
#include "platform/DesktopEntry.h"
#include "platform/Paths.h"
#include "toolkit/core/Manager.h"

namespace Zorvane {
namespace {

constexpr char kAutorunSwitch[] = "-autorun";
constexpr char kProgramName[] = "zorvane";

}  // namespace

std::string AutoStart::EntryPath() {
  return Platform::ConfigHome() + "/autostart/" + Nuvex::Manager::GetDeviceName().ToUtf8() + ".desktop";
}

std::string AutoStart::ProgramPath() {
  return Platform::ProgramFolder() + "/" + kProgramName;
}

bool AutoStart::IsOn() {
  return Platform::IsFile(EntryPath());
}

bool AutoStart::SetAutoStart(bool on, bool minimised) {
  std::string path = EntryPath();
  if (!on) return unlink(path.c_str()) == 0 || errno == ENOENT;
  if (!Platform::CreateFolderTree(Platform::ConfigHome() + "/autostart")) return false;
  std::vector<std::string> arguments;
  if (minimised) arguments.emplace_back(kAutorunSwitch);
  std::string content =
      Platform::AutostartEntryContent(Nuvex::Manager::GetDeviceName().ToUtf8(), ProgramPath(), arguments);
  return Platform::WriteFileAtomically(path, content);
}

void AutoStart::SwitchAutoStart(bool on) {
  if (!on) RegistrySettings::WriteSettingText("autorun_minimize", u"0");
  SetAutoStart(on, false);
}

void AutoStart::SwitchStartMinimised(bool on) {
  RegistrySettings::WriteSettingText("autorun_minimize", on ? u"1" : u"0");
  SetAutoStart(true, on);
}

}  // namespace Zorvane
