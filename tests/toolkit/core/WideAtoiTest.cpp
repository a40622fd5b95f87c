#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "toolkit/core/WideAtoi.h"

namespace Nuvex {
namespace {

struct AtoiCase {
  const char* name;
  std::u16string text;
  int expected;
};

TEST(WideAtoi, Cases) {
  const AtoiCase cases[] = {
      {"empty", u"", 0},
      {"blanks only", u" \t\n\v\f\r", 0},
      {"plain", u"42", 42},
      {"leading blanks, trailing text", u"  -12abc", -12},
      {"all ASCII blanks before", u"\t\n\v\f\r 9", 9},
      {"plus", u"+7", 7},
      {"two signs", u"--1", 0},
      {"sign then blank", u"- 1", 0},
      {"sign only", u"-", 0},
      {"hex is read up to the x", u"0x10", 0},
      {"leading zeros", u"-007", -7},
      {"stops at NUL",
       std::u16string(u"12\0"
                      u"34",
                      5),
       12},
      {"INT_MAX", u"2147483647", INT_MAX},
      {"one above INT_MAX saturates", u"2147483648", INT_MAX},
      {"INT_MIN exactly", u"-2147483648", INT_MIN},
      {"one below INT_MIN saturates", u"-2147483649", INT_MIN},
      {"far above 64 bits", u"99999999999999999999999", INT_MAX},
      {"far below 64 bits", u"-99999999999999999999999", INT_MIN},
      {"many leading zeros", std::u16string(300, u'0') + u"15", 15},
      {"5000 digits", std::u16string(5000, u'9'), INT_MAX},
      {"5000 digits negative", u"-" + std::u16string(5000, u'7'), INT_MIN},
      {"full-width digits are not digits", u"\uFF11\uFF12", 0},
      {"Arabic-Indic digits are not digits", u"\u0661", 0},
      {"NBSP is not white space", u"\u00A05", 0},
      {"ideographic space is not white space", u"\u30005", 0},
      {"digits after full-width stop", u"3\uFF14", 3},
  };
  for (const AtoiCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(WideAtoi(std::u16string_view(c.text)), c.expected);
  }
}

TEST(WideAtoi, Overloads) {
  EXPECT_EQ(WideAtoi(static_cast<const char16_t*>(nullptr)), 0);
  EXPECT_EQ(WideAtoi(u" 31"), 31);
  EXPECT_EQ(WideAtoi(CString(u"-5 px")), -5);
  EXPECT_EQ(WideAtoi(CString()), 0);
}

TEST(WideAtoi, ReadsWhatFormatWrites) {
  const int values[] = {0, 1, -1, 1000, INT_MAX, INT_MIN, 123456789};
  for (int value : values) {
    CString text;
    text.Format(u"%d", value);
    EXPECT_EQ(WideAtoi(text), value);
  }
}

}  // namespace
}  // namespace Nuvex
