#include <gtest/gtest.h>

#include "app/update/Versions.h"

using Nuvex::CString;

TEST(Versions, CompareVersionsComparesPartsAsNumbers) {
  struct Case {
    const char16_t* a;
    const char16_t* b;
    int expected;
  };
  const Case cases[] = {
      {u"1.0.10", u"1.0.11", 1},
      {u"1.0.11", u"1.0.10", -1},
      {u"1.0.10", u"1.0.10", 0},
      {u"1.0.10", u"1.0.9", -1},  // 10 > 9 as numbers, although "1" < "9" as text
      {u"2", u"10", 1},
      {u"1.9.9", u"2.0.0", 1},
      {u"2.0.0", u"1.9.9", -1},
      // Different numbers of parts: 2, whichever is newer.
      {u"1.0.10", u"1.1", 2},
      {u"1.0.10", u"1.0", 2},
      {u"1.0", u"1.0.0", 2},
      // Empty and non-numeric parts count as 0; a number stops at its first non-digit.
      {u"1..2", u"1.0.2", 0},
      {u"1.x.2", u"1.0.2", 0},
      {u"1.2a.0", u"1.2.0", 0},
      {u"", u"0", 0},
      {u".", u"0.0", 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Zorvane::CompareVersions(CString(c.a), CString(c.b)), c.expected)
        << CString(c.a).ToUtf8() << " vs " << CString(c.b).ToUtf8();
  }
}

TEST(Versions, NewerDecisionTreatsMissingPartsAsZero) {
  struct Case {
    const char16_t* local;
    const char16_t* server;
    bool newer;
  };
  const Case cases[] = {
      {u"1.0.10", u"1.0.11", true},    {u"1.0.10", u"1.0.10", false},  {u"1.0.10", u"1.0.9", false},
      {u"1.0.10", u"1.1", true},   // shorter but newer
      {u"1.0.10", u"1.0", false},  // shorter and older: no downgrade
      {u"1.0.10", u"1.0.10.0", false}, {u"1.0.10", u"1.0.10.1", true}, {u"1.0.10", u"2", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Zorvane::IsNewerVersion(CString(c.local), CString(c.server)), c.newer)
        << CString(c.local).ToUtf8() << " -> " << CString(c.server).ToUtf8();
  }
}

TEST(Versions, ServerVersionMustBeShortDigitsAndDots) {
  for (const char* good : {"1.0.11", "1", "1234567890", "1..2"}) {
    EXPECT_TRUE(Zorvane::IsAcceptableServerVersion(good)) << good;
  }
  for (const char* bad : {"", "12345678901", "1.0.11\n", "1.0.11 ", " 1.0.11", "1.0.11\r\n\r\n\r", "../../x", "1/../1",
                          "1.0-beta", "v1.0"}) {
    EXPECT_FALSE(Zorvane::IsAcceptableServerVersion(bad)) << bad;
  }
}
