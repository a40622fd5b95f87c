#include <dirent.h>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/config/ConfigStore.h"
#include "app/config/Language.h"
#include "tests/support/TempFolder.h"

using Nuvex::CString;
using TestSupport::TempFolder;
using Zorvane::ConfigStore;
using Zorvane::KeyAssignment;
using Zorvane::Language;
using Zorvane::LightModeRecord;
using Zorvane::MacroEventRecord;
using Zorvane::MacroRecord;
using Zorvane::ProfileRecord;
using Zorvane::TextRecord;

namespace {

using Rows = std::vector<std::vector<std::string>>;

// A second connection to the store's file, for looking at the rows as stored
// and for planting what the store itself never writes (bad UTF-8, NULLs,
// failing triggers).
class RawDb {
 public:
  explicit RawDb(const std::string& path) {
    if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
      ADD_FAILURE() << "cannot open " << path;
    sqlite3_busy_timeout(db_, 200);
  }
  ~RawDb() { sqlite3_close(db_); }
  RawDb(const RawDb&) = delete;
  RawDb& operator=(const RawDb&) = delete;

  int Exec(const std::string& sql) {
    char* error = nullptr;
    int rc = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error);
    sqlite3_free(error);
    return rc;
  }

  // NULL columns read as "<null>".
  Rows Query(const std::string& sql, const std::vector<std::string>& textBinds = {}) {
    Rows rows;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
      ADD_FAILURE() << sql << ": " << sqlite3_errmsg(db_);
      return rows;
    }
    for (std::size_t i = 0; i < textBinds.size(); ++i)
      sqlite3_bind_text(statement, static_cast<int>(i) + 1, textBinds[i].data(), static_cast<int>(textBinds[i].size()),
                        SQLITE_TRANSIENT);
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
      std::vector<std::string> row;
      for (int c = 0; c < sqlite3_column_count(statement); ++c) {
        const unsigned char* text = sqlite3_column_text(statement, c);
        row.push_back(text ? std::string(reinterpret_cast<const char*>(text), sqlite3_column_bytes(statement, c))
                           : "<null>");
      }
      rows.push_back(row);
    }
    if (rc != SQLITE_DONE) ADD_FAILURE() << sql << ": " << sqlite3_errmsg(db_);
    sqlite3_finalize(statement);
    return rows;
  }

  std::string Scalar(const std::string& sql) {
    Rows rows = Query(sql);
    return rows.size() == 1 && rows[0].size() == 1 ? rows[0][0] : "<no single value>";
  }

 private:
  sqlite3* db_ = nullptr;
};

struct DefaultKey {
  const char* key;
  const char* created;  // what a new profile gets
  const char* reset;    // what ResetConfig writes; null: not reset
};

// Every profile's configuration keys, in the order their rows are written.
constexpr DefaultKey kDefaultKeys[] = {
    {"version", "1.0.1", nullptr},
    {"lightmode", "3", "3"},
    {"sleep_light", "1", "1"},
    {"deep_sleep", "60", "60"},
    {"light_sleep", "60", "60"},
    {"move_wakeup", "0", "0"},
    {"move_closelight", "1", "1"},
    {"report_rate", "2", "2"},
    {"report_count", "7", "7"},
    {"report_flag", "15", "15"},
    {"button_respondtime", "1", "1"},
    {"sensor_flag", "53", "53"},
    {"liftoff_height", "1", "1"},
    {"scroll_flag", "1", "1"},
    {"e-sports_flag", "0", "0"},
    {"highspeed_mode", "0", "0"},
    {"leftbtn_lock", "1", "1"},
    {"dpi_flag", "5", "4"},
    {"dpi_index", "1", "1"},
    {"dpi_count", "7", "7"},
    {"dpi_group0_value", "800", "800"},
    {"dpi_group1_value", "1200", "1200"},
    {"dpi_group2_value", "1600", "1600"},
    {"dpi_group3_value", "2400", "3200"},
    {"dpi_group4_value", "5000", "5000"},
    {"dpi_group5_value", "12000", "12000"},
    {"dpi_group6_value", "24000", "24000"},
    {"dpi_group0_rgb", "255", "255"},
    {"dpi_group1_rgb", "16776960", "16776960"},
    {"dpi_group2_rgb", "65535", "65535"},
    {"dpi_group3_rgb", "13353215", "13353215"},
    {"dpi_group4_rgb", "65280", "65280"},
    {"dpi_group5_rgb", "16711935", "16711935"},
    {"dpi_group6_rgb", "16711680", "16711680"},
    {"notify_dpi", "1", "1"},
    {"notify_light", "1", "1"},
    {"notify_devsleep", "1", "1"},
    {"notify_reporterate", "1", "1"},
    {"notify_lowbattery", "1", "1"},
    {"notify_fardistance", "1", "1"},
};

CString Wide(const std::string& utf8) {
  return CString::FromUtf8(utf8);
}
std::string Utf8(const CString& text) {
  return text.ToUtf8();
}

// The language id is process-wide; tests that change it put it back.
class LanguageGuard {
 public:
  LanguageGuard() : old_(Language::GetLanguageId()) {}
  ~LanguageGuard() { Language::SetLanguageId(old_); }

 private:
  int old_;
};

// How many descriptors of this process refer to `path`.
int OpenDescriptorsOf(const std::string& path) {
  std::error_code error;
  std::filesystem::path target = std::filesystem::canonical(path, error);
  if (error) return 0;
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", error)) {
    std::error_code ignored;
    if (std::filesystem::read_symlink(entry.path(), ignored) == target) ++count;
  }
  return count;
}

KeyAssignment Assignment(int profile, int keyCode, int macroValue, int macroValue2 = 0) {
  KeyAssignment record;
  record.profile = profile;
  record.key_code = keyCode;
  record.layout_value = 0x10 + keyCode;
  record.layout_desc = u"Layout";
  record.macro_type = 3;
  record.macro_value = macroValue;
  record.macro_value2 = macroValue2;
  record.macro_value3 = 6;
  record.macro_desc = u"Label";
  return record;
}

MacroEventRecord Event(int macroId, int recordIndex, int value) {
  MacroEventRecord record;
  record.macro_id = macroId;
  record.type = 1;
  record.record_index = recordIndex;
  record.value = value;
  record.delay_time = 10 * recordIndex;
  record.desc = u"event";
  return record;
}

std::vector<int> EventValues(ConfigStore& store, int macroId) {
  std::vector<MacroEventRecord> events;
  store.ListMacroEvents(macroId, events);
  std::vector<int> values;
  for (const auto& event : events) values.push_back(event.value);
  return values;
}

constexpr const char* kRefuse666 =
    "CREATE TRIGGER refuse_666 BEFORE INSERT ON t_macrorecord WHEN NEW.value = 666 "
    "BEGIN SELECT RAISE(ABORT, 'refused'); END;";

}  // namespace

class StoreOperations : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(mkdir((temp / "db").c_str(), 0700), 0);
    ASSERT_TRUE(store.OpenForDevice(temp.Path(), u"M100"));
  }

  std::string DbPath() const { return temp / "db/M100_data.db"; }
  int Load() {
    return store.LoadProfiles([](const CString&) {});
  }
  int NewProfile(const char16_t* name = u"P") {
    ProfileRecord record;
    record.name = name;
    return store.CreateProfile(record);
  }
  // A write transaction of another connection gets through only when the
  // store holds none open.
  bool StoreHoldsNoTransaction() {
    RawDb raw(DbPath());
    if (raw.Exec("BEGIN IMMEDIATE") != SQLITE_OK) return false;
    return raw.Exec("COMMIT") == SQLITE_OK;
  }

  TempFolder temp;
  ConfigStore store;
};

TEST_F(StoreOperations, FirstStartCreatesFourProfilesWithTheFirstActive) {
  EXPECT_TRUE(std::filesystem::is_regular_file(DbPath()));
  EXPECT_EQ(store.OpenPath(), DbPath());
  EXPECT_TRUE(store.IsOpen());

  // The names are text 61 of the language and the number: " 1" without a
  // language file. English shows either form unchanged.
  LanguageGuard guard;
  Language::SetLanguageId(1033);
  const std::string word = Utf8(Language::GetText(61));
  std::vector<std::string> shown;
  EXPECT_EQ(store.LoadProfiles([&](const CString& name) { shown.push_back(Utf8(name)); }), 1);
  EXPECT_EQ(shown, std::vector<std::string>{word + " 1"});

  std::vector<ProfileRecord> profiles;
  ASSERT_EQ(store.ListProfiles(profiles), 4);
  ASSERT_EQ(profiles.size(), 4u);
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(profiles[i].profile, i + 1);
    EXPECT_EQ(Utf8(profiles[i].name), word + " " + std::to_string(i + 1));
    EXPECT_TRUE(profiles[i].app.IsEmpty());
    EXPECT_EQ(profiles[i].type, 0);
    EXPECT_EQ(profiles[i].status, i == 0 ? 1 : 0);
  }
  EXPECT_EQ(store.GetActiveProfile(), 1);

  RawDb raw(DbPath());
  Rows perProfile = {{"1", "40"}, {"2", "40"}, {"3", "40"}, {"4", "40"}};
  EXPECT_EQ(raw.Query("SELECT profile, COUNT(*) FROM t_configdata GROUP BY profile ORDER BY profile"), perProfile);

  // Loading again finds the profiles and adds nothing.
  EXPECT_EQ(Load(), 1);
  EXPECT_EQ(raw.Scalar("SELECT COUNT(*) FROM t_profile_data"), "4");
  EXPECT_EQ(raw.Scalar("SELECT COUNT(*) FROM t_configdata"), "160");
}

TEST_F(StoreOperations, LoadProfilesShowsTheActiveProfileAndRepairsAFileWithoutOne) {
  ASSERT_EQ(Load(), 1);
  ASSERT_TRUE(store.RenameProfile(3, u"Work"));
  ASSERT_TRUE(store.SetActiveProfile(3));
  std::vector<std::string> shown;
  EXPECT_EQ(store.LoadProfiles([&](const CString& name) { shown.push_back(Utf8(name)); }), 3);
  EXPECT_EQ(shown, std::vector<std::string>{"Work"});

  {
    RawDb raw(DbPath());
    ASSERT_EQ(raw.Exec("UPDATE t_profile_data SET status = 0"), SQLITE_OK);
  }
  EXPECT_EQ(Load(), 1);
  EXPECT_EQ(store.GetActiveProfile(), 1);
}

TEST_F(StoreOperations, ANewProfileGetsTheFortyDefaultKeysInOrder) {
  int profile = NewProfile();
  ASSERT_GT(profile, 0);

  Rows expected;
  for (const auto& key : kDefaultKeys) expected.push_back({key.key, key.created});
  RawDb raw(DbPath());
  EXPECT_EQ(raw.Query("SELECT key, value FROM t_configdata WHERE profile = " + std::to_string(profile) +
                      " ORDER BY config_id"),
            expected);

  for (const auto& key : kDefaultKeys) {
    CString value;
    EXPECT_TRUE(store.GetConfigValue(profile, Wide(key.key), value)) << key.key;
    EXPECT_EQ(Utf8(value), key.created) << key.key;
  }
}

TEST_F(StoreOperations, ResetWritesTheResetValuesButLeavesVersionAndOtherProfiles) {
  int profile = NewProfile();
  int other = NewProfile();
  ASSERT_GT(other, profile);
  for (const auto& key : kDefaultKeys) ASSERT_TRUE(store.SetConfigValue(profile, Wide(key.key), u"-7")) << key.key;
  ASSERT_TRUE(store.SetConfigValue(other, u"dpi_flag", u"9"));

  store.ResetConfig(profile);

  Rows expected;
  for (const auto& key : kDefaultKeys) expected.push_back({key.key, key.reset ? key.reset : "-7"});
  RawDb raw(DbPath());
  EXPECT_EQ(raw.Query("SELECT key, value FROM t_configdata WHERE profile = " + std::to_string(profile) +
                      " ORDER BY config_id"),
            expected);
  CString value;
  ASSERT_TRUE(store.GetConfigValue(other, u"dpi_flag", value));
  EXPECT_EQ(Utf8(value), "9");

  // The two keys in which a reset and a new profile differ.
  int fresh = NewProfile();
  ASSERT_TRUE(store.GetConfigValue(fresh, u"dpi_flag", value));
  EXPECT_EQ(Utf8(value), "5");
  ASSERT_TRUE(store.GetConfigValue(fresh, u"dpi_group3_value", value));
  EXPECT_EQ(Utf8(value), "2400");
  store.ResetConfig(fresh);
  ASSERT_TRUE(store.GetConfigValue(fresh, u"dpi_flag", value));
  EXPECT_EQ(Utf8(value), "4");
  ASSERT_TRUE(store.GetConfigValue(fresh, u"dpi_group3_value", value));
  EXPECT_EQ(Utf8(value), "3200");
  ASSERT_TRUE(store.GetConfigValue(fresh, u"version", value));
  EXPECT_EQ(Utf8(value), "1.0.1");
}

TEST_F(StoreOperations, RestoreDefaultsClearsTheProfilesButtonsAndKeysOnly) {
  ASSERT_EQ(Load(), 1);
  ASSERT_GT(store.SaveKeyAssignment(Assignment(1, 0, 5)), 0);
  ASSERT_GT(store.SaveKeyAssignment(Assignment(1, 4, 6)), 0);
  ASSERT_GT(store.SaveKeyAssignment(Assignment(2, 0, 7)), 0);
  LightModeRecord light;
  light.profile = 1;
  light.mode = 2;
  ASSERT_GT(store.AddLightMode(light), 0);
  ASSERT_TRUE(store.SetActiveLightMode(1, 2));
  int macro = store.AddMacro(u"Macro");
  ASSERT_GT(macro, 0);
  ASSERT_TRUE(store.SaveMacroEvents({Event(macro, 1, 30), Event(macro, 2, 31)}));
  TextRecord text;
  text.name = u"Snippet";
  text.content = u"Hello";
  ASSERT_GT(store.AddText(text), 0);
  int other = store.AddKeyOther(u"Editor", u"/usr/bin/editor", 9);
  ASSERT_GT(other, 0);
  ASSERT_TRUE(store.SetConfigValue(1, u"dpi_flag", u"1"));
  ASSERT_TRUE(store.SetConfigValue(1, u"report_rate", u"5"));

  store.RestoreDefaults(1);

  std::vector<KeyAssignment> keys;
  EXPECT_EQ(store.ListKeyAssignments(1, keys), 0);
  EXPECT_EQ(store.ListKeyAssignments(2, keys), 1);
  CString value;
  ASSERT_TRUE(store.GetConfigValue(1, u"dpi_flag", value));
  EXPECT_EQ(Utf8(value), "4");
  ASSERT_TRUE(store.GetConfigValue(1, u"report_rate", value));
  EXPECT_EQ(Utf8(value), "2");

  EXPECT_EQ(store.CountLightModes(1), 1);
  EXPECT_EQ(store.GetActiveLightMode(1), 2);
  std::vector<MacroRecord> macros;
  EXPECT_EQ(store.ListMacros(macros), 1);
  EXPECT_EQ(EventValues(store, macro), (std::vector<int>{30, 31}));
  std::vector<TextRecord> texts;
  EXPECT_EQ(store.ListTexts(texts), 1);
  CString desc, param;
  int type = 0;
  EXPECT_TRUE(store.GetKeyOther(other, desc, param, type));
  EXPECT_EQ(Utf8(param), "/usr/bin/editor");
}

TEST_F(StoreOperations, ConfigValuesArePerProfileAndAMissingKeyReadsEmpty) {
  ASSERT_EQ(Load(), 1);
  const std::string unicode = "配置 \xF0\x9F\x98\x80 Grüße";
  ASSERT_TRUE(store.SetConfigValue(1, u"dpi_index", Wide(unicode)));
  ASSERT_TRUE(store.SetConfigValue(2, u"dpi_index", u"3"));
  CString value;
  ASSERT_TRUE(store.GetConfigValue(1, u"dpi_index", value));
  EXPECT_EQ(Utf8(value), unicode);
  ASSERT_TRUE(store.GetConfigValue(2, u"dpi_index", value));
  EXPECT_EQ(Utf8(value), "3");
  ASSERT_TRUE(store.GetConfigValue(3, u"dpi_index", value));
  EXPECT_EQ(Utf8(value), "1");

  value = u"stale";
  EXPECT_FALSE(store.GetConfigValue(1, u"no_such_key", value));
  EXPECT_TRUE(value.IsEmpty());
  value = u"stale";
  EXPECT_FALSE(store.GetConfigValue(99, u"dpi_index", value));
  EXPECT_TRUE(value.IsEmpty());
}

// A file written before a key existed lacks its row; the value must not be
// lost, but nothing may be written for a profile that does not exist.
TEST_F(StoreOperations, SettingAKeyTheProfileLacksAddsItsRowOnlyForAnExistingProfile) {
  ASSERT_EQ(Load(), 1);
  RawDb raw(DbPath());
  ASSERT_EQ(raw.Exec("DELETE FROM t_configdata WHERE profile = 2 AND key = 'notify_fardistance'"), SQLITE_OK);
  CString value;
  EXPECT_FALSE(store.GetConfigValue(2, u"notify_fardistance", value));

  EXPECT_TRUE(store.SetConfigValue(2, u"notify_fardistance", u"0"));
  ASSERT_TRUE(store.GetConfigValue(2, u"notify_fardistance", value));
  EXPECT_EQ(Utf8(value), "0");
  EXPECT_TRUE(store.SetConfigValue(2, u"notify_fardistance", u"1"));
  EXPECT_EQ(raw.Query("SELECT value FROM t_configdata WHERE profile = 2 AND key = 'notify_fardistance'"),
            (Rows{{"1"}}));
  EXPECT_EQ(raw.Scalar("SELECT COUNT(*) FROM t_configdata WHERE profile = 2"), "40");

  EXPECT_TRUE(store.SetConfigValue(1, u"brand_new", u"x"));
  EXPECT_EQ(raw.Query("SELECT profile, key, value FROM t_configdata WHERE key = 'brand_new'"),
            (Rows{{"1", "brand_new", "x"}}));

  store.SetConfigValue(99, u"dpi_index", u"3");
  store.SetConfigValue(99, u"brand_new", u"y");
  EXPECT_EQ(raw.Scalar("SELECT COUNT(*) FROM t_configdata WHERE profile = 99"), "0");
  EXPECT_FALSE(store.GetConfigValue(99, u"dpi_index", value));
}

TEST_F(StoreOperations, SavingAnAssignmentReplacesTheButtonsRow) {
  KeyAssignment first = Assignment(1, 2, 7);
  int firstId = store.SaveKeyAssignment(first);
  ASSERT_GT(firstId, 0);
  KeyAssignment read;
  ASSERT_TRUE(store.GetKeyAssignment(1, 2, read));
  EXPECT_EQ(read.key_id, firstId);
  EXPECT_EQ(read.profile, 1);
  EXPECT_EQ(read.fn_layer, 0);
  EXPECT_EQ(read.key_code, 2);
  EXPECT_EQ(read.layout_value, 0x12);
  EXPECT_EQ(Utf8(read.layout_desc), "Layout");
  EXPECT_EQ(read.macro_type, 3);
  EXPECT_EQ(read.macro_value, 7);
  EXPECT_EQ(read.macro_value2, 0);
  EXPECT_EQ(read.macro_value3, 6);
  EXPECT_EQ(Utf8(read.macro_desc), "Label");

  KeyAssignment second = Assignment(1, 2, 8, 4);
  second.macro_desc = Wide("Einfügen");
  int secondId = store.SaveKeyAssignment(second);
  EXPECT_GT(secondId, firstId);
  std::vector<KeyAssignment> list;
  ASSERT_EQ(store.ListKeyAssignments(1, list), 1);
  EXPECT_EQ(list[0].key_id, secondId);
  EXPECT_EQ(list[0].macro_value, 8);
  EXPECT_EQ(list[0].macro_value2, 4);
  EXPECT_EQ(Utf8(list[0].macro_desc), "Einfügen");

  // Other buttons, other profiles and other layers have rows of their own.
  ASSERT_GT(store.SaveKeyAssignment(Assignment(1, 3, 9)), 0);
  ASSERT_GT(store.SaveKeyAssignment(Assignment(2, 2, 10)), 0);
  KeyAssignment layer1 = Assignment(1, 2, 11);
  layer1.fn_layer = 1;
  ASSERT_GT(store.SaveKeyAssignment(layer1), 0);
  EXPECT_EQ(store.ListKeyAssignments(1, list), 2);
  EXPECT_EQ(store.ListKeyAssignments(2, list), 1);
  ASSERT_TRUE(store.GetKeyAssignment(1, 2, read));
  EXPECT_EQ(read.macro_value, 8);
  RawDb raw(DbPath());
  EXPECT_EQ(raw.Query("SELECT fn_layer, macro_value FROM t_key_macro_data WHERE profile = 1 AND key_code = 2 "
                      "ORDER BY fn_layer"),
            (Rows{{"0", "8"}, {"1", "11"}}));
}

TEST_F(StoreOperations, AnAssignmentWithoutMacroValuesOnlyRemovesTheRow) {
  struct Case {
    int macroValue, macroValue2;
    bool stored;
  };
  const Case cases[] = {{0, 0, false}, {5, 0, true}, {0, 5, true}, {-1, 0, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.macroValue << "/" << c.macroValue2);
    ASSERT_GT(store.SaveKeyAssignment(Assignment(1, 4, 42, 42)), 0);
    int id = store.SaveKeyAssignment(Assignment(1, 4, c.macroValue, c.macroValue2));
    KeyAssignment read;
    std::vector<KeyAssignment> list;
    if (c.stored) {
      EXPECT_GT(id, 0);
      ASSERT_TRUE(store.GetKeyAssignment(1, 4, read));
      EXPECT_EQ(read.macro_value, c.macroValue);
      EXPECT_EQ(read.macro_value2, c.macroValue2);
      EXPECT_EQ(store.ListKeyAssignments(1, list), 1);
    } else {
      EXPECT_EQ(id, 0);
      EXPECT_FALSE(store.GetKeyAssignment(1, 4, read));
      EXPECT_EQ(store.ListKeyAssignments(1, list), 0);
    }
  }
}

TEST_F(StoreOperations, LabelsListsAndDeletingAProfilesButtons) {
  for (int code : {5, 1, 3}) ASSERT_GT(store.SaveKeyAssignment(Assignment(1, code, code + 100)), 0);
  ASSERT_GT(store.SaveKeyAssignment(Assignment(2, 1, 200)), 0);

  EXPECT_TRUE(store.SetKeyLabel(1, 3, Wide("Копировать")));
  KeyAssignment read;
  ASSERT_TRUE(store.GetKeyAssignment(1, 3, read));
  EXPECT_EQ(Utf8(read.macro_desc), "Копировать");
  EXPECT_EQ(read.macro_value, 103);
  ASSERT_TRUE(store.GetKeyAssignment(1, 5, read));
  EXPECT_EQ(Utf8(read.macro_desc), "Label");

  // The list replaces what the vector held and comes in insertion order.
  std::vector<KeyAssignment> list(3);
  ASSERT_EQ(store.ListKeyAssignments(1, list), 3);
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[0].key_code, 5);
  EXPECT_EQ(list[1].key_code, 1);
  EXPECT_EQ(list[2].key_code, 3);
  EXPECT_LT(list[0].key_id, list[1].key_id);
  EXPECT_LT(list[1].key_id, list[2].key_id);

  EXPECT_TRUE(store.DeleteProfileKeys(1));
  EXPECT_EQ(store.ListKeyAssignments(1, list), 0);
  EXPECT_TRUE(list.empty());
  EXPECT_EQ(store.ListKeyAssignments(2, list), 1);
}

TEST_F(StoreOperations, KeyOtherParametersAndAMissingIdLeavesTheOutputs) {
  int program = store.AddKeyOther(u"Editor", Wide("/opt/редактор"), 9);
  int address = store.AddKeyOther(u"Site", u"https://example.org", 10);
  ASSERT_GT(program, 0);
  ASSERT_GT(address, program);

  CString desc, param;
  int type = 0;
  EXPECT_TRUE(store.GetKeyOther(program, desc, param, type));
  EXPECT_EQ(Utf8(desc), "Editor");
  EXPECT_EQ(Utf8(param), "/opt/редактор");
  EXPECT_EQ(type, 9);

  desc = u"keep";
  param = u"keep too";
  type = 77;
  EXPECT_TRUE(store.GetKeyOther(address + 100, desc, param, type));
  EXPECT_EQ(Utf8(desc), "keep");
  EXPECT_EQ(Utf8(param), "keep too");
  EXPECT_EQ(type, 77);
}

TEST_F(StoreOperations, TextSnippetsRoundTrip) {
  TextRecord record;
  record.name = u"Greeting";
  record.content = Wide("Grüße 配置 \xF0\x9F\x98\x80\nzweite Zeile");
  record.type = 3;
  record.status = 4;
  int first = store.AddText(record);
  ASSERT_GT(first, 0);
  record.name = u"Second";
  int second = store.AddText(record);
  ASSERT_GT(second, first);

  CString text;
  ASSERT_TRUE(store.GetTextName(first, text));
  EXPECT_EQ(Utf8(text), "Greeting");
  ASSERT_TRUE(store.GetTextContent(first, text));
  EXPECT_EQ(Utf8(text), "Grüße 配置 \xF0\x9F\x98\x80\nzweite Zeile");

  EXPECT_TRUE(store.RenameText(first, u"Hello"));
  EXPECT_TRUE(store.SetTextContent(first, u""));
  std::vector<TextRecord> list;
  ASSERT_EQ(store.ListTexts(list), 2);
  EXPECT_EQ(list[0].text_id, first);
  EXPECT_EQ(Utf8(list[0].name), "Hello");
  EXPECT_TRUE(list[0].content.IsEmpty());
  EXPECT_EQ(list[0].type, 0);  // always written 0
  EXPECT_EQ(list[0].status, 0);
  EXPECT_EQ(list[1].text_id, second);

  EXPECT_TRUE(store.DeleteText(first));
  text = u"stale";
  EXPECT_FALSE(store.GetTextName(first, text));
  EXPECT_TRUE(text.IsEmpty());
  EXPECT_EQ(store.ListTexts(list), 1);
}

TEST_F(StoreOperations, MalformedUtf8ReadsWithReplacementCharactersAndNullReadsEmpty) {
  ASSERT_EQ(Load(), 1);
  {
    RawDb raw(DbPath());
    raw.Query("INSERT INTO t_text_data(name, status, content, type) VALUES (?, 0, NULL, 0)", {"A\xFF"
                                                                                              "B"});
    raw.Query("UPDATE t_configdata SET value = ? WHERE profile = 1 AND key = 'dpi_index'", {"\xFE"
                                                                                            "7"});
    raw.Query("UPDATE t_profile_data SET name = ? WHERE profile = 2", {"P\xFF"});
    ASSERT_EQ(raw.Exec("INSERT INTO t_key_otherdata(macro_desc, param, type) VALUES (NULL, NULL, 9)"), SQLITE_OK);
    ASSERT_EQ(raw.Exec("INSERT INTO t_macro_data(name, play_type, play_times, delay_type, delay_time) "
                       "VALUES (NULL, 0, 1, 1, 0)"),
              SQLITE_OK);
  }

  CString text;
  ASSERT_TRUE(store.GetTextName(1, text));
  EXPECT_EQ(Utf8(text), "A\uFFFDB");
  text = u"stale";
  EXPECT_TRUE(store.GetTextContent(1, text));
  EXPECT_TRUE(text.IsEmpty());
  std::vector<TextRecord> texts;
  ASSERT_EQ(store.ListTexts(texts), 1);
  EXPECT_EQ(Utf8(texts[0].name), "A\uFFFDB");
  EXPECT_TRUE(texts[0].content.IsEmpty());

  ASSERT_TRUE(store.GetConfigValue(1, u"dpi_index", text));
  EXPECT_EQ(Utf8(text), "\uFFFD7");
  ASSERT_TRUE(store.GetProfileName(2, text));
  EXPECT_EQ(Utf8(text), "P\uFFFD");

  CString desc = u"x", param = u"y";
  int type = 0;
  EXPECT_TRUE(store.GetKeyOther(1, desc, param, type));
  EXPECT_TRUE(desc.IsEmpty());
  EXPECT_TRUE(param.IsEmpty());
  EXPECT_EQ(type, 9);

  MacroRecord macro;
  macro.name = u"stale";
  ASSERT_TRUE(store.GetMacro(1, macro));
  EXPECT_TRUE(macro.name.IsEmpty());
  EXPECT_EQ(macro.play_times, 1);
}

TEST_F(StoreOperations, OneActiveLightModePerProfileAndModeZeroReadsAsNone) {
  for (int mode : {0, 1, 2}) {
    LightModeRecord record;
    record.profile = 1;
    record.name = u"Mode";
    record.mode = mode;
    ASSERT_GT(store.AddLightMode(record), 0);
  }
  LightModeRecord otherProfile;
  otherProfile.profile = 2;
  otherProfile.mode = 1;
  otherProfile.status = 1;
  ASSERT_GT(store.AddLightMode(otherProfile), 0);

  EXPECT_EQ(store.CountLightModes(1), 3);
  EXPECT_EQ(store.CountLightModes(3), 0);
  EXPECT_EQ(store.GetActiveLightMode(1), 0);  // none active
  EXPECT_EQ(store.GetActiveLightMode(2), 1);

  RawDb raw(DbPath());
  const std::string activeRows = "SELECT mode FROM t_light_data WHERE profile = 1 AND status = 1";
  EXPECT_TRUE(store.SetActiveLightMode(1, 2));
  EXPECT_EQ(store.GetActiveLightMode(1), 2);
  EXPECT_EQ(raw.Query(activeRows), (Rows{{"2"}}));

  EXPECT_TRUE(store.SetActiveLightMode(1, 0));
  EXPECT_EQ(store.GetActiveLightMode(1), 0);  // mode 0 active reads like none
  EXPECT_EQ(raw.Query(activeRows), (Rows{{"0"}}));
  EXPECT_EQ(store.GetActiveLightMode(2), 1);
}

TEST_F(StoreOperations, UpdatingALightModeKeepsItsNameAndStatus) {
  LightModeRecord record;
  record.profile = 1;
  record.name = u"Wave";
  record.mode = 3;
  record.brightness = 1;
  record.status = 1;
  int id = store.AddLightMode(record);
  ASSERT_GT(id, 0);

  LightModeRecord change;
  change.light_id = id + 50;
  change.profile = 7;
  change.name = u"Other";
  change.mode = 9;
  change.brightness = 9;
  change.speed = 8;
  change.direction = 7;
  change.colorful = 6;
  change.colorindex = 5;
  change.color_value = 0xABCDEF;
  change.config_func = 4;
  change.reserved = 2;
  change.status = 0;
  EXPECT_TRUE(store.UpdateLightMode(1, 3, change));

  LightModeRecord read;
  ASSERT_TRUE(store.GetLightMode(1, 3, read));
  EXPECT_EQ(read.light_id, id);
  EXPECT_EQ(read.profile, 1);
  EXPECT_EQ(Utf8(read.name), "Wave");
  EXPECT_EQ(read.mode, 3);
  EXPECT_EQ(read.brightness, 9);
  EXPECT_EQ(read.speed, 8);
  EXPECT_EQ(read.direction, 7);
  EXPECT_EQ(read.colorful, 6);
  EXPECT_EQ(read.colorindex, 5);
  EXPECT_EQ(read.color_value, 0xABCDEF);
  EXPECT_EQ(read.config_func, 4);
  EXPECT_EQ(read.reserved, 2);
  EXPECT_EQ(read.status, 1);

  std::vector<LightModeRecord> list;
  ASSERT_EQ(store.ListLightModes(1, list), 1);
  EXPECT_EQ(list[0].color_value, 0xABCDEF);
  EXPECT_EQ(Utf8(list[0].name), "Wave");
  EXPECT_FALSE(store.GetLightMode(1, 4, read));
  EXPECT_EQ(store.ListLightModes(2, list), 0);
}

TEST_F(StoreOperations, MacrosStoreTheirPlaySettings) {
  int plain = store.AddMacro(u"Plain");
  ASSERT_GT(plain, 0);
  MacroRecord read;
  ASSERT_TRUE(store.GetMacro(plain, read));
  EXPECT_EQ(read.macro_id, plain);
  EXPECT_EQ(Utf8(read.name), "Plain");
  EXPECT_EQ(read.play_type, 0);
  EXPECT_EQ(read.play_times, 1);
  EXPECT_EQ(read.delay_type, 1);
  EXPECT_EQ(read.delay_time, 0);

  MacroRecord values;
  values.name = u"Burst";
  values.play_type = 2;
  values.play_times = 5;
  values.delay_type = 0;
  values.delay_time = 30;
  int burst = store.AddMacroWithValues(values);
  ASSERT_GT(burst, plain);

  EXPECT_TRUE(store.RenameMacro(plain, Wide("Übung")));
  values.name = u"Burst 2";
  values.play_times = 9;
  EXPECT_TRUE(store.UpdateMacro(burst, values));

  std::vector<MacroRecord> list;
  ASSERT_EQ(store.ListMacros(list), 2);
  EXPECT_EQ(list[0].macro_id, plain);
  EXPECT_EQ(Utf8(list[0].name), "Übung");
  EXPECT_EQ(list[0].play_times, 1);
  EXPECT_EQ(list[1].macro_id, burst);
  EXPECT_EQ(Utf8(list[1].name), "Burst 2");
  EXPECT_EQ(list[1].play_type, 2);
  EXPECT_EQ(list[1].play_times, 9);
  EXPECT_EQ(list[1].delay_type, 0);
  EXPECT_EQ(list[1].delay_time, 30);

  EXPECT_FALSE(store.GetMacro(burst + 10, read));
}

TEST_F(StoreOperations, EventsComeInRecordIndexOrderAndGoWithTheirMacro) {
  int first = store.AddMacro(u"First");
  int second = store.AddMacro(u"Second");
  ASSERT_TRUE(
      store.SaveMacroEvents({Event(first, 3, 13), Event(first, 1, 11), Event(second, 1, 21), Event(first, 2, 12)}));

  std::vector<MacroEventRecord> events;
  ASSERT_EQ(store.ListMacroEvents(first, events), 3);
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(events[i].macro_id, first);
    EXPECT_EQ(events[i].record_index, i + 1);
    EXPECT_EQ(events[i].value, 11 + i);
    EXPECT_EQ(events[i].delay_time, 10 * (i + 1));
    EXPECT_EQ(events[i].type, 1);
    EXPECT_EQ(Utf8(events[i].desc), "event");
    EXPECT_GT(events[i].record_id, 0);
  }
  EXPECT_GT(store.AddMacroEvent(Event(first, 0, 10)), 0);
  EXPECT_EQ(EventValues(store, first), (std::vector<int>{10, 11, 12, 13}));
  EXPECT_EQ(EventValues(store, second), (std::vector<int>{21}));

  EXPECT_TRUE(store.DeleteMacro(first));
  MacroRecord macro;
  EXPECT_FALSE(store.GetMacro(first, macro));
  EXPECT_EQ(store.ListMacroEvents(first, events), 0);
  EXPECT_TRUE(events.empty());
  EXPECT_EQ(EventValues(store, second), (std::vector<int>{21}));
  EXPECT_TRUE(store.DeleteMacro(first));  // no such macro any more
  EXPECT_TRUE(store.DeleteMacro(9999));

  EXPECT_TRUE(store.DeleteMacroEvents(second));
  EXPECT_EQ(store.ListMacroEvents(second, events), 0);
  EXPECT_TRUE(store.GetMacro(second, macro));
}

TEST_F(StoreOperations, AFailingEventInsertStoresNoneOfTheBatch) {
  int macro = store.AddMacro(u"Macro");
  int other = store.AddMacro(u"Other");
  ASSERT_TRUE(store.SaveMacroEvents({Event(other, 1, 1), Event(other, 2, 2)}));
  {
    RawDb raw(DbPath());
    ASSERT_EQ(raw.Exec(kRefuse666), SQLITE_OK);
  }

  EXPECT_FALSE(store.SaveMacroEvents({Event(macro, 1, 1), Event(macro, 2, 666), Event(macro, 3, 3)}));
  EXPECT_TRUE(EventValues(store, macro).empty());
  EXPECT_EQ(EventValues(store, other), (std::vector<int>{1, 2}));
  EXPECT_TRUE(StoreHoldsNoTransaction());

  EXPECT_TRUE(store.SaveMacroEvents({Event(macro, 1, 1), Event(macro, 2, 2)}));
  EXPECT_EQ(EventValues(store, macro), (std::vector<int>{1, 2}));
  EXPECT_TRUE(StoreHoldsNoTransaction());
}

TEST_F(StoreOperations, ReplacingEventsIsAllOrNothing) {
  int macro = store.AddMacro(u"Macro");
  int other = store.AddMacro(u"Other");
  ASSERT_TRUE(store.SaveMacroEvents({Event(macro, 1, 1), Event(macro, 2, 2), Event(macro, 3, 3), Event(other, 1, 9)}));

  EXPECT_TRUE(store.ReplaceMacroEvents(macro, {Event(macro, 1, 10), Event(macro, 2, 20)}));
  EXPECT_EQ(EventValues(store, macro), (std::vector<int>{10, 20}));
  EXPECT_EQ(EventValues(store, other), (std::vector<int>{9}));
  std::vector<MacroEventRecord> before;
  ASSERT_EQ(store.ListMacroEvents(macro, before), 2);

  {
    RawDb raw(DbPath());
    ASSERT_EQ(raw.Exec(kRefuse666), SQLITE_OK);
  }
  EXPECT_FALSE(store.ReplaceMacroEvents(macro, {Event(macro, 1, 30), Event(macro, 2, 666)}));
  std::vector<MacroEventRecord> after;
  ASSERT_EQ(store.ListMacroEvents(macro, after), 2);
  EXPECT_EQ(after[0].record_id, before[0].record_id);
  EXPECT_EQ(after[0].value, 10);
  EXPECT_EQ(after[1].record_id, before[1].record_id);
  EXPECT_EQ(after[1].value, 20);
  EXPECT_EQ(EventValues(store, other), (std::vector<int>{9}));
  EXPECT_TRUE(StoreHoldsNoTransaction());

  EXPECT_TRUE(store.ReplaceMacroEvents(macro, {}));
  EXPECT_TRUE(EventValues(store, macro).empty());
}

TEST_F(StoreOperations, AtomicallyUndoesEveryWriteOfFailedWork) {
  ASSERT_EQ(Load(), 1);
  int macro = store.AddMacro(u"Macro");
  auto work = [&] {
    store.SetConfigValue(1, u"dpi_index", u"5");
    store.SetConfigValue(1, u"added_key", u"x");  // a row the profile lacked
    store.CreateProfile(ProfileRecord{});
    store.SaveKeyAssignment(Assignment(1, 2, 7));
    store.SaveMacroEvents({Event(macro, 1, 1)});
    store.DeleteMacro(macro);
  };

  EXPECT_FALSE(store.Atomically([&] {
    work();
    return false;
  }));
  CString value;
  ASSERT_TRUE(store.GetConfigValue(1, u"dpi_index", value));
  EXPECT_EQ(Utf8(value), "1");
  EXPECT_FALSE(store.GetConfigValue(1, u"added_key", value));
  std::vector<ProfileRecord> profiles;
  EXPECT_EQ(store.ListProfiles(profiles), 4);
  std::vector<KeyAssignment> keys;
  EXPECT_EQ(store.ListKeyAssignments(1, keys), 0);
  MacroRecord record;
  EXPECT_TRUE(store.GetMacro(macro, record));
  EXPECT_TRUE(EventValues(store, macro).empty());
  EXPECT_TRUE(StoreHoldsNoTransaction());

  EXPECT_TRUE(store.Atomically([&] {
    work();
    return true;
  }));
  ASSERT_TRUE(store.GetConfigValue(1, u"dpi_index", value));
  EXPECT_EQ(Utf8(value), "5");
  EXPECT_TRUE(store.GetConfigValue(1, u"added_key", value));
  EXPECT_EQ(store.ListProfiles(profiles), 5);
  EXPECT_EQ(store.ListKeyAssignments(1, keys), 1);
  EXPECT_FALSE(store.GetMacro(macro, record));
  EXPECT_TRUE(StoreHoldsNoTransaction());
}

// An operation that undoes its own writes inside larger work undoes only
// those: the rest of the work is kept when the work succeeds.
TEST_F(StoreOperations, AFailedOperationInsideAtomicWorkUndoesOnlyItself) {
  ASSERT_EQ(Load(), 1);
  int macro = store.AddMacro(u"Macro");
  ASSERT_TRUE(store.SaveMacroEvents({Event(macro, 1, 1)}));
  {
    RawDb raw(DbPath());
    ASSERT_EQ(raw.Exec(kRefuse666), SQLITE_OK);
  }
  bool saved = true, replaced = true;
  EXPECT_TRUE(store.Atomically([&] {
    store.SetConfigValue(1, u"dpi_index", u"6");
    saved = store.SaveMacroEvents({Event(macro, 2, 2), Event(macro, 3, 666)});
    replaced = store.ReplaceMacroEvents(macro, {Event(macro, 1, 666)});
    store.RenameMacro(macro, u"Renamed");
    return true;
  }));
  EXPECT_FALSE(saved);
  EXPECT_FALSE(replaced);
  CString value;
  ASSERT_TRUE(store.GetConfigValue(1, u"dpi_index", value));
  EXPECT_EQ(Utf8(value), "6");
  EXPECT_EQ(EventValues(store, macro), (std::vector<int>{1}));
  MacroRecord record;
  ASSERT_TRUE(store.GetMacro(macro, record));
  EXPECT_EQ(Utf8(record.name), "Renamed");
  EXPECT_TRUE(StoreHoldsNoTransaction());

  ConfigStore closed;
  EXPECT_FALSE(closed.Atomically([] { return true; }));
}

TEST_F(StoreOperations, SwitchingProfilesLeavesExactlyOneActive) {
  ASSERT_EQ(Load(), 1);
  RawDb raw(DbPath());
  ASSERT_EQ(raw.Exec("UPDATE t_profile_data SET status = 1"), SQLITE_OK);  // a damaged file

  const std::string active = "SELECT profile FROM t_profile_data WHERE status = 1";
  EXPECT_TRUE(store.SetActiveProfile(3));
  EXPECT_EQ(raw.Query(active), (Rows{{"3"}}));
  EXPECT_EQ(store.GetActiveProfile(), 3);
  EXPECT_TRUE(store.SetActiveProfile(4));
  EXPECT_EQ(raw.Query(active), (Rows{{"4"}}));

  // A new profile never arrives active, whatever its record says.
  ProfileRecord record;
  record.name = u"New";
  record.status = 1;
  record.type = 5;
  int created = store.CreateProfile(record);
  ASSERT_EQ(created, 5);
  EXPECT_EQ(raw.Query(active), (Rows{{"4"}}));
  EXPECT_EQ(raw.Query("SELECT name, status, type FROM t_profile_data WHERE profile = 5"), (Rows{{"New", "0", "0"}}));
}

TEST_F(StoreOperations, ProfileNamesAreShownInTheLanguageInForce) {
  LanguageGuard guard;
  ASSERT_EQ(Load(), 1);
  ASSERT_TRUE(store.RenameProfile(2, Wide("配置 2")));
  ASSERT_TRUE(store.SetActiveProfile(2));

  Language::SetLanguageId(1033);
  CString name;
  ASSERT_TRUE(store.GetProfileName(2, name));
  EXPECT_EQ(Utf8(name), "Profile  2");
  std::vector<ProfileRecord> list;
  ASSERT_EQ(store.ListProfiles(list), 4);
  EXPECT_EQ(Utf8(list[1].name), "Profile  2");
  std::vector<std::string> shown;
  EXPECT_EQ(store.LoadProfiles([&](const CString& text) { shown.push_back(Utf8(text)); }), 2);
  EXPECT_EQ(shown, std::vector<std::string>{"Profile  2"});

  Language::SetLanguageId(2052);
  ASSERT_TRUE(store.GetProfileName(2, name));
  EXPECT_EQ(Utf8(name), "配置 2");

  RawDb raw(DbPath());
  EXPECT_EQ(raw.Scalar("SELECT name FROM t_profile_data WHERE profile = 2"), "配置 2");  // stored as written

  name = u"stale";
  EXPECT_FALSE(store.GetProfileName(99, name));
  EXPECT_TRUE(name.IsEmpty());
}

TEST_F(StoreOperations, SwitchingToAnotherModelClosesTheFirstFile) {
  ASSERT_EQ(Load(), 1);
  ASSERT_TRUE(store.SetConfigValue(1, u"dpi_index", u"4"));
  EXPECT_GT(OpenDescriptorsOf(DbPath()), 0);

  const std::string otherPath = temp / "db/M200_data.db";
  ASSERT_TRUE(store.OpenForDevice(temp.Path(), u"M200"));
  EXPECT_TRUE(store.IsOpen());
  EXPECT_EQ(store.OpenPath(), otherPath);
  EXPECT_EQ(OpenDescriptorsOf(DbPath()), 0);
  EXPECT_GT(OpenDescriptorsOf(otherPath), 0);

  CString value;
  EXPECT_FALSE(store.GetConfigValue(1, u"dpi_index", value));  // the new file has no profiles yet
  ASSERT_EQ(Load(), 1);
  ASSERT_TRUE(store.GetConfigValue(1, u"dpi_index", value));
  EXPECT_EQ(Utf8(value), "1");

  ASSERT_TRUE(store.OpenForDevice(temp.Path(), u"M100"));
  EXPECT_EQ(OpenDescriptorsOf(otherPath), 0);
  ASSERT_TRUE(store.GetConfigValue(1, u"dpi_index", value));
  EXPECT_EQ(Utf8(value), "4");
}

TEST_F(StoreOperations, OpeningTheOpenFileAgainSucceeds) {
  ASSERT_EQ(Load(), 1);
  EXPECT_TRUE(store.OpenForDevice(temp.Path(), u"M100"));
  EXPECT_TRUE(store.OpenForDevice(temp.Path(), u"M100"));
  EXPECT_TRUE(store.IsOpen());
  EXPECT_EQ(store.OpenPath(), DbPath());
  EXPECT_EQ(OpenDescriptorsOf(DbPath()), 1);
  EXPECT_TRUE(store.SetConfigValue(1, u"dpi_index", u"2"));
  CString value;
  ASSERT_TRUE(store.GetConfigValue(1, u"dpi_index", value));
  EXPECT_EQ(Utf8(value), "2");
}

TEST_F(StoreOperations, AFailedSwitchLeavesNoFileOpen) {
  ASSERT_EQ(Load(), 1);
  EXPECT_FALSE(store.OpenForDevice(temp / "absent", u"M200"));
  EXPECT_FALSE(store.IsOpen());
  EXPECT_EQ(OpenDescriptorsOf(DbPath()), 0);
  CString value;
  EXPECT_FALSE(store.GetConfigValue(1, u"dpi_index", value));
  EXPECT_FALSE(std::filesystem::exists(temp / "absent"));

  ASSERT_TRUE(store.OpenForDevice(temp.Path(), u"M100"));
  EXPECT_TRUE(store.GetConfigValue(1, u"dpi_index", value));
}

TEST_F(StoreOperations, CloseReleasesTheFile) {
  ASSERT_EQ(Load(), 1);
  EXPECT_TRUE(store.Close());
  EXPECT_FALSE(store.IsOpen());
  EXPECT_EQ(OpenDescriptorsOf(DbPath()), 0);
  CString value;
  EXPECT_FALSE(store.GetConfigValue(1, u"dpi_index", value));
  EXPECT_TRUE(store.Close());  // nothing open
  ASSERT_TRUE(store.OpenForDevice(temp.Path(), u"M100"));
  EXPECT_TRUE(store.GetConfigValue(1, u"dpi_index", value));
}

TEST_F(StoreOperations, AModelNameLeadingOutOfTheFolderIsRefusedAndLeavesNoFileOpen) {
  ASSERT_EQ(Load(), 1);
  EXPECT_FALSE(store.OpenForDevice(temp.Path(), u"../M100"));
  EXPECT_FALSE(store.IsOpen());
  EXPECT_EQ(OpenDescriptorsOf(DbPath()), 0);
  CString value;
  EXPECT_FALSE(store.GetConfigValue(1, u"dpi_index", value));
}

TEST_F(StoreOperations, TextsHoldingU0000ReadBackWhole) {
  ASSERT_EQ(Load(), 1);
  CString withNul(u"a\0b", 3);
  ASSERT_TRUE(store.SetConfigValue(1, u"version", withNul));
  CString value;
  ASSERT_TRUE(store.GetConfigValue(1, u"version", value));
  EXPECT_EQ(value.GetLength(), 3);
  EXPECT_EQ(value, withNul);
}
