#include <gtest/gtest.h>

#include <string>

#include "app/config/ProfileNames.h"

using Nuvex::CString;
using Zorvane::ProfileNames;

namespace {

struct Case {
  int language;
  const char* stored;  // UTF-8
  const char* shown;
};

template <std::size_t N>
void ExpectShown(const Case (&cases)[N]) {
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.language << " \"" << c.stored << "\"");
    EXPECT_EQ(ProfileNames::DisplayName(CString::FromUtf8(c.stored), c.language).ToUtf8(), c.shown);
  }
}

}  // namespace

// Another language's prefix is replaced by the language's own pattern; the
// rest keeps its leading blank, so "配置 2" becomes "Profile  2".
TEST(ProfileDisplayName, ForeignPrefixesAreReplacedInEveryLanguage) {
  const Case cases[] = {
      {1028, "Profile 1", "配寘  1"},    {1028, "配置 2", "配寘  2"},    {1028, "ボタン 3", "配寘  3"},
      {1033, "配置 2", "Profile  2"},    {1033, "配寘 3", "Profile  3"}, {1033, "ボタン 4", "Profile  4"},
      {1041, "Profile 1", "ボタン  1"},  {1041, "配置 2", "ボタン  2"},  {1041, "配寘 3", "ボタン  3"},
      {1049, "Profile 1", "Профиль  1"}, {1049, "配置 2", "Профиль  2"}, {1049, "配寘 3", "Профиль  3"},
      {1049, "ボタン 4", "Профиль  4"},  {2052, "Profile 1", "配置  1"}, {2052, "配寘 2", "配置  2"},
      {2052, "ボタン 3", "配置  3"},
  };
  ExpectShown(cases);
}

TEST(ProfileDisplayName, TheRestIsCopiedAsItIs) {
  const Case cases[] = {
      {1033, "配置", "Profile "},  // just the prefix
      {2052, "ボタン", "配置 "},
      {1049, "Profile", "Профиль "},
      {1033, "配置2", "Profile 2"},            // no blank after the prefix
      {1049, "ProfileX", "Профиль X"},         // the prefix need not end a word
      {1033, "配置 %d %s", "Profile  %d %s"},  // never used as a pattern
      {1033, "配置 \xF0\x9F\x98\x80", "Profile  \xF0\x9F\x98\x80"},
      {1041, "Profile Profile", "ボタン  Profile"},
  };
  ExpectShown(cases);
}

TEST(ProfileDisplayName, NamesWithoutAForeignPrefixAreUnchanged) {
  const Case cases[] = {
      // The language's own word.
      {1028, "配寘 4", "配寘 4"},
      {1033, "Profile 1", "Profile 1"},
      {1041, "ボタン 4", "ボタン 4"},
      {2052, "配置 4", "配置 4"},
      // Russian names are never rewritten.
      {1028, "Профиль 1", "Профиль 1"},
      {1033, "Профиль 1", "Профиль 1"},
      {1041, "Профиль 1", "Профиль 1"},
      {1049, "Профиль 1", "Профиль 1"},
      {2052, "Профиль 1", "Профиль 1"},
      // Compared character for character, at the start only, over the whole prefix.
      {2052, "profile 1", "profile 1"},
      {1041, "PROFILE 1", "PROFILE 1"},
      {1033, "My 配置", "My 配置"},
      {2052, " Profile 1", " Profile 1"},
      {1033, "配", "配"},
      {2052, "Profil 1", "Profil 1"},
      {1033, "", ""},
      {1049, "Work", "Work"},
  };
  ExpectShown(cases);
}

TEST(ProfileDisplayName, OtherLanguagesShowEveryNameUnchanged) {
  for (int language : {0, -1, 1031, 1036, 2057, 3076}) {
    for (const char* stored : {"Profile 1", "配置 2", "配寘 3", "ボタン 4", "Профиль 5"}) {
      SCOPED_TRACE(testing::Message() << language << " \"" << stored << "\"");
      EXPECT_EQ(ProfileNames::DisplayName(CString::FromUtf8(stored), language).ToUtf8(), stored);
    }
  }
}
