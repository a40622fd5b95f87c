#include <gtest/gtest.h>

#include <vector>

#include "app/features/KeyAssignmentStore.h"
#include "platform/Paths.h"
#include "tests/support/TempFolder.h"

using Nuvex::CString;
using TestSupport::TempFolder;
using Zorvane::ConfigStore;
using Zorvane::KeyAssignment;
using Zorvane::KeyAssignmentStore;

namespace {

KeyAssignment Key(int profile, int keyCode, int type, int value, const char16_t* label) {
  KeyAssignment key;
  key.profile = profile;
  key.key_code = keyCode;
  key.macro_type = type;
  key.macro_value = value;
  key.macro_desc = label;
  return key;
}

}  // namespace

class KeyAssignmentStoreTest : public testing::Test {
 protected:
  TempFolder data;
  ConfigStore store;

  void SetUp() override {
    ASSERT_TRUE(Platform::CreateFolderTree(data / "db"));
    ASSERT_TRUE(store.OpenForDevice(data.Path(), u"model"));
  }
};

TEST_F(KeyAssignmentStoreTest, SaveReplacesTheButtonsRow) {
  EXPECT_FALSE(KeyAssignmentStore::LoadAssignment(store, 1, 3));

  KeyAssignment key = Key(1, 3, 2, 4, u"Shift+ Ctrl + A");
  key.macro_value2 = 3;
  key.fn_layer = 2;  // every row is layer 0
  EXPECT_EQ(KeyAssignmentStore::SaveAssignment(store, key), 1);
  EXPECT_EQ(KeyAssignmentStore::SaveAssignment(store, Key(1, 3, 8, 1, u"Off")), 1);

  std::optional<KeyAssignment> loaded = KeyAssignmentStore::LoadAssignment(store, 1, 3);
  ASSERT_TRUE(loaded);
  EXPECT_EQ(loaded->fn_layer, 0);
  EXPECT_EQ(loaded->macro_type, 8);
  EXPECT_EQ(loaded->macro_value, 1);
  EXPECT_EQ(loaded->macro_desc, u"Off");
  EXPECT_EQ(KeyAssignmentStore::LoadAssignments(store, 1).size(), 1u);
}

TEST_F(KeyAssignmentStoreTest, ValueZeroOnlyRemoves) {
  ASSERT_EQ(KeyAssignmentStore::SaveAssignment(store, Key(1, 2, 4, 6, u"Volume")), 1);
  EXPECT_EQ(KeyAssignmentStore::SaveAssignment(store, Key(1, 2, 1, 0, u"")), 0);
  EXPECT_FALSE(KeyAssignmentStore::LoadAssignment(store, 1, 2));
}

TEST_F(KeyAssignmentStoreTest, ListsOneProfileInStoreOrder) {
  for (int code : {5, 1, 7}) ASSERT_EQ(KeyAssignmentStore::SaveAssignment(store, Key(1, code, 1, 2, u"Middle")), 1);
  ASSERT_EQ(KeyAssignmentStore::SaveAssignment(store, Key(2, 4, 1, 2, u"Middle")), 1);

  std::vector<KeyAssignment> keys = KeyAssignmentStore::LoadAssignments(store, 1);
  ASSERT_EQ(keys.size(), 3u);
  EXPECT_EQ(keys[0].key_code, 5);
  EXPECT_EQ(keys[1].key_code, 1);
  EXPECT_EQ(keys[2].key_code, 7);
}

TEST_F(KeyAssignmentStoreTest, ReappliedProgramReusesItsRow) {
  int first = KeyAssignmentStore::AddOtherData(store, u"tool", u"/usr/bin/tool", 9);
  ASSERT_GT(first, 0);
  EXPECT_EQ(KeyAssignmentStore::AddOtherData(store, u"tool", u"/usr/bin/tool", 9), first);

  // Any difference is another row.
  int otherPath = KeyAssignmentStore::AddOtherData(store, u"tool", u"/opt/tool", 9);
  int otherName = KeyAssignmentStore::AddOtherData(store, u"Tool", u"/usr/bin/tool", 9);
  int address = KeyAssignmentStore::AddOtherData(store, u"example.org", u"", 10);
  int sameTextOtherType = KeyAssignmentStore::AddOtherData(store, u"example.org", u"", 9);
  for (int id : {otherPath, otherName, address, sameTextOtherType}) {
    EXPECT_GT(id, 0);
    EXPECT_NE(id, first);
  }
  EXPECT_NE(address, sameTextOtherType);
  EXPECT_EQ(KeyAssignmentStore::AddOtherData(store, u"example.org", u"", 10), address);
}

TEST_F(KeyAssignmentStoreTest, FindKeyOtherGivesTheOldestCopy) {
  EXPECT_EQ(store.FindKeyOther(u"example.org", u"", 10), 0);
  // Earlier versions added a row on every apply.
  int oldest = store.AddKeyOther(u"example.org", u"", 10);
  ASSERT_GT(store.AddKeyOther(u"example.org", u"", 10), oldest);
  EXPECT_EQ(store.FindKeyOther(u"example.org", u"", 10), oldest);
  EXPECT_EQ(KeyAssignmentStore::AddOtherData(store, u"example.org", u"", 10), oldest);
}

TEST_F(KeyAssignmentStoreTest, ClosedStoreFailsQuietly) {
  ASSERT_TRUE(store.Close());
  EXPECT_EQ(KeyAssignmentStore::SaveAssignment(store, Key(1, 3, 8, 1, u"Off")), 0);
  EXPECT_FALSE(KeyAssignmentStore::LoadAssignment(store, 1, 3));
  EXPECT_TRUE(KeyAssignmentStore::LoadAssignments(store, 1).empty());
  EXPECT_EQ(KeyAssignmentStore::AddOtherData(store, u"tool", u"/usr/bin/tool", 9), 0);
  EXPECT_EQ(store.FindKeyOther(u"tool", u"/usr/bin/tool", 9), 0);
}
