#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/AtomicFile.h"
#include "tests/support/TempFolder.h"
#include "tests/support/Unprivileged.h"

namespace {

using TestSupport::ReadFile;
using TestSupport::TempFolder;
using TestSupport::WriteFile;

std::vector<std::string> Entries(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

mode_t ModeOf(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(stat(path.c_str(), &st), 0) << path;
  return st.st_mode & 07777;
}

bool IsSymlink(const std::string& path) {
  struct stat st {};
  return lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

class ScopedUmask {
 public:
  explicit ScopedUmask(mode_t mask) : old_(umask(mask)) {}
  ~ScopedUmask() { umask(old_); }

 private:
  mode_t old_;
};

// Makes every write beyond `bytes` fail with EFBIG, which even root cannot
// bypass: the way to make a write fail half-way through.
class ScopedFileSizeLimit {
 public:
  explicit ScopedFileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &old_);
    oldHandler_ = signal(SIGXFSZ, SIG_IGN);
    rlimit limit = old_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~ScopedFileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &old_);
    signal(SIGXFSZ, oldHandler_);
  }

 private:
  rlimit old_{};
  sighandler_t oldHandler_ = SIG_DFL;
};

TEST(AtomicFileTest, NewFileGetsContentAndUmaskedMode) {
  struct Case {
    mode_t mask;
    mode_t expected;
  };
  for (const Case c : {Case{022, 0644}, Case{077, 0600}, Case{0, 0644}}) {
    TempFolder folder;
    ScopedUmask mask(c.mask);
    const std::string path = folder / "new.conf";
    ASSERT_TRUE(Platform::WriteFileAtomically(path, "hello\n"));
    EXPECT_EQ(ReadFile(path), "hello\n");
    EXPECT_EQ(ModeOf(path), c.expected) << "umask " << std::oct << c.mask;
    EXPECT_EQ(Entries(folder.Path()), std::vector<std::string>{"new.conf"});
  }
}

TEST(AtomicFileTest, ReplacingKeepsPermissionBits) {
  for (const mode_t mode : {0600, 0640, 0755, 0444}) {
    TempFolder folder;
    ScopedUmask mask(022);
    const std::string path = folder / "file";
    WriteFile(path, "old content that is longer than the new one");
    ASSERT_EQ(chmod(path.c_str(), mode), 0);
    ASSERT_TRUE(Platform::WriteFileAtomically(path, "new"));
    EXPECT_EQ(ReadFile(path), "new");
    EXPECT_EQ(ModeOf(path), mode) << std::oct << mode;
    EXPECT_EQ(Entries(folder.Path()), std::vector<std::string>{"file"});
  }
}

TEST(AtomicFileTest, ContentIsWrittenByteForByte) {
  TempFolder folder;
  std::string big(9 * 1024 * 1024 + 7, '\0');
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 131 % 251);
  for (const std::string& content : {std::string(), std::string("a\0b\r\n\xff", 6), big}) {
    const std::string path = folder / "data";
    ASSERT_TRUE(Platform::WriteFileAtomically(path, content));
    EXPECT_TRUE(ReadFile(path) == content) << "size " << content.size();
  }
}

TEST(AtomicFileTest, LongFileNameStillGetsATemporaryName) {
  TempFolder folder;
  const std::string path = folder / std::string(255, 'n');
  ASSERT_TRUE(Platform::WriteFileAtomically(path, "x"));
  EXPECT_EQ(ReadFile(path), "x");
  EXPECT_EQ(Entries(folder.Path()).size(), 1u);
}

TEST(AtomicFileTest, SymbolicLinkIsKeptAndItsFileReplaced) {
  TempFolder folder;
  std::filesystem::create_directory(folder / "real");
  std::filesystem::create_directory(folder / "links");
  const std::string real = folder / "real/settings.ini";
  WriteFile(real, "old");
  ASSERT_EQ(chmod(real.c_str(), 0600), 0);
  // One absolute link, one relative, and a link to a link.
  ASSERT_EQ(symlink(real.c_str(), (folder / "links/absolute").c_str()), 0);
  ASSERT_EQ(symlink("../real/settings.ini", (folder / "links/relative").c_str()), 0);
  ASSERT_EQ(symlink("relative", (folder / "links/chained").c_str()), 0);

  for (const char* link : {"links/absolute", "links/relative", "links/chained"}) {
    ASSERT_TRUE(Platform::WriteFileAtomically(folder / link, link)) << link;
    EXPECT_TRUE(IsSymlink(folder / link)) << link;
    EXPECT_EQ(ReadFile(real), link);
    EXPECT_EQ(ModeOf(real), 0600u);
  }
  EXPECT_EQ(Entries(folder / "real"), std::vector<std::string>{"settings.ini"});
  EXPECT_EQ(Entries(folder / "links"), (std::vector<std::string>{"absolute", "chained", "relative"}));
}

TEST(AtomicFileTest, DanglingLinkCreatesTheFileItPointsTo) {
  TempFolder folder;
  std::filesystem::create_directory(folder / "real");
  ASSERT_EQ(symlink("real/later.ini", (folder / "link").c_str()), 0);
  ASSERT_TRUE(Platform::WriteFileAtomically(folder / "link", "created"));
  EXPECT_TRUE(IsSymlink(folder / "link"));
  EXPECT_EQ(ReadFile(folder / "real/later.ini"), "created");

  // Pointing into a folder that does not exist: nothing is made anywhere.
  ASSERT_EQ(symlink("missing/later.ini", (folder / "nowhere").c_str()), 0);
  EXPECT_FALSE(Platform::WriteFileAtomically(folder / "nowhere", "lost"));
  EXPECT_TRUE(IsSymlink(folder / "nowhere"));
  EXPECT_EQ(Entries(folder.Path()), (std::vector<std::string>{"link", "nowhere", "real"}));
}

TEST(AtomicFileTest, FailuresLeaveTheOldStateAndNoTemporaryFiles) {
  TempFolder folder;
  // The folder must exist.
  EXPECT_FALSE(Platform::WriteFileAtomically(folder / "missing/file", "x"));
  EXPECT_FALSE(Platform::WriteFileAtomically("", "x"));
  // A folder, a pipe, a loop of links: never replaced.
  std::filesystem::create_directory(folder / "dir");
  EXPECT_FALSE(Platform::WriteFileAtomically(folder / "dir", "x"));
  EXPECT_TRUE(std::filesystem::is_directory(folder / "dir"));
  ASSERT_EQ(mkfifo((folder / "pipe").c_str(), 0600), 0);
  EXPECT_FALSE(Platform::WriteFileAtomically(folder / "pipe", "x"));
  EXPECT_TRUE(std::filesystem::is_fifo(folder / "pipe"));
  ASSERT_EQ(symlink("loop2", (folder / "loop1").c_str()), 0);
  ASSERT_EQ(symlink("loop1", (folder / "loop2").c_str()), 0);
  EXPECT_FALSE(Platform::WriteFileAtomically(folder / "loop1", "x"));
  EXPECT_EQ(Entries(folder.Path()), (std::vector<std::string>{"dir", "loop1", "loop2", "pipe"}));
  EXPECT_TRUE(Entries(folder / "dir").empty());
}

TEST(AtomicFileTest, WriteFailingHalfWayKeepsTheOriginal) {
  TempFolder folder;
  const std::string path = folder / "file";
  WriteFile(path, "original");
  {
    ScopedFileSizeLimit limit(4096);
    EXPECT_FALSE(Platform::WriteFileAtomically(path, std::string(100000, 'x')));
  }
  EXPECT_EQ(ReadFile(path), "original");
  EXPECT_EQ(Entries(folder.Path()), std::vector<std::string>{"file"});
}

TEST(AtomicFileTest, ReadOnlyFolderKeepsTheOriginal) {
  TestSupport::RunWithoutPrivileges([] {
    TempFolder folder;
    std::filesystem::create_directory(folder / "locked");
    const std::string path = folder / "locked/file";
    WriteFile(path, "original");
    ASSERT_EQ(chmod((folder / "locked").c_str(), 0500), 0);
    EXPECT_FALSE(Platform::WriteFileAtomically(path, "new"));
    chmod((folder / "locked").c_str(), 0700);
    EXPECT_EQ(ReadFile(path), "original");
    EXPECT_EQ(Entries(folder / "locked"), std::vector<std::string>{"file"});
  });
}

TEST(ReadWholeFileTest, ReadsUpToTheLimitAndNoFurther) {
  TempFolder folder;
  const std::string path = folder / "file";
  const std::string content("a\0b\nc\r\n\xfe", 8);
  WriteFile(path, content);
  std::string read = "stale";
  ASSERT_TRUE(Platform::ReadWholeFile(path, read, content.size()));
  EXPECT_TRUE(read == content);
  EXPECT_FALSE(Platform::ReadWholeFile(path, read, content.size() - 1));
  EXPECT_TRUE(read.empty());

  WriteFile(path, "");
  EXPECT_TRUE(Platform::ReadWholeFile(path, read, 0));
  EXPECT_TRUE(read.empty());
}

TEST(ReadWholeFileTest, RefusesWhatIsNotAReadableFile) {
  TempFolder folder;
  std::string read;
  EXPECT_FALSE(Platform::ReadWholeFile(folder / "missing", read, 100));
  EXPECT_FALSE(Platform::ReadWholeFile(folder.Path(), read, 100));
  // A pipe without a writer would block a plain open for good.
  ASSERT_EQ(mkfifo((folder / "pipe").c_str(), 0600), 0);
  EXPECT_FALSE(Platform::ReadWholeFile(folder / "pipe", read, 100));
}

TEST(ReadWholeFileTest, LimitHoldsWhenTheSizeIsNotKnownBeforehand) {
  // Files under /proc report a size of 0; only the guard while reading stops them.
  std::string read;
  ASSERT_TRUE(Platform::ReadWholeFile("/proc/self/status", read, 1 << 20));
  EXPECT_NE(read.find("Pid:"), std::string::npos);
  EXPECT_FALSE(Platform::ReadWholeFile("/proc/self/status", read, 16));
  EXPECT_TRUE(read.empty());
}

}  // namespace
