#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "app/config/Language.h"
#include "app/config/LanguageFile.h"
#include "platform/Paths.h"
#include "tests/support/TempFolder.h"
#include "tests/support/Unprivileged.h"
#include "tests/support/WaitFor.h"

using Nuvex::CString;
using TestSupport::TempFolder;
using TestSupport::WriteFile;
using Zorvane::Language;
using Zorvane::LanguageFile;

namespace {

// A time well in the past: a file with it is trusted from the cache, so a
// test that changes such a file shows that the change itself is noticed.
constexpr time_t kOldTime = 1600000000;

std::string Utf16Le(std::u16string_view text, bool byteOrderMark = true) {
  std::string bytes = byteOrderMark ? "\xFF\xFE" : "";
  for (char16_t unit : text) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

void SetModified(const std::string& path, time_t seconds, long nanoseconds) {
  const timespec times[2] = {{seconds, nanoseconds}, {seconds, nanoseconds}};
  ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
}

timespec ModifiedOf(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(stat(path.c_str(), &st), 0) << path;
  return st.st_mtim;
}

// Results as UTF-8, so that failures print readably.
std::string Read(const std::string& path, std::u16string_view section, std::u16string_view key) {
  return Language::ReadProfileString(CString(section), CString(key), path).ToUtf8();
}

std::string Text(int id) {
  return Language::GetText(id).ToUtf8();
}

}  // namespace

// --- reading one file -------------------------------------------------------

class ProfileString : public testing::Test {
 protected:
  TempFolder temp;
  std::string path = temp / "1033.lan";

  std::string ReadFrom(const std::string& content, std::u16string_view section, std::u16string_view key) {
    WriteFile(path, content);
    return Read(path, section, key);
  }
};

TEST_F(ProfileString, ReadsTheLinesTheClassicReaderReads) {
  struct Case {
    const char* name;
    std::string content;
    std::u16string_view section;
    std::u16string_view key;
    std::string expected;
  };
  const Case cases[] = {
      {"plain", "[LAN]\n17=Version\n", u"LAN", u"17", "Version"},
      {"blanks and tabs around everything", "  [ LAN ] \t\n \t17 \t=\t Version  \t\n", u"LAN", u"17", "Version"},
      {"blanks inside the value stay", "[LAN]\n1=a \t b\n", u"LAN", u"1", "a \t b"},
      {"section and key without regard to case", "[lan]\nAbC=x\n", u"LAN", u"aBc", "x"},
      {"case beyond ASCII", "[Язык]\nКлюч=v\n", u"ЯЗЫК", u"ключ", "v"},
      {"first of two keys", "[LAN]\n1=first\n1=second\n", u"LAN", u"1", "first"},
      {"first of two sections", "[LAN]\n1=first\n[Other]\n[lan]\n1=second\n", u"LAN", u"1", "first"},
      {"a repeated section is never read", "[LAN]\n1=first\n[lan]\n2=only here\n", u"LAN", u"2", ""},
      {"same key in another section", "[A]\n1=a\n[B]\n1=b\n", u"B", u"1", "b"},
      {"no section at all", "1=orphan\n", u"LAN", u"1", ""},
      {"lines before the first section", "1=orphan\n[LAN]\n2=x\n", u"LAN", u"1", ""},
      {"missing section", "[Other]\n1=x\n", u"LAN", u"1", ""},
      {"missing key", "[LAN]\n1=x\n", u"LAN", u"2", ""},
      {"junk lines are skipped", "[LAN]\njunk line\n\x01\x02\xFE\xFF garbage\n=no key\n\n[unclosed\n17=Version\n",
       u"LAN", u"17", "Version"},
      {"a junk line is no key", "[LAN]\njunk line\n", u"LAN", u"junk line", ""},
      {"text after the header", "[LAN] ; translated\n1=a\n", u"LAN", u"1", "a"},
      {"'=' inside the value", "[LAN]\n1=a=b\n", u"LAN", u"1", "a=b"},
      {"empty value", "[LAN]\n1=\n2=x\n", u"LAN", u"1", ""},
      {"double quotes", "[LAN]\n1=\"quoted\"\n", u"LAN", u"1", "quoted"},
      {"single quotes keep inner blanks", "[LAN]\n1= ' inner ' \n", u"LAN", u"1", " inner "},
      {"quotes that do not match", "[LAN]\n1=\"mixed'\n", u"LAN", u"1", "\"mixed'"},
      {"one quote alone", "[LAN]\n1=\"\n", u"LAN", u"1", "\""},
      {"empty quotes", "[LAN]\n1=\"\"\n", u"LAN", u"1", ""},
      {"quotes inside", "[LAN]\n1=say \"hi\" now\n", u"LAN", u"1", "say \"hi\" now"},
      {"CRLF", "[LAN]\r\n1=a\r\n2=b\r\n", u"LAN", u"1", "a"},
      {"CR alone", "[LAN]\r1=a\r2=b\r", u"LAN", u"2", "b"},
      {"mixed line ends", "[LAN]\r\n1=a\r2=b\n3=c", u"LAN", u"3", "c"},
      {"last line without an end", "[LAN]\n1=end", u"LAN", u"1", "end"},
      {"value ends at NUL", std::string("[LAN]\n1=ab\0cd\n", 14), u"LAN", u"1", "ab"},
      {"negative key", "[LAN]\n1=one\n-1=minus\n", u"LAN", u"-1", "minus"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReadFrom(c.content, c.section, c.key), c.expected) << c.name;
  }
}

TEST_F(ProfileString, DecodesUtf16WithItsMarkAndUtf8Otherwise) {
  struct Case {
    const char* name;
    std::string content;
    std::u16string_view key;
    std::string expected;
  };
  const Case cases[] = {
      {"UTF-16LE with CJK and CRLF", Utf16Le(u"[LAN]\r\n17=版本\r\n18=\U0001F600 ok\r\n"), u"17", "版本"},
      {"UTF-16LE beyond the BMP", Utf16Le(u"[LAN]\r\n17=版本\r\n18=\U0001F600 ok\r\n"), u"18", "\U0001F600 ok"},
      {"UTF-16LE odd trailing byte", Utf16Le(u"[LAN]\n1=end") + "\x41", u"1", "end"},
      {"UTF-16LE unpaired surrogates",
       Utf16Le(std::u16string(u"[LAN]\n1=a") + char16_t(0xD800) + u"b" + char16_t(0xDC00) + u"\n"), u"1",
       "a\uFFFDb\uFFFD"},
      {"UTF-16LE high surrogate at the end", Utf16Le(std::u16string(u"[LAN]\n1=a") + char16_t(0xD83D)), u"1",
       "a\uFFFD"},
      {"UTF-8 with its mark before the header", "\xEF\xBB\xBF[LAN]\n17=Version\n", u"17", "Version"},
      {"UTF-8 without a mark", "[LAN]\n17=设置\n", u"17", "设置"},
      {"invalid UTF-8",
       "[LAN]\n1=a\xFF"
       "b\xC3\n",
       u"1", "a\uFFFDb\uFFFD"},
      // Neither is what the program writes; read as UTF-8, nothing matches.
      {"UTF-16LE without a mark", Utf16Le(u"[LAN]\n1=x\n", false), u"1", ""},
      {"UTF-16BE", "\xFE\xFF" + Utf16Le(u"[LAN]\n1=x\n", false).substr(1), u"1", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReadFrom(c.content, u"LAN", c.key), c.expected) << c.name;
  }
}

TEST_F(ProfileString, CutsLongValuesWithoutSplittingACharacter) {
  const std::u16string face = u"\U0001F600";  // two units
  struct Case {
    const char* name;
    std::u16string value;
    std::u16string expected;
  };
  const Case cases[] = {
      {"300 units", std::u16string(300, u'a'), std::u16string(259, u'a')},
      {"exactly 259", std::u16string(259, u'b'), std::u16string(259, u'b')},
      {"pair across the cut", std::u16string(258, u'c') + face + u"tail", std::u16string(258, u'c')},
      {"pair just inside", std::u16string(257, u'd') + face + u"tail", std::u16string(257, u'd') + face},
      {"quotes go before the cut", u"\"" + std::u16string(300, u'e') + u"\"", std::u16string(259, u'e')},
  };
  for (const Case& c : cases) {
    for (bool utf16 : {false, true}) {
      const std::u16string file = u"[LAN]\n1=" + c.value + u"\n";
      WriteFile(path, utf16 ? Utf16Le(file) : CString(file).ToUtf8());
      EXPECT_EQ(std::u16string(Language::ReadProfileString(u"LAN", u"1", path).View()), c.expected)
          << c.name << (utf16 ? " (UTF-16)" : " (UTF-8)");
    }
  }
}

TEST_F(ProfileString, WhatCannotBeReadIsEmpty) {
  EXPECT_EQ(Read(temp / "missing.lan", u"LAN", u"1"), "");
  EXPECT_EQ(Read(temp.Path(), u"LAN", u"1"), "");  // a folder
  EXPECT_EQ(Read("", u"LAN", u"1"), "");

  // The size limit, with the text at the start of the file.
  for (std::size_t size : {LanguageFile::kMaxFileSize, LanguageFile::kMaxFileSize + 1}) {
    WriteFile(path, "[LAN]\n1=x\n");
    ASSERT_EQ(truncate(path.c_str(), static_cast<off_t>(size)), 0);
    EXPECT_EQ(Read(path, u"LAN", u"1"), size <= LanguageFile::kMaxFileSize ? "x" : "") << size;
  }

  TestSupport::RunWithoutPrivileges([] {
    TempFolder own;
    const std::string locked = own / "locked.lan";
    WriteFile(locked, "[LAN]\n1=x\n");
    ASSERT_EQ(chmod(locked.c_str(), 0), 0);
    EXPECT_EQ(Read(locked, u"LAN", u"1"), "");
  });
}

// --- changes between calls --------------------------------------------------

TEST_F(ProfileString, EveryKindOfChangeShowsAtTheNextCall) {
  struct Case {
    const char* name;
    void (*change)(const std::string& path);
    const char* expected;
  };
  // Each change leaves all but one part of the file's stamp as it was.
  const Case cases[] = {
      {"same size, later time",
       [](const std::string& p) {
         WriteFile(p, "[LAN]\n1=new\n");
         SetModified(p, kOldTime + 1, 0);
       },
       "new"},
      {"same size, time a nanosecond later",
       [](const std::string& p) {
         WriteFile(p, "[LAN]\n1=new\n");
         SetModified(p, kOldTime, 1);
       },
       "new"},
      {"other size, same time",
       [](const std::string& p) {
         WriteFile(p, "[LAN]\n1=newer\n");
         SetModified(p, kOldTime, 0);
       },
       "newer"},
      {"replaced by a file of the same size and time",
       [](const std::string& p) {
         const std::string other = p + ".new";
         WriteFile(other, "[LAN]\n1=new\n");
         SetModified(other, kOldTime, 0);
         ASSERT_EQ(std::rename(other.c_str(), p.c_str()), 0);
       },
       "new"},
  };
  for (const Case& c : cases) {
    WriteFile(path, "[LAN]\n1=old\n");
    SetModified(path, kOldTime, 0);
    ASSERT_EQ(Read(path, u"LAN", u"1"), "old") << c.name;
    c.change(path);
    EXPECT_EQ(Read(path, u"LAN", u"1"), c.expected) << c.name;
  }
}

TEST_F(ProfileString, AFileRewrittenWithinOneClockTickIsStillSeen) {
  // File times advance in ticks of several milliseconds: two quick writes of
  // the same size can leave size, inode and time all unchanged.
  WriteFile(path, "[LAN]\n1=old\n");
  const timespec written = ModifiedOf(path);
  ASSERT_EQ(Read(path, u"LAN", u"1"), "old");
  WriteFile(path, "[LAN]\n1=new\n");
  SetModified(path, written.tv_sec, written.tv_nsec);
  EXPECT_EQ(Read(path, u"LAN", u"1"), "new");
}

TEST_F(ProfileString, ARemovedFileReadsAsEmptyAndACreatedOneAsItsText) {
  WriteFile(path, "[LAN]\n1=old\n");
  SetModified(path, kOldTime, 0);
  ASSERT_EQ(Read(path, u"LAN", u"1"), "old");
  ASSERT_EQ(unlink(path.c_str()), 0);
  EXPECT_EQ(Read(path, u"LAN", u"1"), "");
  WriteFile(path, "[LAN]\n1=back\n");
  SetModified(path, kOldTime, 0);
  EXPECT_EQ(Read(path, u"LAN", u"1"), "back");
}

TEST_F(ProfileString, MoreFilesThanTheCacheHoldsAllReadTheirOwnTexts) {
  std::vector<std::string> paths;
  for (std::size_t i = 0; i < 3 * LanguageFile::kCachedFiles; ++i) {
    paths.push_back(temp / ("f" + std::to_string(i) + ".lan"));
    WriteFile(paths.back(), "[LAN]\n1=text " + std::to_string(i) + "\n");
    SetModified(paths.back(), kOldTime, 0);
  }
  for (int round = 0; round < 3; ++round) {
    for (std::size_t i = 0; i < paths.size(); ++i) {
      EXPECT_EQ(Read(paths[i], u"LAN", u"1"), "text " + std::to_string(i)) << "round " << round;
    }
  }
  // Edited after eviction and while cached.
  WriteFile(paths[0], "[LAN]\n1=edited\n");
  WriteFile(paths.back(), "[LAN]\n1=edited too\n");
  EXPECT_EQ(Read(paths[0], u"LAN", u"1"), "edited");
  EXPECT_EQ(Read(paths.back(), u"LAN", u"1"), "edited too");
}

// --- texts of the language in force -----------------------------------------

// Language files beside the test program, under ids no real language uses and
// unique to this process, since test processes may run side by side. The
// language folder itself stays: it is the program's own.
class LanguageInForce : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Platform::CreateFolderTree(Platform::ProgramFolder() + "/language"));
    previousId_ = Language::GetLanguageId();
  }

  void TearDown() override {
    for (const std::string& path : written_) unlink(path.c_str());
    Language::SetLanguageId(previousId_);
  }

  static int UnusedId(int n) { return 1000000 + static_cast<int>(getpid()) * 4 + n; }

  std::string Write(int id, const std::string& content) {
    const std::string path = Language::LanguageFilePath(id);
    WriteFile(path, content);
    EXPECT_TRUE(Platform::IsFile(path)) << path;
    written_.push_back(path);
    return path;
  }

 private:
  int previousId_ = 0;
  std::vector<std::string> written_;
};

TEST_F(LanguageInForce, FilesAreNamedByTheDecimalIdInTheProgramFolder) {
  const std::string folder = Platform::ProgramFolder() + "/language/";
  EXPECT_EQ(Language::LanguageFilePath(1033), folder + "1033.lan");
  EXPECT_EQ(Language::LanguageFilePath(2052), folder + "2052.lan");
  EXPECT_EQ(Language::LanguageFilePath(-5), folder + "-5.lan");
  Language::SetLanguageId(2052);
  EXPECT_EQ(Language::GetLanguageId(), 2052);
}

TEST_F(LanguageInForce, EachLookupUsesTheLanguageInForceAtThatMoment) {
  const int english = UnusedId(0);
  const int chinese = UnusedId(1);
  Write(english, "[LAN]\r\n17=Version\r\n-1=minus\r\n[Tips]\r\n17=Shown at start\r\n");
  Write(chinese, Utf16Le(u"[LAN]\r\n17=版本\r\n"));

  Language::SetLanguageId(english);
  EXPECT_EQ(Text(17), "Version");
  EXPECT_EQ(Language::GetText(u"tips", 17).ToUtf8(), "Shown at start");
  EXPECT_EQ(Text(-1), "minus");  // the key keeps its sign
  EXPECT_EQ(Text(18), "");

  Language::SetLanguageId(chinese);
  EXPECT_EQ(Text(17), "版本");
  EXPECT_EQ(Text(-1), "");

  Language::SetLanguageId(english);
  EXPECT_EQ(Text(17), "Version");

  Language::SetLanguageId(UnusedId(2));  // no file
  EXPECT_EQ(Text(17), "");
}

TEST_F(LanguageInForce, AnEditedFileShowsInTheNextText) {
  const int id = UnusedId(0);
  const std::string path = Write(id, "[LAN]\n17=Version\n");
  SetModified(path, kOldTime, 0);
  Language::SetLanguageId(id);
  ASSERT_EQ(Text(17), "Version");
  Write(id, "[LAN]\n17=Program version\n");
  EXPECT_EQ(Text(17), "Program version");
}

TEST_F(LanguageInForce, TwoThreadsReadWhileAThirdReplacesTheFile) {
  const int id = UnusedId(0);
  const std::string contents[] = {"[LAN]\n1=first text\n", "[LAN]\n1=second, longer text\n"};
  const std::string path = Write(id, contents[0]);
  Language::SetLanguageId(id);

  std::atomic<bool> done{false};
  std::atomic<int> reads{0};
  std::atomic<int> wrong{0};
  auto reader = [&] {
    while (!done.load()) {
      const std::string text = Text(1);
      if (text != "first text" && text != "second, longer text") ++wrong;
      ++reads;
    }
  };
  std::thread first(reader);
  std::thread second(reader);
  // No ASSERT while the readers run: leaving early would not join them.
  EXPECT_TRUE(TestSupport::WaitFor([&] { return reads.load() > 0; }));
  // Replaced whole, the way an editor or an update saves: readers see the old
  // file or the new one, never a mix. Old times let the cache serve between
  // replacements; the last ones are recent, so the load path runs as well.
  for (int i = 0; i < 300; ++i) {
    const std::string next = path + ".next";
    WriteFile(next, contents[(i + 1) % 2]);
    if (i < 200) SetModified(next, kOldTime + i, 0);
    if (std::rename(next.c_str(), path.c_str()) != 0) {
      ADD_FAILURE() << "rename failed";
      break;
    }
  }
  done = true;
  first.join();
  second.join();

  EXPECT_EQ(wrong.load(), 0);
  EXPECT_EQ(Text(1), "first text");  // 300 replacements end on the first
}
