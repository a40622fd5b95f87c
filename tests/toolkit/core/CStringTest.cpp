#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "toolkit/core/CString.h"

namespace Nuvex {

// Failure messages show the text as UTF-8.
void PrintTo(const CString& s, std::ostream* os) {
  *os << '"' << s.ToUtf8() << '"';
}

namespace {

std::u16string Units(const CString& s) {
  return std::u16string(s.View());
}

// Decodes from a heap block of exactly the input's size, so that a read past
// the end is caught by AddressSanitizer (a std::string has a terminator).
std::u16string DecodeExact(const std::string& bytes) {
  std::unique_ptr<char[]> block(new char[bytes.size() == 0 ? 1 : bytes.size()]);
  std::memcpy(block.get(), bytes.data(), bytes.size());
  return Units(CString::FromUtf8(std::string_view(block.get(), bytes.size())));
}

// ---------------------------------------------------------------------------
// UTF-8 -> UTF-16

struct DecodeCase {
  const char* name;
  std::string utf8;
  std::u16string expected;
};

TEST(CStringUtf8, DecodesValidAndMalformedInput) {
  const DecodeCase cases[] = {
      {"empty", "", u""},
      {"ascii", "key_name", u"key_name"},
      {"embedded NUL kept", std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
      {"two bytes", "\xC3\xA9", u"\u00E9"},
      {"three bytes", "\xE2\x82\xAC", u"\u20AC"},
      {"last before surrogates", "\xED\x9F\xBF", u"\uD7FF"},
      {"first after surrogates", "\xEE\x80\x80", u"\uE000"},
      {"four bytes become a pair", "\xF0\x9F\x98\x80", u"\U0001F600"},
      {"highest code point", "\xF4\x8F\xBF\xBF", u"\U0010FFFF"},
      {"lone continuation", "\x80", u"\uFFFD"},
      {"stray continuations each replaced",
       "a\x80\xBF"
       "b",
       u"a\uFFFD\uFFFDb"},
      {"C0 lead is overlong", "\xC0\x80", u"\uFFFD\uFFFD"},
      {"C1 lead is overlong", "\xC1\xBF", u"\uFFFD\uFFFD"},
      {"overlong three bytes", "\xE0\x80\x80", u"\uFFFD\uFFFD\uFFFD"},
      {"overlong four bytes", "\xF0\x80\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"encoded high surrogate", "\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},
      {"encoded low surrogate", "\xED\xBF\xBF", u"\uFFFD\uFFFD\uFFFD"},
      {"above U+10FFFF", "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"F5 lead", "\xF5\x80\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"FF byte", "x\xFFy", u"x\uFFFDy"},
      {"truncated two bytes at end", "ab\xC3", u"ab\uFFFD"},
      {"truncated three bytes at end is one replacement", "\xE2\x82", u"\uFFFD"},
      {"truncated four bytes at end is one replacement", "\xF0\x9F\x98", u"\uFFFD"},
      {"truncated sequence before ASCII",
       "\xE2\x82"
       "A",
       u"\uFFFDA"},
      {"truncated sequence before a lead", "\xC3\xC3\xA9", u"\uFFFD\u00E9"},
      {"truncated four bytes before valid", "\xF0\x9F\xE2\x82\xAC", u"\uFFFD\u20AC"},
      // The example of maximal subparts from the Unicode standard.
      {"maximal subparts", "\x61\xF1\x80\x80\xE1\x80\xC2\x62\x80\x63\x80\xBF\x64",
       u"a\uFFFD\uFFFD\uFFFDb\uFFFDc\uFFFD\uFFFDd"},
      {"invalid byte right after an ASCII block", "abcdefgh\xFFijklmnop\xC3\xA9", u"abcdefgh\uFFFDijklmnop\u00E9"},
      {"invalid byte inside an ASCII block",
       "abc\xFF"
       "defghijkl",
       u"abc\uFFFDdefghijkl"},
  };
  for (const DecodeCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(DecodeExact(c.utf8), c.expected);
  }
}

TEST(CStringUtf8, RandomBytesDecodeWithinBoundsAndStable) {
  // Biased towards lead and continuation bytes, where the decoder has to
  // decide; decoding must stay in bounds and re-encoding must be stable.
  std::mt19937 random(12345);
  const unsigned char interesting[] = {0x00, 0x41, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0, 0xC1, 0xC2,
                                       0xDF, 0xE0, 0xE1, 0xED, 0xEE, 0xEF, 0xF0, 0xF1, 0xF4, 0xF5, 0xFF};
  for (int round = 0; round < 3000; ++round) {
    std::string bytes(random() % 24, '\0');
    for (char& b : bytes) {
      b = static_cast<char>(random() % 2 ? interesting[random() % sizeof(interesting)] : random() % 256);
    }
    const std::u16string decoded = DecodeExact(bytes);
    ASSERT_LE(decoded.size(), bytes.size());
    const std::string encoded = CString(decoded).ToUtf8();
    ASSERT_EQ(DecodeExact(encoded), decoded) << "round " << round;
  }
}

// ---------------------------------------------------------------------------
// UTF-16 -> UTF-8

struct EncodeCase {
  const char* name;
  std::u16string utf16;
  std::string expected;
};

TEST(CStringUtf8, EncodesAndReplacesUnpairedSurrogates) {
  const EncodeCase cases[] = {
      {"empty", u"", ""},
      {"NUL kept", std::u16string(u"a\0b", 3), std::string("a\0b", 3)},
      {"two-byte edge", u"\u0080\u07FF", "\xC2\x80\xDF\xBF"},
      {"three-byte edge", u"\u0800\uFFFF", "\xE0\xA0\x80\xEF\xBF\xBF"},
      {"pair", u"\U0001F600", "\xF0\x9F\x98\x80"},
      {"lone high at end", u"a\xD83D", "a\xEF\xBF\xBD"},
      {"lone low",
       u"\xDE00"
       "b",
       "\xEF\xBF\xBD"
       "b"},
      {"high before a non-surrogate",
       u"\xD83D"
       "x",
       "\xEF\xBF\xBD"
       "x"},
      {"two highs then a low", u"\xD83D\xD83D\xDE00", "\xEF\xBF\xBD\xF0\x9F\x98\x80"},
      {"reversed pair", u"\xDE00\xD83D", "\xEF\xBF\xBD\xEF\xBF\xBD"},
  };
  for (const EncodeCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(CString(c.utf16).ToUtf8(), c.expected);
  }
}

TEST(CStringUtf8, ValidTextRoundTrips) {
  const char* texts[] = {
      "Einstellungen über Gerät",       "Настройки устройства", "設定 デバイス",
      "emoji 🖱️ and 😀😀",  // astral, repeated
      "𐍈 gothic, \xF4\x8F\xBF\xBF max",
  };
  for (const char* text : texts) {
    SCOPED_TRACE(text);
    EXPECT_EQ(CString::FromUtf8(text).ToUtf8(), text);
  }
  EXPECT_EQ(Units(CString::FromUtf8("a😀b")), (std::u16string{u'a', 0xD83D, 0xDE00, u'b'}));
}

TEST(CStringUtf8, EveryScalarValueRoundTrips) {
  std::u16string all;
  for (char32_t c = 0; c <= 0x10FFFF; ++c) {
    if (c >= 0xD800 && c <= 0xDFFF) continue;
    if (c < 0x10000) {
      all.push_back(static_cast<char16_t>(c));
    } else {
      all.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
      all.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
    }
  }
  const std::string utf8 = CString(all).ToUtf8();
  // 128 one-byte, 1920 two-byte, 61440 three-byte (no surrogates) and 2^20
  // four-byte forms.
  EXPECT_EQ(utf8.size(), 128u + 1920u * 2 + 61440u * 3 + 1048576u * 4);
  EXPECT_TRUE(Units(CString::FromUtf8(utf8)) == all);
}

// ---------------------------------------------------------------------------
// Format

template <typename... Args>
std::u16string Fmt(const char16_t* pattern, const Args&... args) {
  CString s;
  s.Format(pattern, args...);
  return Units(s);
}

struct FormatCase {
  const char* name;
  std::u16string actual;
  std::u16string expected;
};

TEST(CStringFormat, Patterns) {
  const FormatCase cases[] = {
      // Patterns the program uses.
      {"dpi key", Fmt(u"dpi_group%d_value", 12), u"dpi_group12_value"},
      {"ratio", Fmt(u"%d/%d", 3, 10), u"3/10"},
      {"version line", Fmt(u"%s: v%s", u"Zorvane", CString(u"1.2.0")), u"Zorvane: v1.2.0"},
      {"device path", Fmt(u"%s\\device\\%s.xml", std::u16string(u"C:\\data"), u"M100"), u"C:\\data\\device\\M100.xml"},
      {"two digits", Fmt(u"%02d", 5), u"05"},
      {"two digits, wider value", Fmt(u"%02d", 123), u"123"},
      {"left aligned", Fmt(u"%-5s|", u"ab"), u"ab   |"},
      {"percent", Fmt(u"%%"), u"%"},
      {"percent after text", Fmt(u"100%% of %d", 7), u"100% of 7"},
      // Integers.
      {"i", Fmt(u"%i", -7), u"-7"},
      {"zero pad keeps the sign first", Fmt(u"%05d", -42), u"-0042"},
      {"right aligned", Fmt(u"%5d|", 42), u"   42|"},
      {"left wins over zero", Fmt(u"%-05d|", 42), u"42   |"},
      {"plus", Fmt(u"%+d %+d", 5, -5), u"+5 -5"},
      {"space", Fmt(u"% d", 5), u" 5"},
      {"precision is minimum digits", Fmt(u"%.3d|%5.3d", 7, -7), u"007| -007"},
      {"long long", Fmt(u"%d", 12345678901LL), u"12345678901"},
      {"LLONG_MIN", Fmt(u"%d", LLONG_MIN), u"-9223372036854775808"},
      {"LLONG_MAX", Fmt(u"%d", LLONG_MAX), u"9223372036854775807"},
      {"INT_MIN", Fmt(u"%d", INT_MIN), u"-2147483648"},
      {"hex", Fmt(u"%x %X %04x", 255, 255, 10), u"ff FF 000a"},
      {"hex of negative int is 32-bit", Fmt(u"%x", -1), u"ffffffff"},
      {"hex of INT_MIN", Fmt(u"%X", INT_MIN), u"80000000"},
      {"hex of negative beyond int is 64-bit", Fmt(u"%x", static_cast<long long>(INT_MIN) - 1), u"ffffffff7fffffff"},
      {"unsigned of negative int", Fmt(u"%u", -1), u"4294967295"},
      {"unsigned of negative long long", Fmt(u"%u", -4294967296LL), u"18446744069414584320"},
      {"unsigned max", Fmt(u"%u", 4294967295u), u"4294967295"},
      {"unsigned long above LLONG_MAX", Fmt(u"%u %x", ULONG_MAX, ULONG_MAX), u"18446744073709551615 ffffffffffffffff"},
      {"unsigned long with %d stays positive", Fmt(u"%d", ULONG_MAX), u"18446744073709551615"},
      {"length modifiers ignored", Fmt(u"%ld %lld %I64d %hu %zu", 1L, 2LL, 3LL, 4, std::size_t{5}), u"1 2 3 4 5"},
      // Characters.
      {"char", Fmt(u"%c%c", 'A', u'\u00E9'), u"A\u00E9"},
      {"char from int", Fmt(u"%c", 0x20AC), u"\u20AC"},
      {"supplementary char is a pair", Fmt(u"%c", 0x1F600), u"\U0001F600"},
      {"negative char", Fmt(u"%c", -1), u"\uFFFD"},
      {"char above U+10FFFF", Fmt(u"%c", 0x110000), u"\uFFFD"},
      {"char width", Fmt(u"%3c|%-3c|", 'x', 'y'), u"  x|y  |"},
      // Text.
      {"right aligned text", Fmt(u"%5s|", u"ab"), u"   ab|"},
      {"precision cuts text", Fmt(u"%.2s", u"abcdef"), u"ab"},
      {"precision and width", Fmt(u"%4.2s|", u"abcdef"), u"  ab|"},
      {"precision keeps pairs whole", Fmt(u"%.1s|%.2s", u"\U0001F600x", u"\U0001F600x"), u"|\U0001F600"},
      {"non-ASCII pattern", Fmt(u"Gr\u00F6\u00DFe: %d \u20AC", 3), u"Gr\u00F6\u00DFe: 3 \u20AC"},
      {"empty text argument", Fmt(u"[%s]", u""), u"[]"},
      {"null text argument", Fmt(u"[%s]", static_cast<const char16_t*>(nullptr)), u"[]"},
      {"text keeps NUL", Fmt(u"%s|", std::u16string_view(u"a\0b", 3)), std::u16string(u"a\0b|", 4)},
      // Mismatched arguments.
      {"integer to %s", Fmt(u"%s|%4s|", 42, -7), u"42|  -7|"},
      {"text to %d", Fmt(u"%d|%x|%c", u"abc", u"def", u"gh"), u"abc|def|gh"},
      {"missing arguments print nothing", Fmt(u"%d-%s-%5d|"), u"--|"},
      {"partly missing", Fmt(u"%d,%d", 1), u"1,"},
      {"extra arguments ignored", Fmt(u"%d", 1, 2, u"x"), u"1"},
      // Malformed patterns.
      {"unknown conversion copied", Fmt(u"%q %d", 5), u"%q 5"},
      {"float copied, argument kept for the next", Fmt(u"%5.2f %d", 5), u"%5.2f 5"},
      {"trailing percent", Fmt(u"50%"), u"50%"},
      {"pattern ends in a conversion", Fmt(u"abc%-5", 1), u"abc%-5"},
      {"empty pattern", Fmt(u""), u""},
      {"null pattern", Fmt(static_cast<const char16_t*>(nullptr), 1), u""},
  };
  for (const FormatCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.actual, c.expected);
  }
}

TEST(CStringFormat, HugeWidthAndPrecisionAreCapped) {
  EXPECT_EQ(Fmt(u"%99999999999999999999d", 1).size(), 1024u);
  EXPECT_EQ(Fmt(u"%-2000s|", u"x").size(), 1025u);
  EXPECT_EQ(Fmt(u"%.99999999999999999999d", 1).size(), 1024u);
  EXPECT_EQ(Fmt(u"%.99999999999999999999s", u"abc"), u"abc");
}

TEST(CStringFormat, ReplacesTheTextAndMayReadItself) {
  CString s(u"old text");
  s.Format(u"%d", 5);
  EXPECT_EQ(s, u"5");

  s = u"ab";
  s.Format(u"%s-%s", s, s);
  EXPECT_EQ(s, u"ab-ab");

  // The pattern itself is this string's text.
  s = u"<%d>";
  s.Format(s.GetString(), 9);
  EXPECT_EQ(s, u"<9>");

  s.Format(u"");
  EXPECT_TRUE(s.IsEmpty());
}

// ---------------------------------------------------------------------------
// Clamping of indexes

struct SliceCase {
  const char* name;
  CString actual;
  const char16_t* expected;
};

TEST(CStringSlice, MidLeftRightClamp) {
  const CString s(u"abcdef");
  const SliceCase cases[] = {
      {"Mid(2)", s.Mid(2), u"cdef"},
      {"Mid(-1) reads from 0", s.Mid(-1), u"abcdef"},
      {"Mid(6) at the end", s.Mid(6), u""},
      {"Mid(7) past the end", s.Mid(7), u""},
      {"Mid(1, 2)", s.Mid(1, 2), u"bc"},
      {"Mid(-1, 2) first below 0", s.Mid(-1, 2), u"ab"},
      {"Mid(2, -1) negative count", s.Mid(2, -1), u""},
      {"Mid(4, 100) count clamped", s.Mid(4, 100), u"ef"},
      {"Mid(1, INT_MAX) no overflow", s.Mid(1, INT_MAX), u"bcdef"},
      {"Mid(INT_MIN, INT_MAX)", s.Mid(INT_MIN, INT_MAX), u"abcdef"},
      {"Mid(INT_MAX, 1)", s.Mid(INT_MAX, 1), u""},
      {"Left(3)", s.Left(3), u"abc"},
      {"Left(0)", s.Left(0), u""},
      {"Left(-1)", s.Left(-1), u""},
      {"Left(99)", s.Left(99), u"abcdef"},
      {"Right(2)", s.Right(2), u"ef"},
      {"Right(-1)", s.Right(-1), u""},
      {"Right(99)", s.Right(99), u"abcdef"},
      {"Mid of empty", CString().Mid(0, 3), u""},
      {"Right of empty", CString().Right(3), u""},
  };
  for (const SliceCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.actual, c.expected);
  }
}

TEST(CStringSlice, FindClamps) {
  const CString s(u"abcabc");
  struct {
    const char* name;
    int actual;
    int expected;
  } const cases[] = {
      {"char", s.Find(u'c'), 2},
      {"char from start", s.Find(u'c', 3), 5},
      {"char from below 0", s.Find(u'a', -5), 0},
      {"char from the end", s.Find(u'a', 6), -1},
      {"char from past the end", s.Find(u'a', 100), -1},
      {"absent char", s.Find(u'z'), -1},
      {"text", s.Find(u"ca"), 2},
      {"text from start", s.Find(u"bc", 2), 4},
      {"text from below 0", s.Find(u"ab", INT_MIN), 0},
      {"text past the end", s.Find(u"bc", 7), -1},
      {"text longer than the rest", s.Find(u"abcd", 3), -1},
      {"empty text returns start", s.Find(u"", 3), 3},
      {"empty text at the end", s.Find(u"", 6), 6},
      {"empty text past the end", s.Find(u"", 7), -1},
      {"empty text below 0", s.Find(u"", -2), 0},
      {"in empty string", CString().Find(u'a'), -1},
      {"empty in empty string", CString().Find(u""), 0},
      {"reverse", s.ReverseFind(u'a'), 3},
      {"reverse absent", s.ReverseFind(u'z'), -1},
      {"reverse in empty string", CString().ReverseFind(u'a'), -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.actual, c.expected);
  }
}

TEST(CStringSlice, GetAtAndSetAtIgnoreOutside) {
  CString s(u"ab");
  EXPECT_EQ(s.GetAt(1), u'b');
  EXPECT_EQ(s[-1], 0);
  EXPECT_EQ(s[2], 0);
  EXPECT_EQ(CString().GetAt(0), 0);
  s.SetAt(-1, u'x');
  s.SetAt(2, u'x');
  s.SetAt(0, u'A');
  EXPECT_EQ(s, u"Ab");
  CString empty;
  empty.SetAt(0, u'x');
  EXPECT_TRUE(empty.IsEmpty());
}

// ---------------------------------------------------------------------------
// Case

struct CasePair {
  const char* name;
  const char16_t* lower;
  const char16_t* upper;
};

TEST(CStringCase, UpperAndLowerAreInverse) {
  const CasePair pairs[] = {
      {"ASCII", u"hello, world_09 @[`{", u"HELLO, WORLD_09 @[`{"},
      {"Latin-1", u"\u00E0\u00E9\u00EE\u00F5\u00F6\u00F8\u00FD\u00FE",
       u"\u00C0\u00C9\u00CE\u00D5\u00D6\u00D8\u00DD\u00DE"},
      {"y diaeresis", u"\u00FF", u"\u0178"},
      {"Greek", u"\u03B1\u03B2\u03B3\u03C0\u03C3\u03C9", u"\u0391\u0392\u0393\u03A0\u03A3\u03A9"},
      {"Cyrillic", u"\u043F\u0440\u0438\u0432\u0435\u0442 \u0430\u044F",
       u"\u041F\u0420\u0418\u0412\u0415\u0422 \u0410\u042F"},
      {"Cyrillic extensions", u"\u0450\u0451\u0452\u045F", u"\u0400\u0401\u0402\u040F"},
  };
  for (const CasePair& p : pairs) {
    SCOPED_TRACE(p.name);
    EXPECT_EQ(CString(p.lower).MakeUpper(), p.upper);
    EXPECT_EQ(CString(p.upper).MakeLower(), p.lower);
    EXPECT_EQ(CString(p.lower).CompareNoCase(p.upper), 0);
  }
}

TEST(CStringCase, CharactersWithoutASimplePartnerStay) {
  const struct {
    const char* name;
    const char16_t* text;
    const char16_t* upper;
    const char16_t* lower;
  } cases[] = {
      {"final sigma uppercases to sigma", u"\u03C2", u"\u03A3", u"\u03C2"},
      {"division and multiplication signs", u"\u00F7\u00D7", u"\u00F7\u00D7", u"\u00F7\u00D7"},
      {"sharp s and micro sign", u"\u00DF\u00B5", u"\u00DF\u00B5", u"\u00DF\u00B5"},
      {"unassigned Greek capital", u"\u03A2", u"\u03A2", u"\u03A2"},
      {"Greek with tonos", u"\u03AC", u"\u03AC", u"\u03AC"},
      {"CJK and emoji", u"\u65E5\U0001F600", u"\u65E5\U0001F600", u"\u65E5\U0001F600"},
      {"neighbours of the ranges", u"\u00BF\u042F\u0460", u"\u00BF\u042F\u0460", u"\u00BF\u044F\u0460"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(CString(c.text).MakeUpper(), c.upper);
    EXPECT_EQ(CString(c.text).MakeLower(), c.lower);
  }
}

TEST(CStringCase, Compare) {
  const struct {
    const char* name;
    int actual;
    int expected;
  } cases[] = {
      {"equal", CString(u"abc").Compare(u"abc"), 0},
      {"ordinal: capitals first", CString(u"B").Compare(u"a"), -1},
      {"prefix is smaller", CString(u"ab").Compare(u"abc"), -1},
      {"empty", CString().Compare(u""), 0},
      {"code units unsigned", CString(u"\uFFFD").Compare(u"\U0001F600"), 1},
      {"no case: equal", CString(u"Hello").CompareNoCase(u"hELLO"), 0},
      {"no case: letters before case", CString(u"a").CompareNoCase(u"B"), -1},
      {"no case: longer is greater", CString(u"ABC").CompareNoCase(u"ab"), 1},
      {"no case: Cyrillic", CString(u"\u0401\u0416").CompareNoCase(u"\u0451\u0436"), 0},
      {"no case: sharp s is not ss", CString(u"stra\u00DFe").CompareNoCase(u"STRASSE"), 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.actual < 0 ? -1 : (c.actual > 0 ? 1 : 0), c.expected);
  }
}

// ---------------------------------------------------------------------------
// Trim and Replace

TEST(CStringEdit, TrimRemovesAsciiWhiteSpaceOnly) {
  const struct {
    const char* name;
    const char16_t* text;
    const char16_t* both;
    const char16_t* left;
    const char16_t* right;
  } cases[] = {
      {"all ASCII blanks", u" \t\n\v\f\rab c\r\n ", u"ab c", u"ab c\r\n ", u" \t\n\v\f\rab c"},
      {"nothing to trim", u"abc", u"abc", u"abc", u"abc"},
      {"blanks only", u" \t ", u"", u"", u""},
      {"empty", u"", u"", u"", u""},
      {"NBSP and ideographic space stay", u"\u00A0x\u3000", u"\u00A0x\u3000", u"\u00A0x\u3000", u"\u00A0x\u3000"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(CString(c.text).Trim(), c.both);
    EXPECT_EQ(CString(c.text).TrimLeft(), c.left);
    EXPECT_EQ(CString(c.text).TrimRight(), c.right);
  }
}

TEST(CStringEdit, Replace) {
  const struct {
    const char* name;
    const char16_t* text;
    const char16_t* from;
    const char16_t* to;
    const char16_t* expected;
    int count;
  } cases[] = {
      {"grow", u"xax", u"x", u"xyz", u"xyzaxyz", 2},
      {"shrink to nothing", u"abcabc", u"abc", u"", u"", 2},
      {"remove", u"a--b--c", u"--", u"", u"abc", 2},
      {"non-overlapping, left to right", u"aaa", u"aa", u"b", u"ba", 1},
      {"absent", u"abc", u"x", u"y", u"abc", 0},
      {"empty from does nothing", u"abc", u"", u"y", u"abc", 0},
      {"same from and to", u"abab", u"ab", u"ab", u"abab", 2},
      {"in empty string", u"", u"a", u"b", u"", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CString s(c.text);
    EXPECT_EQ(s.Replace(c.from, c.to), c.count);
    EXPECT_EQ(s, c.expected);
  }

  CString path(u"a\\b\\c");
  EXPECT_EQ(path.Replace(u'\\', u'/'), 2);
  EXPECT_EQ(path, u"a/b/c");
  EXPECT_EQ(path.Replace(u'x', u'y'), 0);

  // Arguments that are views of the text being changed.
  CString self(u"abc");
  EXPECT_EQ(self.Replace(self.View(), self.View().substr(1)), 1);
  EXPECT_EQ(self, u"bc");
}

// ---------------------------------------------------------------------------
// Construction and concatenation

TEST(CStringBuild, ConstructorsClampTheirArguments) {
  EXPECT_TRUE(CString(static_cast<const char16_t*>(nullptr)).IsEmpty());
  EXPECT_TRUE(CString(static_cast<const char16_t*>(nullptr), 5).IsEmpty());
  EXPECT_TRUE(CString(u"abc", -1).IsEmpty());
  EXPECT_EQ(CString(u"a\0bc", 3).GetLength(), 3);  // a length includes NULs
  EXPECT_EQ(CString(u'x', 3), u"xxx");
  EXPECT_TRUE(CString(u'x', -3).IsEmpty());
  ASSERT_NE(CString().GetString(), nullptr);
  EXPECT_EQ(CString().GetString()[0], 0);
  EXPECT_TRUE(CString() == nullptr);
}

TEST(CStringBuild, Concatenation) {
  CString a(u"ab");
  EXPECT_EQ(a + CString(u"cd"), u"abcd");
  EXPECT_EQ(a + u"cd", u"abcd");
  EXPECT_EQ(u"cd" + a, u"cdab");
  EXPECT_EQ(a + u'!', u"ab!");
  EXPECT_EQ(CString() + u'!', u"!");
  EXPECT_EQ(a + static_cast<const char16_t*>(nullptr), u"ab");
  EXPECT_EQ(static_cast<const char16_t*>(nullptr) + a, u"ab");

  CString s;
  s += u'x';
  s += CString(u"yz");
  s += std::u16string_view(u"!");
  s += static_cast<const char16_t*>(nullptr);
  EXPECT_EQ(s, u"xyz!");
  s += s;
  EXPECT_EQ(s, u"xyz!xyz!");
  s += s.View().substr(0, 2);
  EXPECT_EQ(s, u"xyz!xyz!xy");
}

// ---------------------------------------------------------------------------
// Copy-on-write

TEST(CStringShare, CopiesShareUntilChanged) {
  const CString original(u"shared text");
  CString copy = original;
  EXPECT_EQ(copy.GetString(), original.GetString());
  copy.SetAt(0, u'S');
  EXPECT_NE(copy.GetString(), original.GetString());
  EXPECT_EQ(original, u"shared text");
  EXPECT_EQ(copy, u"Shared text");
}

TEST(CStringShare, EveryChangeLeavesTheOriginal) {
  const struct {
    const char* name;
    std::function<void(CString&)> change;
  } changes[] = {
      {"SetAt", [](CString& s) { s.SetAt(1, u'#'); }},
      {"MakeUpper", [](CString& s) { s.MakeUpper(); }},
      {"MakeLower", [](CString& s) { s.MakeLower(); }},
      {"Trim", [](CString& s) { s.Trim(); }},
      {"TrimLeft", [](CString& s) { s.TrimLeft(); }},
      {"TrimRight", [](CString& s) { s.TrimRight(); }},
      {"Replace text", [](CString& s) { s.Replace(u"Text", u"Words"); }},
      {"Replace char", [](CString& s) { s.Replace(u'e', u'3'); }},
      {"append", [](CString& s) { s += u"more"; }},
      {"append char", [](CString& s) { s += u'!'; }},
      {"append itself", [](CString& s) { s += s; }},
      {"Format", [](CString& s) { s.Format(u"%d", 1); }},
      {"Empty", [](CString& s) { s.Empty(); }},
      {"assign", [](CString& s) { s = u"other"; }},
  };
  for (const auto& c : changes) {
    SCOPED_TRACE(c.name);
    const CString original(u" Some Text ");
    const char16_t* buffer = original.GetString();
    CString copy = original;
    c.change(copy);
    EXPECT_NE(copy, original);
    EXPECT_EQ(original, u" Some Text ");
    EXPECT_EQ(original.GetString(), buffer);
  }
}

TEST(CStringShare, CopiesChangedOnOtherThreads) {
  // Every thread changes its own copies of one shared text while the main
  // thread changes its own; no change may show in another copy.
  CString shared(u"base");
  std::vector<std::thread> threads;
  std::vector<int> failures(5, 0);  // the last one is the main thread's
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([shared, t, &failures] {
      for (int i = 0; i < 2000; ++i) {
        CString mine = shared;
        mine += static_cast<char16_t>(u'0' + t);
        mine.MakeUpper();
        if (mine.View() != std::u16string(u"BASE") + static_cast<char16_t>(u'0' + t)) ++failures[t];
      }
    });
  }
  for (int i = 0; i < 2000; ++i) {
    CString mine = shared;
    mine.SetAt(0, u'c');
    if (mine != u"case") ++failures[4];
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(shared, u"base");
  for (int f : failures) EXPECT_EQ(f, 0);
}

TEST(CStringShare, ChangeInPlaceAfterAnotherThreadDroppedItsCopy) {
  // The other thread reads its copy and drops it; this thread then owns the
  // text alone and changes it in place. The flag is relaxed on purpose: the
  // only ordering between the read and the write is the shared count, which
  // is what a thread sanitizer run checks here.
  CString text(u"abcd");
  std::atomic<bool> dropped{false};
  int sum = 0;
  std::thread reader([copy = text, &dropped, &sum]() mutable {
    for (char16_t c : copy.View()) sum += c;
    copy.Empty();
    dropped.store(true, std::memory_order_relaxed);
  });
  while (!dropped.load(std::memory_order_relaxed)) std::this_thread::yield();
  text.SetAt(0, u'z');
  text.MakeUpper();
  reader.join();
  EXPECT_EQ(sum, u'a' + u'b' + u'c' + u'd');
  EXPECT_EQ(text, u"ZBCD");
}

}  // namespace
}  // namespace Nuvex
