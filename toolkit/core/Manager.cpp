#include "toolkit/core/Manager.h"

namespace Nuvex {
namespace {

// Function-local statics: initialised on first use, so a program that reads
// them from its own static initialisers still sees the defaults.
struct Settings {
  HINSTANCE instance = nullptr;
  CString fontName = u"Segoe UI";
  int fontWidth = 14;
  CString deviceName = u"Zorvane";
  Color selectColor{0xFF49FFE6};
};

Settings& Values() {
  static Settings settings;
  return settings;
}

}  // namespace

void Manager::SetInstance(HINSTANCE instance) {
  Values().instance = instance;
}
HINSTANCE Manager::GetInstance() {
  return Values().instance;
}

void Manager::SetFont(const CString& name, int size) {
  Values().fontName = name;
  Values().fontWidth = size;
}
void Manager::SetFontName(const CString& name) {
  Values().fontName = name;
}
CString Manager::GetFontName() {
  return Values().fontName;
}
int Manager::GetFontWidth() {
  return Values().fontWidth;
}

void Manager::SetDeviceName(const CString& name) {
  Values().deviceName = name;
}
CString Manager::GetDeviceName() {
  return Values().deviceName;
}

CString Manager::GetTheme() {
  return u"theme1\\";
}

Color Manager::GetSelectColor() {
  return Values().selectColor;
}

void Manager::M_Trace(const char16_t*) {}

}  // namespace Nuvex
