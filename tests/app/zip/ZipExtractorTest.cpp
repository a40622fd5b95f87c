#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "app/zip/ZipExtractor.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestArchive.h"

namespace fs = std::filesystem;
using TestSupport::ReadFile;
using TestSupport::TestArchive;
using TestSupport::WriteFile;
using Zorvane::ZipExtractor;

namespace {

class ZipExtractorTest : public testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(out_);
    fs::create_directories(outside_);
  }

  // Writes `archive` and unpacks it into out_.
  bool Extract(const TestArchive& archive, ZipExtractor& extractor) {
    EXPECT_TRUE(archive.Write(archivePath_, temp_.Path()));
    return extractor.ExtractAll(archivePath_, out_);
  }

  // Every file below out_, relative, sorted; the extractor's temporary files
  // would show up here too.
  std::vector<std::string> FilesInOut() const {
    std::vector<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(out_)) {
      if (!entry.is_directory()) files.push_back(fs::relative(entry.path(), out_).string());
    }
    std::sort(files.begin(), files.end());
    return files;
  }

  TestSupport::TempFolder temp_;
  const std::string out_ = temp_ / "out";
  const std::string outside_ = temp_ / "outside";
  const std::string archivePath_ = temp_ / "archive.zip";
};

std::vector<std::string> Sorted(std::vector<std::string> names) {
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

TEST_F(ZipExtractorTest, NestedEntriesExtractWithTheirContent) {
  const std::string binary("\x00\x01\xff\x7f zip\r\n", 10);
  const std::string large(300000, 'L');  // several reads of the extractor's buffer
  TestArchive archive;
  archive.Folder("docs/")
      .File("docs/readme.txt", "read me")
      .File("a/b/c/deep.txt", "deep")
      .File("top.bin", binary)
      .File("large.txt", large)
      .StoredFile("stored.txt", "kept as is")
      .Executable("run.sh", "#!/bin/sh\n")
      .File("./x/./y.txt", "normalised")
      .Folder("empty/");
  ZipExtractor extractor;
  ASSERT_TRUE(Extract(archive, extractor));
  EXPECT_EQ(extractor.FailedEntries(), 0u);

  EXPECT_EQ(ReadFile(out_ + "/docs/readme.txt"), "read me");
  EXPECT_EQ(ReadFile(out_ + "/a/b/c/deep.txt"), "deep");
  EXPECT_EQ(ReadFile(out_ + "/top.bin"), binary);
  EXPECT_EQ(ReadFile(out_ + "/large.txt"), large);
  EXPECT_EQ(ReadFile(out_ + "/stored.txt"), "kept as is");
  EXPECT_EQ(ReadFile(out_ + "/x/y.txt"), "normalised");
  EXPECT_TRUE(fs::is_directory(out_ + "/empty"));
  EXPECT_EQ(access((out_ + "/run.sh").c_str(), X_OK), 0);
  struct stat info {};
  ASSERT_EQ(stat((out_ + "/docs/readme.txt").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0111, 0u);

  EXPECT_EQ(Sorted(extractor.Extracted()),
            Sorted({"docs/readme.txt", "a/b/c/deep.txt", "top.bin", "large.txt", "stored.txt", "run.sh", "x/y.txt"}));
  EXPECT_EQ(FilesInOut(), Sorted(extractor.Extracted()));  // nothing else, no temporary files
}

TEST_F(ZipExtractorTest, NamesLeavingTheFolderAndLinksAreRefusedWhileTheRestExtracts) {
  TestArchive archive;
  archive.File("good.txt", "good")
      .File("../evil.txt", "evil")
      .File(outside_ + "/absolute.txt", "evil")
      .File("a/../../sneaky.txt", "evil")
      .File("..\\backslash.txt", "evil")
      .File("dir\\..\\..\\backslash2.txt", "evil")
      .File("C:/drive.txt", "evil")
      .File("c:drive2.txt", "evil")
      .Link("link", outside_)
      .File("link/through-link.txt", "evil")  // would land outside if the link had been made
      .File("sub/good2.txt", "good too");
  ZipExtractor extractor;
  EXPECT_FALSE(Extract(archive, extractor));
  EXPECT_EQ(extractor.FailedEntries(), 8u);

  EXPECT_EQ(Sorted(extractor.Extracted()), Sorted({"good.txt", "sub/good2.txt", "link/through-link.txt"}));
  EXPECT_EQ(ReadFile(out_ + "/good.txt"), "good");
  EXPECT_EQ(ReadFile(out_ + "/sub/good2.txt"), "good too");
  // The refused link was not made, so its "folder" is a real one inside.
  EXPECT_FALSE(fs::is_symlink(out_ + "/link"));
  EXPECT_TRUE(fs::is_empty(outside_));
  for (const char* escaped : {"evil.txt", "sneaky.txt", "backslash.txt", "backslash2.txt"}) {
    EXPECT_FALSE(fs::exists(temp_ / escaped)) << escaped;
  }
  EXPECT_EQ(FilesInOut(), Sorted(extractor.Extracted()));
}

TEST_F(ZipExtractorTest, LinksAlreadyInTheFolderAreNeverFollowed) {
  WriteFile(outside_ + "/target.txt", "original");
  fs::create_directory_symlink(outside_, out_ + "/linked-folder");
  fs::create_symlink(outside_ + "/target.txt", out_ + "/linked-file");
  TestArchive archive;
  archive.File("linked-folder/planted.txt", "evil").File("linked-file", "new content");
  ZipExtractor extractor;
  EXPECT_FALSE(Extract(archive, extractor));  // the folder entry fails

  EXPECT_FALSE(fs::exists(outside_ + "/planted.txt"));
  EXPECT_EQ(ReadFile(outside_ + "/target.txt"), "original");
  // The link at the file's name is replaced by the file itself.
  EXPECT_FALSE(fs::is_symlink(out_ + "/linked-file"));
  EXPECT_EQ(ReadFile(out_ + "/linked-file"), "new content");
  EXPECT_EQ(extractor.Extracted(), std::vector<std::string>{"linked-file"});
}

TEST_F(ZipExtractorTest, ArchivesThatCannotBeOpenedWriteNothing) {
  TestArchive valid;
  valid.File("one.txt", "one").File("two.txt", "two");
  ASSERT_TRUE(valid.Write(temp_ / "valid.zip", temp_.Path()));
  const std::string bytes = ReadFile(temp_ / "valid.zip");
  WriteFile(temp_ / "junk.zip", "this is not a zip archive at all");
  WriteFile(temp_ / "truncated.zip", bytes.substr(0, bytes.size() / 2));
  WriteFile(temp_ / "empty.zip", "");

  for (const char* name : {"junk.zip", "truncated.zip", "empty.zip", "missing.zip"}) {
    ZipExtractor extractor;
    EXPECT_FALSE(extractor.ExtractAll(temp_ / name, out_)) << name;
    EXPECT_TRUE(extractor.Extracted().empty()) << name;
  }
  EXPECT_TRUE(fs::is_empty(out_));
  ZipExtractor extractor;
  EXPECT_FALSE(extractor.ExtractAll(temp_ / "valid.zip", temp_ / "no-such-folder"));
}

TEST_F(ZipExtractorTest, DamagedEntryFailsAndLeavesNoPartialFile) {
  const std::string marker = "MARKER-DATA-THAT-IS-STORED-UNCOMPRESSED";
  TestArchive archive;
  archive.File("fine.txt", "fine").StoredFile("damaged.txt", marker);
  ASSERT_TRUE(archive.Write(archivePath_, temp_.Path()));
  std::string bytes = ReadFile(archivePath_);
  const std::size_t at = bytes.find(marker);
  ASSERT_NE(at, std::string::npos);
  bytes[at + 3] = 'X';  // same size, wrong CRC
  WriteFile(archivePath_, bytes);

  ZipExtractor extractor;
  EXPECT_FALSE(extractor.ExtractAll(archivePath_, out_));
  EXPECT_EQ(extractor.FailedEntries(), 1u);
  EXPECT_EQ(FilesInOut(), std::vector<std::string>{"fine.txt"});
}

TEST_F(ZipExtractorTest, LimitsCapTotalSizeAndEntryCount) {
  TestArchive archive;
  archive.File("a.txt", std::string(40, 'a')).File("b.txt", std::string(200, 'b')).File("c.txt", std::string(40, 'c'));

  ZipExtractor bySize(ZipExtractor::Limits{100, 100});
  EXPECT_FALSE(Extract(archive, bySize));
  EXPECT_EQ(FilesInOut(), Sorted({"a.txt", "c.txt"}));

  fs::remove_all(out_);
  fs::create_directories(out_);
  ZipExtractor byCount(ZipExtractor::Limits{1000, 2});
  EXPECT_FALSE(Extract(archive, byCount));
  EXPECT_EQ(FilesInOut(), Sorted({"a.txt", "b.txt"}));
}
