#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/IniFile.h"
#include "tests/support/TempFolder.h"
#include "tests/support/Unprivileged.h"

namespace {

using Platform::IniFile;
using TestSupport::ReadFile;
using TestSupport::TempFolder;
using TestSupport::WriteFile;

std::size_t EntryCount(const std::string& folder) {
  std::error_code error;
  std::size_t count = 0;
  for (auto it = std::filesystem::directory_iterator(folder, error);
       !error && it != std::filesystem::directory_iterator(); it.increment(error))
    ++count;
  return count;
}

// A fixture holding one file, for the cases that check exact bytes.
class IniFileTest : public ::testing::Test {
 protected:
  IniFile Given(const std::string& content) {
    WriteFile(path_, content);
    return IniFile(path_);
  }
  std::string Content() const { return ReadFile(path_); }

  TempFolder folder_;
  std::string path_ = folder_ / "settings.ini";
};

TEST_F(IniFileTest, ValuesRoundTrip) {
  IniFile ini = Given("");
  const std::vector<std::string> values = {"1",       "",      "  padded\t ", "a=b=c",   "[not a section]",
                                           "; x # y", "\\n\\", "Grüße 鼠标",  "\x01\x7f"};
  for (std::size_t i = 0; i < values.size(); ++i) {
    const std::string name = "Name" + std::to_string(i);
    ASSERT_TRUE(ini.Write("Main", name, values[i])) << name;
    EXPECT_EQ(ini.Read("Main", name), values[i]) << name;
  }
  // Overwriting each one again leaves all the others as they were.
  for (std::size_t i = 0; i < values.size(); ++i) ASSERT_TRUE(ini.Write("main", "NAME" + std::to_string(i), "v"));
  for (std::size_t i = 0; i < values.size(); ++i) EXPECT_EQ(ini.Read("MAIN", "name" + std::to_string(i)), "v");
  EXPECT_EQ(ini.Read("Other", "Name0"), std::nullopt);
  EXPECT_EQ(ini.Read("Main", "Missing"), std::nullopt);
}

TEST_F(IniFileTest, ReadFindsTheFirstMatchInItsSection) {
  struct Case {
    const char* content;
    const char* section;
    const char* name;
    std::optional<std::string> expected;
  };
  const Case cases[] = {
      {"[s]\na=1\n", "s", "a", "1"},
      {"[s]\na=1\na=2\n", "s", "a", "1"},
      {"[s]\nName=1\nNAME=2\n", "S", "nAmE", "1"},
      {"[s]\r\na=1\r\n", "s", "a", "1"},
      {"[s]\na= 1 \t\n", "s", "a", " 1 \t"},
      {"[s]\na=x\r\r\n", "s", "a", "x\r"},  // only one CR belongs to the line break
      {"[s]\na=\n", "s", "a", ""},
      {"  [ s ]\t\n\t a \t= v\n", "s", "a", " v"},
      {"[s]\na=1", "s", "a", "1"},
      {"a=0\n[s]\n", "s", "a", std::nullopt},  // before any header: in no section
      {"[t]\na=1\n[s]\n", "s", "a", std::nullopt},
      {"[s]\na=1\n[t]\na=2\n", "t", "a", "2"},
      {"[s]\nb=1\n[t]\n[s]\na=2\n", "s", "a", "2"},  // a repeated section is still the section
      {"[s]\na\nb=2\n", "s", "a", std::nullopt},
      {"[s]\n=1\n", "s", "", std::nullopt},
      {"[s]\n[a=1]\n", "s", "[a", std::nullopt},
      {"[s]x\na=1\n", "s", "a", std::nullopt},
      {"[]\na=1\n", "s", "a", std::nullopt},
      {"", "s", "a", std::nullopt},
  };
  for (const Case& c : cases) {
    IniFile ini = Given(c.content);
    EXPECT_EQ(ini.Read(c.section, c.name), c.expected) << testing::PrintToString(std::string(c.content));
  }
}

TEST_F(IniFileTest, WriteChangesOnlyWhatItMust) {
  struct Case {
    const char* before;
    const char* section;
    const char* name;
    const char* value;
    const char* after;
  };
  const Case cases[] = {
      // replaced in place, spelling and spacing of the name kept
      {"[s]\na=1\nb=2\n", "s", "a", "9", "[s]\na=9\nb=2\n"},
      {"[S]\n  Key = old\n", "s", "key", "new", "[S]\n  Key =new\n"},
      {"[s]\r\na=1\r\nb=2\r\n", "s", "b", "9", "[s]\r\na=1\r\nb=9\r\n"},
      {"[s]\na=1\nA=2\n", "s", "a", "9", "[s]\na=9\nA=2\n"},
      {"[s]\na=1", "s", "a", "22", "[s]\na=22"},
      // a new name goes after the section's last value
      {"[s]\na=1\n\n; comment\n[t]\nx=1\n", "s", "b", "2", "[s]\na=1\nb=2\n\n; comment\n[t]\nx=1\n"},
      {"[s]\n[t]\n", "s", "a", "1", "[s]\na=1\n[t]\n"},
      {"[s]", "s", "a", "1", "[s]\na=1\n"},
      {"[s]\na=1", "s", "b", "2", "[s]\na=1\nb=2\n"},
      {"[t]\na=1\n[s]\n", "s", "a", "2", "[t]\na=1\n[s]\na=2\n"},
      {"a=0\n[s]\nb=1\n", "s", "a", "2", "a=0\n[s]\nb=1\na=2\n"},
      {"[s]\na=1\n[t]\n[s]\nb=2\n", "s", "c", "3", "[s]\na=1\nc=3\n[t]\n[s]\nb=2\n"},
      {"[s]\na=1\n[t]\n[s]\nb=2\n", "s", "b", "3", "[s]\na=1\n[t]\n[s]\nb=3\n"},
      // a missing section is appended, on a line of its own
      {"", "s", "a", "1", "[s]\na=1\n"},
      {"[t]\nx=1\n", "s", "a", "1", "[t]\nx=1\n[s]\na=1\n"},
      {"[t]\nx=1", "s", "a", "1", "[t]\nx=1\n[s]\na=1\n"},
      {"[t]\r\nx=1\r\n", "s", "a", "1", "[t]\r\nx=1\r\n[s]\na=1\n"},
      // blanks around section and name are not part of them
      {"[s]\na=1\n", " s ", " a\t", "2", "[s]\na=2\n"},
  };
  for (const Case& c : cases) {
    IniFile ini = Given(c.before);
    ASSERT_TRUE(ini.Write(c.section, c.name, c.value)) << c.before;
    EXPECT_EQ(Content(), c.after) << testing::PrintToString(std::string(c.before));
    EXPECT_EQ(ini.Read(c.section, c.name), c.value);
  }
}

TEST_F(IniFileTest, MalformedFilesSurviveAWrite) {
  std::string junk;
  for (int i = 0; i < 512; ++i) junk += static_cast<char>(i % 256);  // NULs, CRs, LFs, '[', '=' and all
  const std::string longLine = "x=" + std::string(1024 * 1024, 'y') + "\n";
  struct Case {
    std::string before;
    std::optional<std::string> read;  // s/a before the write
    std::string after;
  };
  const Case cases[] = {
      {junk, std::nullopt, junk + "\n[s]\na=2\n"},
      {junk + "\n[s]\na=1\n" + junk, "1", junk + "\n[s]\na=2\n" + junk},
      {"[s]\n" + longLine + "a=1\r\n" + longLine, "1", "[s]\n" + longLine + "a=2\r\n" + longLine},
      {"[s]\n" + longLine, std::nullopt, "[s]\n" + longLine + "a=2\n"},
      {std::string("[s]\na=1\0tail\n", 13) + junk, std::string("1\0tail", 6), "[s]\na=2\n" + junk},
      {"\xef\xbb\xbf[s]\na=1\n", "1", "\xef\xbb\xbf[s]\na=2\n"},  // a byte order mark is kept
  };
  for (const Case& c : cases) {
    IniFile ini = Given(c.before);
    EXPECT_EQ(ini.Read("s", "a"), c.read);
    ASSERT_TRUE(ini.Write("s", "a", "2"));
    EXPECT_TRUE(Content() == c.after) << "size " << c.before.size();
    EXPECT_EQ(ini.Read("s", "a"), "2");
  }
}

TEST_F(IniFileTest, FilesOverTheLimitAreNeverCutDown) {
  const std::string head = "[s]\na=1\n";
  const std::string tooBig = head + std::string(IniFile::kMaxFileSize + 1 - head.size(), '#');
  IniFile ini = Given(tooBig);
  EXPECT_EQ(ini.Read("s", "a"), std::nullopt);
  EXPECT_FALSE(ini.Write("s", "a", "2"));
  EXPECT_TRUE(Content() == tooBig);

  // At the limit it is read, but a write that would push it over is refused.
  const std::string full = head + std::string(IniFile::kMaxFileSize - head.size(), '#');
  ini = Given(full);
  EXPECT_EQ(ini.Read("s", "a"), "1");
  EXPECT_FALSE(ini.Write("s", "a", "22"));
  EXPECT_TRUE(Content() == full);
  EXPECT_EQ(EntryCount(folder_.Path()), 1u);
}

TEST_F(IniFileTest, RefusesNamesAndValuesThatWouldBreakTheFile) {
  const std::string before = "[s]\na=1\n";
  IniFile ini = Given(before);
  const std::string nul("a\0b", 3);
  const std::vector<std::pair<std::string, std::string>> refused = {
      {"a\nb", "1"}, {"a\rb", "1"}, {nul, "1"},  {"a=b", "1"}, {"[a", "1"},     {"", "1"},
      {" \t ", "1"}, {"a", "1\n"},  {"a", "\r"}, {"a", nul},   {"a", "x\nb=2"},
  };
  for (const auto& [name, value] : refused) {
    EXPECT_FALSE(ini.Write("s", name, value)) << testing::PrintToString(name) << " " << testing::PrintToString(value);
  }
  for (const char* section : {"", "  ", "s\n", "s\r", "a]\n[b"}) EXPECT_FALSE(ini.Write(section, "a", "2")) << section;
  EXPECT_EQ(Content(), before);
}

TEST_F(IniFileTest, WriteNeedsAnExistingFile) {
  IniFile ini(folder_ / "settings.ini");
  EXPECT_FALSE(ini.Exists());
  EXPECT_FALSE(ini.Write("s", "a", "1"));
  EXPECT_EQ(ini.Read("s", "a"), std::nullopt);
  EXPECT_FALSE(ini.Exists());
  EXPECT_EQ(EntryCount(folder_.Path()), 0u);

  std::filesystem::create_directory(folder_ / "dir");
  IniFile folderIni(folder_ / "dir");
  EXPECT_FALSE(folderIni.Exists());
  EXPECT_FALSE(folderIni.Write("s", "a", "1"));
  EXPECT_FALSE(folderIni.Create("s"));
  EXPECT_TRUE(std::filesystem::is_directory(folder_ / "dir"));
}

TEST_F(IniFileTest, CreateMakesFoldersAndNeverTouchesAnExistingFile) {
  IniFile ini(folder_ / "a/b/c/settings.ini");
  ASSERT_TRUE(ini.Create("Main"));
  EXPECT_TRUE(ini.Exists());
  EXPECT_EQ(ReadFile(ini.Path()), "[Main]\n");
  struct stat st {};
  ASSERT_EQ(stat((folder_ / "a/b").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);

  ASSERT_TRUE(ini.Write("Main", "a", "1"));
  EXPECT_TRUE(ini.Create("Main"));
  EXPECT_TRUE(ini.Create("Other"));
  EXPECT_EQ(ReadFile(ini.Path()), "[Main]\na=1\n");

  EXPECT_FALSE(IniFile(folder_ / "x.ini").Create("bad\nsection"));
  EXPECT_FALSE(IniFile(folder_ / "x.ini").Exists());
}

TEST_F(IniFileTest, SymbolicLinkIsKept) {
  std::filesystem::create_directory(folder_ / "real");
  WriteFile(folder_ / "real/settings.ini", "[s]\na=1\n");
  ASSERT_EQ(symlink("real/settings.ini", path_.c_str()), 0);
  IniFile ini(path_);
  ASSERT_TRUE(ini.Write("s", "a", "2"));
  struct stat st {};
  ASSERT_EQ(lstat(path_.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(ReadFile(folder_ / "real/settings.ini"), "[s]\na=2\n");
}

TEST_F(IniFileTest, FailedReplaceLeavesTheFileIntact) {
  // A file size limit makes the temporary file's write fail, for root too.
  const std::string before = "[s]\na=1\n" + std::string(8000, ';') + "\n";
  IniFile ini = Given(before);
  rlimit old{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  const sighandler_t oldHandler = signal(SIGXFSZ, SIG_IGN);
  rlimit limit = old;
  limit.rlim_cur = 4096;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
  const bool written = ini.Write("s", "a", "2");
  setrlimit(RLIMIT_FSIZE, &old);
  signal(SIGXFSZ, oldHandler);

  EXPECT_FALSE(written);
  EXPECT_EQ(Content(), before);
  EXPECT_EQ(EntryCount(folder_.Path()), 1u);
}

TEST(IniFileWithoutPrivileges, ReadOnlyFolderLeavesTheFileIntact) {
  TestSupport::RunWithoutPrivileges([] {
    TempFolder folder;
    std::filesystem::create_directory(folder / "locked");
    IniFile ini(folder / "locked/settings.ini");
    WriteFile(ini.Path(), "[s]\na=1\n");
    ASSERT_EQ(chmod((folder / "locked").c_str(), 0500), 0);
    EXPECT_FALSE(ini.Write("s", "a", "2"));
    EXPECT_EQ(ini.Read("s", "a"), "1");
    chmod((folder / "locked").c_str(), 0700);
    EXPECT_EQ(ReadFile(ini.Path()), "[s]\na=1\n");
    EXPECT_EQ(EntryCount(folder / "locked"), 1u);
  });
}

TEST_F(IniFileTest, ConcurrentWritersLoseNothing) {
  Given("[s]\n");
  constexpr int kPerThread = 200;
  auto writer = [this](const std::string& prefix) {
    IniFile ini(path_);  // an object of its own: the lock is shared by all
    for (int i = 0; i < kPerThread; ++i) ASSERT_TRUE(ini.Write("s", prefix + std::to_string(i), std::to_string(i)));
  };
  std::thread first(writer, "first");
  std::thread second(writer, "second");
  first.join();
  second.join();

  const IniFile ini(path_);
  for (int i = 0; i < kPerThread; ++i) {
    EXPECT_EQ(ini.Read("s", "first" + std::to_string(i)), std::to_string(i));
    EXPECT_EQ(ini.Read("s", "second" + std::to_string(i)), std::to_string(i));
  }
}

}  // namespace
