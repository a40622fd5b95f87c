#include <gtest/gtest.h>

#include "toolkit/core/Manager.h"

using Nuvex::CString;
using Nuvex::Manager;

TEST(Manager, DefaultsBeforeAnySetter) {
  EXPECT_EQ(Manager::GetDeviceName(), u"Zorvane");
  EXPECT_EQ(Manager::GetTheme(), u"theme1\\");
  EXPECT_EQ(Manager::GetFontName(), u"Segoe UI");
  EXPECT_EQ(Manager::GetFontWidth(), 14);
  EXPECT_EQ(Manager::GetSelectColor().GetValue(), 0xFF49FFE6u);
  EXPECT_EQ(Manager::GetInstance(), nullptr);
}

TEST(Manager, SettersLastAndFontNameAloneKeepsTheSize) {
  CString oldName = Manager::GetFontName();
  int oldSize = Manager::GetFontWidth();

  Manager::SetFont(u"Arial", 20);
  EXPECT_EQ(Manager::GetFontName(), u"Arial");
  EXPECT_EQ(Manager::GetFontWidth(), 20);
  Manager::SetFontName(u"Open Sans Semibold");
  EXPECT_EQ(Manager::GetFontName(), u"Open Sans Semibold");
  EXPECT_EQ(Manager::GetFontWidth(), 20);

  Manager::SetFont(oldName, oldSize);
}

TEST(Manager, ThemeBuildsImagePathsByConcatenation) {
  CString path = CString(u"skins\\") + Manager::GetTheme() + u"icon\\keytype_0.png";
  EXPECT_EQ(path, u"skins\\theme1\\icon\\keytype_0.png");
}
