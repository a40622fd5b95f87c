#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Paths.h"
#include "tests/support/TempFolder.h"

using TestSupport::ScopedEnv;
using TestSupport::TempFolder;

TEST(Paths, XdgFoldersHonourOnlyAbsoluteValues) {
  ScopedEnv home("HOME", "/home/someone");
  {
    ScopedEnv config("XDG_CONFIG_HOME", "/cfg/");
    ScopedEnv data("XDG_DATA_HOME", "/data");
    ScopedEnv runtime("XDG_RUNTIME_DIR", "/run/user/1000");
    EXPECT_EQ(Platform::ConfigHome(), "/cfg");
    EXPECT_EQ(Platform::DataHome(), "/data");
    EXPECT_EQ(Platform::RuntimeFolder(), "/run/user/1000");
  }
  {
    ScopedEnv config("XDG_CONFIG_HOME", "relative/cfg");
    ScopedEnv data("XDG_DATA_HOME", "");
    ScopedEnv runtime("XDG_RUNTIME_DIR", nullptr);
    EXPECT_EQ(Platform::ConfigHome(), "/home/someone/.config");
    EXPECT_EQ(Platform::DataHome(), "/home/someone/.local/share");
    EXPECT_EQ(Platform::RuntimeFolder(), "");
  }
}

TEST(Paths, HomeFallsBackToThePasswordDatabase) {
  ScopedEnv home("HOME", nullptr);
  std::string found = Platform::HomeFolder();
  EXPECT_FALSE(found.empty());
  EXPECT_EQ(found[0], '/');
}

TEST(Paths, ProgramFolderIsTheTestExecutablesFolder) {
  std::string folder = Platform::ProgramFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder[0], '/');
  EXPECT_TRUE(Platform::IsFile(folder + "/platform_tests"));
}

TEST(Paths, CreateFolderTreeMakesEveryMissingLevel) {
  TempFolder temp;
  std::string deep = temp / "a/b c/d";
  EXPECT_TRUE(Platform::CreateFolderTree(deep));
  EXPECT_TRUE(Platform::IsFolder(temp / "a"));
  EXPECT_TRUE(Platform::IsFolder(temp / "a/b c"));
  EXPECT_TRUE(Platform::IsFolder(deep));
}

TEST(Paths, CreateFolderTreeLeavesAnExistingTreeAlone) {
  TempFolder temp;
  std::string folder = temp / "keep";
  ASSERT_TRUE(Platform::CreateFolderTree(folder));
  TestSupport::WriteFile(folder + "/file", "content");
  ASSERT_EQ(chmod(folder.c_str(), 0700), 0);

  EXPECT_TRUE(Platform::CreateFolderTree(folder));
  EXPECT_TRUE(Platform::CreateFolderTree(folder + "/"));
  struct stat st {};
  ASSERT_EQ(stat(folder.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  EXPECT_EQ(TestSupport::ReadFile(folder + "/file"), "content");
}

TEST(Paths, CreateFolderTreeFailsWhereAFileStands) {
  TempFolder temp;
  TestSupport::WriteFile(temp / "file", "x");
  EXPECT_FALSE(Platform::CreateFolderTree(temp / "file"));
  EXPECT_FALSE(Platform::CreateFolderTree(temp / "file/below"));
  EXPECT_FALSE(Platform::CreateFolderTree(""));
}
