#pragma once

#include <string>

#include "toolkit/core/CString.h"

namespace Zorvane {

// The per-user program settings that belong to no profile, kept in
// "<config home>/<device name>/settings.ini", section [Settings]:
//
//   LCID              language of the next start (2052 or 1033)
//   DeviceType        device type of the selected model
//   autorun_minimize  1: the automatic start is minimised
//   exit_mode         1: closing the main window ends the program
//
// Values are decimal text. The file stands for the classic per-user settings
// key: a first read creates it, writes never do, and failures are silent
// (reads then give 0). Every write replaces the file atomically and keeps
// whatever else it holds.
class RegistrySettings {
 public:
  RegistrySettings() = delete;

  static std::string SettingsPath();

  // 0 when the value is absent, not a number, or longer than the classic
  // 255-byte buffer; the file is created (empty) when it is missing.
  static int ReadSettingInt(const char* name);
  static void WriteSettingText(const char* name, const Nuvex::CString& text);

  // As ReadSettingInt("LCID"), except that a file that exists but cannot be
  // read, or cannot be created, gives 2052.
  static int ReadLanguageId();
  static void WriteLanguageId(int id);

  // 0 when the file is missing (which is not created here).
  static int ReadDeviceType();
  static void WriteDeviceType(int type);
};

}  // namespace Zorvane
