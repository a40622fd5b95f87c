#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/config/Language.h"
#include "platform/Paths.h"

using Nuvex::CString;
using Zorvane::Language;

namespace {

constexpr int kEnglish = 1033;
constexpr int kChinese = 2052;
constexpr int kLanguages[] = {kEnglish, kChinese};
constexpr std::size_t kMaxValueLength = 259;

// Every text id the program shows. 900 and up name the words that the
// interface used to carry as fixed Chinese text.
constexpr int kUsedIds[] = {
    1,
    2,
    3,
    5,
    6,
    7,
    11,
    12,
    17,
    20,
    21,
    23,
    25,
    26,
    27,
    30,
    31,
    32,
    36,
    38,
    39,
    41,
    50,
    51,
    52,
    56,
    57,
    58,
    59,
    61,
    71,
    72,
    73,
    74,
    75,
    76,
    77,
    100,
    103,
    106,
    107,
    108,
    109,
    110,
    129,
    132,
    139,
    150,
    151,
    152,
    153,
    154,
    155,
    156,
    157,
    158,
    159,
    162,
    165,
    166,
    167,
    168,
    169,
    170,
    171,
    172,
    210,
    215,
    216,
    217,
    218,
    221,
    222,
    223,
    224,
    225,
    226,
    227,
    228,
    229,
    230,
    250,
    251,
    252,
    253,
    255,
    256,
    257,
    258,
    259,
    260,
    265,
    266,
    267,
    268,
    269,
    270,
    271,
    272,
    275,
    276,
    280,
    281,
    282,
    283,
    284,
    285,
    286,
    350,
    351,
    352,
    353,
    354,
    355,
    357,
    358,
    359,
    360,
    361,
    362,
    363,
    364,
    387,
    388,
    389,
    390,
    404,
    405,
    410,
    411,
    412,
    415,
    416,
    417,
    418,
    450,
    451,
    452,
    453,
    455,
    460,
    461,
    470,
    471,
    500,
    501,
    502,
    503,
    505,
    506,
    507,
    508,
    509,
    511,
    512,
    515,
    516,
    517,
    520,
    521,
    522,
    525,
    526,
    527,
    530,
    531,
    535,
    537,
    538,
    550,
    551,
    552,
    558,
    559,
    570,
    571,
    576,
    580,
    581,
    582,
    583,
    601,
    602,
    603,
    604,
    608,
    609,
    650,
    651,
    655,
    656,
    657,
    658,
    659,
    660,
    661,
    662,
    663,
    665,
    671,
    672,
    685,
    686,
    687,
    700,
    702,
    706,
    707,
    708,
    720,
    721,
    723,
    752,
    753,
    760,
    761,
    762,
    763,
    764,
    765,
    766,
    767,
    768,
    769,
    770,
    771,
    772,
    775,
    776,
    777,
    778,
    779,
    780,
    781,
    782,
    783,
    784,
    785,
    786,
    787,
    788,
    789,
    790,
    791,
    792,
    793,
    794,
    795,
    796,
    797,
    798,
    799,
    800,
    801,
    802,
    803,
    804,
    805,
    806,
    900,
    901,
    902,
    903,
    904,
    905,
    906,
    907,
    908,
    909,
    // Button names and the default label of the shipped device files.
    920,
    921,
    922,
    923,
    924,
};

// Texts the program compares with stored data, so their wording is fixed; a
// null entry leaves that language free.
struct FixedText {
  int id;
  const char16_t* english;
  const char16_t* chinese;
};
constexpr FixedText kFixedTexts[] = {
    // Prefixes of stored profile and macro names, recognised and rewritten.
    {61, u"Profile", u"配置"},
    {351, u"Macro", u"宏"},
    // Names and contents of the example snippets, recognised when stored.
    {460, u"Example 1 - Blessing", u"1 实例 - 祝福"},
    {461, u"Example 1 - Customer Service", u"1 实例 - 客服"},
    {470,
     u"I wish you all your heart's desires, continuous progress, great success, and a boundless future. May your life "
     u"be filled with infinite possibilities.。",
     u"祝福你心想事成,步步高升,风生水起,前途无量,愿你的人生充满无限可能。"},
    {471, u"Hello, it's my pleasure to serve you!", u"您好，很高兴为您服务！"},
    // Formerly fixed Chinese words: the Chinese interface must not change.
    {900, nullptr, u"鼠标移动唤醒"},
    {901, nullptr, u"开"},
    {903, nullptr, u"配对成功"},
    {904, nullptr, u"宏录制"},
    {905, nullptr, u"宏录制最多录制200个事件"},
    {906, nullptr, u"宏录制事件不能为空"},
    {907, nullptr, u"不容许插入空事件"},
    {908, nullptr, u"统一延时"},
    {909, nullptr, u"请输入10 ~ 10000之间任意的数字"},
};

std::string Utf8(std::u16string_view text) {
  return CString(text).ToUtf8();
}

std::string ShippedPath(int languageId) {
  return Platform::ProgramFolder() + "/language/" + std::to_string(languageId) + ".lan";
}

std::optional<std::string> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Strict decoders: a malformed file fails here instead of showing
// replacement characters in the interface.
std::optional<std::u16string> DecodeUtf16Le(std::string_view bytes) {
  if (bytes.size() % 2 != 0) return std::nullopt;
  std::u16string text;
  for (std::size_t i = 0; i < bytes.size(); i += 2) {
    text += static_cast<char16_t>(static_cast<std::uint8_t>(bytes[i]) | static_cast<std::uint8_t>(bytes[i + 1]) << 8);
  }
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      if (i + 1 == text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) return std::nullopt;
      ++i;
    } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
      return std::nullopt;
    }
  }
  return text;
}

std::optional<std::u16string> DecodeUtf8(std::string_view bytes) {
  std::u16string text;
  std::size_t i = 0;
  while (i < bytes.size()) {
    const auto lead = static_cast<std::uint8_t>(bytes[i]);
    std::size_t extra = 0;
    char32_t code = lead;
    char32_t smallest = 0;
    if (lead >= 0xF0 && lead <= 0xF7) {
      extra = 3, code = lead & 0x07, smallest = 0x10000;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      extra = 2, code = lead & 0x0F, smallest = 0x800;
    } else if (lead >= 0xC0 && lead <= 0xDF) {
      extra = 1, code = lead & 0x1F, smallest = 0x80;
    } else if (lead >= 0x80) {
      return std::nullopt;
    }
    if (bytes.size() - i <= extra) return std::nullopt;
    for (std::size_t k = 1; k <= extra; ++k) {
      const auto next = static_cast<std::uint8_t>(bytes[i + k]);
      if ((next & 0xC0) != 0x80) return std::nullopt;
      code = code << 6 | (next & 0x3F);
    }
    if (code < smallest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return std::nullopt;
    if (code >= 0x10000) {
      code -= 0x10000;
      text += static_cast<char16_t>(0xD800 + (code >> 10));
      text += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
    } else {
      text += static_cast<char16_t>(code);
    }
    i += extra + 1;
  }
  return text;
}

struct Entry {
  int id;
  std::u16string value;  // as written after '='
};

// A shipped file as its maker must write it: optional comment lines (';',
// without '=' so no reader takes them for a key), then "[LAN]", then
// "N=text" lines with N decimal without leading zeros and ascending; LF line
// ends. Breaches of that layout are collected in `problems`.
struct ShippedFile {
  bool readable = false;
  bool utf16 = false;
  std::vector<Entry> entries;
  std::vector<std::string> problems;
};

void ParseLines(std::u16string_view text, ShippedFile& file) {
  if (text.empty() || text.back() != u'\n') file.problems.push_back("the last line has no line end");
  bool inSection = false;
  int lastId = 0;
  int lineNumber = 0;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find(u'\n', start);
    if (end == std::u16string_view::npos) end = text.size();
    const std::u16string_view line = text.substr(start, end - start);
    start = end + 1;
    const std::string where = "line " + std::to_string(++lineNumber) + " \"" + Utf8(line) + "\": ";

    if (line.find(u'\r') != std::u16string_view::npos) {
      file.problems.push_back(where + "carriage return");
    } else if (line.empty()) {
      // Blank lines are allowed.
    } else if (line.front() == u';') {
      if (line.find(u'=') != std::u16string_view::npos) file.problems.push_back(where + "comment with '='");
    } else if (line == u"[LAN]") {
      if (inSection) file.problems.push_back(where + "second section header");
      inSection = true;
    } else if (!inSection) {
      file.problems.push_back(where + "text before [LAN]");
    } else {
      const std::size_t equals = line.find(u'=');
      const std::u16string_view key = line.substr(0, equals == std::u16string_view::npos ? 0 : equals);
      bool decimal = !key.empty() && key.size() <= 6 && key.front() != u'0';
      int id = 0;
      for (char16_t c : key) {
        decimal = decimal && c >= u'0' && c <= u'9';
        id = id * 10 + (c - u'0');
      }
      if (!decimal) {
        file.problems.push_back(where + "not an \"N=text\" line");
        continue;
      }
      if (id <= lastId) file.problems.push_back(where + "id not above the one before");
      lastId = id;
      const std::u16string_view value = line.substr(equals + 1);
      if (!value.empty() && (value.back() == u' ' || value.back() == u'\t')) {
        file.problems.push_back(where + "trailing blank");
      }
      file.entries.push_back({id, std::u16string(value)});
    }
  }
  if (!inSection) file.problems.push_back("no [LAN] section");
}

const ShippedFile& Shipped(int languageId) {
  static std::map<int, ShippedFile> files;
  auto [it, inserted] = files.try_emplace(languageId);
  ShippedFile& file = it->second;
  if (!inserted) return file;

  const std::optional<std::string> bytes = ReadBytes(ShippedPath(languageId));
  if (!bytes) return file;
  // The same choice of encoding as the reader makes.
  file.utf16 = bytes->starts_with("\xFF\xFE");
  const std::optional<std::u16string> text =
      file.utf16 ? DecodeUtf16Le(std::string_view(*bytes).substr(2)) : DecodeUtf8(*bytes);
  if (!text) return file;
  file.readable = true;
  ParseLines(*text, file);
  return file;
}

std::vector<int> Ids(const ShippedFile& file) {
  std::vector<int> ids;
  for (const Entry& entry : file.entries) ids.push_back(entry.id);
  return ids;
}

const std::u16string* ValueOf(const ShippedFile& file, int id) {
  for (const Entry& entry : file.entries) {
    if (entry.id == id) return &entry.value;
  }
  return nullptr;
}

// What the program gets for text `id`.
std::u16string Text(int languageId, int id) {
  const std::string key = std::to_string(id);
  return std::u16string(
      Language::ReadProfileString(u"LAN", CString(std::u16string(key.begin(), key.end())), ShippedPath(languageId))
          .View());
}

// The printf conversions of a text ("%s", "%d", "%5.2f" ...), in order; "%%"
// is a plain percent sign.
std::vector<std::u16string> Conversions(std::u16string_view text) {
  std::vector<std::u16string> found;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != u'%') continue;
    if (i + 1 < text.size() && text[i + 1] == u'%') {
      ++i;
      continue;
    }
    std::size_t end = i + 1;
    while (end < text.size() &&
           std::u16string_view(u"-+ #0123456789.hlLqjzt").find(text[end]) != std::u16string::npos) {
      ++end;
    }
    if (end < text.size()) ++end;  // the conversion letter
    found.emplace_back(text.substr(i, end - i));
    i = end - 1;
  }
  return found;
}

class LanguageFiles : public testing::TestWithParam<int> {};

TEST_P(LanguageFiles, AreWellFormed) {
  const ShippedFile& file = Shipped(GetParam());
  ASSERT_TRUE(file.readable) << ShippedPath(GetParam()) << " is missing or not validly encoded";
  EXPECT_TRUE(file.problems.empty()) << testing::PrintToString(file.problems);
  EXPECT_FALSE(file.entries.empty());
}

TEST_P(LanguageFiles, HoldEveryTextTheProgramShows) {
  for (int id : kUsedIds) EXPECT_FALSE(Text(GetParam(), id).empty()) << "text " << id;
}

// The reader cuts longer values and drops surrounding blanks and quotes, so
// a value reading back different from what was written points at one of
// those.
TEST_P(LanguageFiles, ValuesFitAndReadBackAsWritten) {
  for (const Entry& entry : Shipped(GetParam()).entries) {
    EXPECT_LE(entry.value.size(), kMaxValueLength) << "text " << entry.id;
    std::u16string expected = entry.value;
    if (expected.size() >= 2 && (expected.front() == u'"' || expected.front() == u'\'') &&
        expected.back() == expected.front()) {
      expected = expected.substr(1, expected.size() - 2);
    }
    EXPECT_EQ(Utf8(Text(GetParam(), entry.id)), Utf8(expected)) << "text " << entry.id;
  }
}

INSTANTIATE_TEST_SUITE_P(Shipped, LanguageFiles, testing::ValuesIn(kLanguages),
                         [](const testing::TestParamInfo<int>& info) { return std::to_string(info.param); });

TEST(LanguageFile, ChineseIsUtf16LeWithByteOrderMark) {
  const std::optional<std::string> bytes = ReadBytes(ShippedPath(kChinese));
  ASSERT_TRUE(bytes.has_value()) << ShippedPath(kChinese);
  ASSERT_GE(bytes->size(), 2u);
  EXPECT_EQ(static_cast<std::uint8_t>((*bytes)[0]), 0xFF);
  EXPECT_EQ(static_cast<std::uint8_t>((*bytes)[1]), 0xFE);
  const std::optional<std::u16string> text = DecodeUtf16Le(std::string_view(*bytes).substr(2));
  ASSERT_TRUE(text.has_value()) << "not valid UTF-16LE";
  // A second mark would mean the source carried one, and the reader would
  // take it for part of the first line.
  EXPECT_TRUE(text->empty() || text->front() != u'\xFEFF');
}

TEST(LanguageFile, EnglishIsUtf8WithoutByteOrderMark) {
  const std::optional<std::string> bytes = ReadBytes(ShippedPath(kEnglish));
  ASSERT_TRUE(bytes.has_value()) << ShippedPath(kEnglish);
  EXPECT_FALSE(bytes->starts_with("\xFF\xFE"));
  EXPECT_FALSE(bytes->starts_with("\xEF\xBB\xBF"));
  EXPECT_TRUE(DecodeUtf8(*bytes).has_value()) << "not valid UTF-8";
}

TEST(LanguageFile, BothLanguagesHaveTheSameIds) {
  EXPECT_EQ(Ids(Shipped(kEnglish)), Ids(Shipped(kChinese)));
}

// The program inserts numbers and names into some texts; a translation
// that lost or reordered a conversion would print garbage or crash.
TEST(LanguageFile, ConversionsMatchBetweenLanguages) {
  const ShippedFile& english = Shipped(kEnglish);
  const ShippedFile& chinese = Shipped(kChinese);
  for (const Entry& entry : english.entries) {
    const std::u16string* other = ValueOf(chinese, entry.id);
    if (other == nullptr) continue;  // reported by BothLanguagesHaveTheSameIds
    const std::vector<std::u16string> a = Conversions(entry.value);
    const std::vector<std::u16string> b = Conversions(*other);
    EXPECT_EQ(a, b) << "text " << entry.id << ": \"" << Utf8(entry.value) << "\" / \"" << Utf8(*other) << "\"";
  }
}

TEST(LanguageFile, TextsComparedWithStoredDataAreExact) {
  for (const FixedText& fixed : kFixedTexts) {
    if (fixed.english) {
      EXPECT_EQ(Utf8(Text(kEnglish, fixed.id)), Utf8(fixed.english)) << "text " << fixed.id;
    }
    if (fixed.chinese) {
      EXPECT_EQ(Utf8(Text(kChinese, fixed.id)), Utf8(fixed.chinese)) << "text " << fixed.id;
    }
  }
}

// Units follow the number directly ("3%s"), so English needs the blank
// inside the text: "3 min", not "3min".
TEST(LanguageFile, EnglishUnitsStartWithABlank) {
  for (int id : {537, 538}) {
    const std::u16string unit = Text(kEnglish, id);
    ASSERT_GE(unit.size(), 2u) << "text " << id;
    EXPECT_EQ(unit.front(), u' ') << "text " << id;
    EXPECT_NE(unit[1], u' ') << "text " << id;
  }
}

}  // namespace
