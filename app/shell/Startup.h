#pragma once

#include <string>
#include <string_view>

namespace Zorvane {

// The process preparation before the main window exists: names and folders
// derived from the device name, the language of the run, the start mode and
// the scaling decision.
class Startup {
 public:
  Startup() = delete;

  // Whether the program should draw at the screen's real pixel size: screens
  // smaller than 1400 x 788, and a 1920 x 1080 screen scaled to 150 %, 175 %
  // or 200 % (effective DPI 144, 168, 192). `effectiveDpi` 0 means unknown,
  // which counts as 96.
  static bool ShouldBeDpiAware(int screenWidth, int screenHeight, int effectiveDpi);

  // Language id for a POSIX locale name ("zh_CN.UTF-8", "ja_JP", "C"):
  // zh_CN 2052, zh_TW and zh_HK 1028, ja 1041, ru 1049, anything else 1033.
  static int LanguageIdFromLocale(std::string_view locale);

  // The language of this run: the stored one, else the user's locale. The
  // stored value is then left as 2052 for Chinese and 1033 for any other.
  static int ChooseRunLanguage();

  // "-autorun" anywhere in the command line, even inside another word.
  static bool IsAutorun(std::string_view commandLine);
  // Whether devices come from the built-in simulator instead of the system:
  // "--simulate" among the arguments, or ZORVANE_SIMULATE set to anything
  // but "" or "0" (for tests and scripts).
  static bool WantsSimulator(int argc, const char* const* argv);
  // The arguments after the program name, joined with blanks.
  static std::string CommandLine(int argc, const char* const* argv);

  // "<data home>/<device name> Files" and its "db" folder, without a
  // trailing slash.
  static std::string DataFolder();
  static std::string DatabaseFolder();
  // The single-instance lock: in the runtime folder, else the data folder.
  static std::string InstanceLockPath();
};

}  // namespace Zorvane
