#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "app/config/ConfigStore.h"
#include "tests/support/TempFolder.h"
#include "tests/support/Unprivileged.h"

using Nuvex::CString;
using TestSupport::ReadFile;
using TestSupport::TempFolder;
using TestSupport::WriteFile;
using Zorvane::ConfigStore;
using Zorvane::KeyAssignment;
using Zorvane::LightModeRecord;
using Zorvane::MacroEventRecord;
using Zorvane::MacroRecord;
using Zorvane::ProfileRecord;
using Zorvane::TextRecord;

namespace {

using Rows = std::vector<std::vector<std::string>>;

// The schema of a model's file as other copies of the program write it; the
// runs of tabs and blanks are part of the stored text.
const char* const kSchema[] = {
    "CREATE TABLE IF NOT EXISTS t_configdata(config_id INTEGER PRIMARY KEY AUTOINCREMENT,"
    " \t\t\t\t\t\t\t\t  "
    "profile INTEGER, key TEXT, value TEXT)",
    "CREATE TABLE IF NOT EXISTS t_profile_data(profile INTEGER PRIMARY KEY AUTOINCREMENT,"
    " \t\t\t\t\t\t\t\t  "
    "name TEXT, status INTEGER, app TEXT, type INTEGER)",
    "CREATE INDEX IF NOT EXISTS profileindex ON t_profile_data(profile)",
    "CREATE TABLE IF NOT EXISTS t_text_data(text_id INTEGER PRIMARY KEY AUTOINCREMENT,"
    " \t\t\t\t\t\t\t\t  "
    "name TEXT, status INTEGER, content TEXT, type INTEGER)",
    "CREATE INDEX IF NOT EXISTS textindex ON t_text_data(text_id)",
    "CREATE TABLE IF NOT EXISTS t_key_macro_data(key_id INTEGER PRIMARY KEY AUTOINCREMENT,"
    " \t\t\t\t\t\t\t\t"
    "profile INTEGER, fn_layer INTEGER, key_code INTEGER, layout_value INTEGER, layout_desc TEXT,"
    " \t\t\t\t\t\t\t\t"
    "macro_type INTEGER, macro_value INTEGER, macro_value2 INTEGER, macro_value3 INTEGER, macro_desc TEXT)",
    "CREATE INDEX IF NOT EXISTS keyindex ON t_key_macro_data(key_id)",
    "CREATE TABLE IF NOT EXISTS t_key_otherdata(macro_value INTEGER PRIMARY KEY AUTOINCREMENT,"
    " \t\t\t\t\t\t\t\t  "
    "macro_desc TEXT, param TEXT, type INTEGER)",
    "CREATE INDEX IF NOT EXISTS otheridindex ON t_key_otherdata(macro_value)",
    "CREATE TABLE IF NOT EXISTS t_key_textdata(macro_value INTEGER PRIMARY KEY AUTOINCREMENT,"
    " \t\t\t\t\t\t\t\t  "
    "type INTEGER, text_caption TEXT, text_desc TEXT)",
    "CREATE INDEX IF NOT EXISTS t_key_textdataindex ON t_key_textdata(macro_value)",
    "CREATE TABLE IF NOT EXISTS t_macro_data(macro_id INTEGER PRIMARY KEY AUTOINCREMENT,"
    " \t\t\t\t\t\t\t\t   "
    "name TEXT, play_type INTEGER, play_times INTEGER, delay_type INTEGER, delay_time INTEGER)",
    "CREATE INDEX IF NOT EXISTS macroidindex ON t_macro_data(macro_id)",
    "CREATE TABLE IF NOT EXISTS t_macrorecord(record_id INTEGER PRIMARY KEY AUTOINCREMENT,"
    " \t\t\t\t\t\t\t\t  "
    "macro_id INTEGER, type INTEGER, record_index INTEGER, desc TEXT, value INTEGER, delay_time INTEGER)",
    "CREATE INDEX IF NOT EXISTS macrorecordindex ON t_macrorecord(record_id)",
    "CREATE TABLE IF NOT EXISTS t_light_data(light_id INTEGER PRIMARY KEY AUTOINCREMENT,"
    " \t\t\t\t\t\t\t\t\t\t  "
    "profile INTEGER, name TEXT, mode INTEGER, brightness INTEGER, speed INTEGER,"
    " \t\t\t\t\t\t\t\t\t\t"
    "direction INTEGER, colorful INTEGER, colorindex INTEGER,"
    " \t\t\t\t\t\t\t\t\t\t"
    "color_value INTEGER, config_func INTEGER, reserved INTEGER, status INTEGER)",
    "CREATE INDEX IF NOT EXISTS lightindex ON t_light_data(light_id)",
    "CREATE TABLE IF NOT EXISTS t_key_light_data(keylight_id INTEGER PRIMARY KEY AUTOINCREMENT,"
    " \t\t\t\t\t\t\t\t   "
    "profile INTEGER, light_id INTEGER, key_code INTEGER, key_rgb INTEGER)",
    "CREATE INDEX IF NOT EXISTS keylightindex ON t_key_light_data(keylight_id)",
};

Rows Query(const std::string& path, const std::string& sql) {
  Rows rows;
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
    ADD_FAILURE() << "cannot open " << path;
    sqlite3_close(db);
    return rows;
  }
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
    ADD_FAILURE() << sql << ": " << sqlite3_errmsg(db);
  } else {
    while (sqlite3_step(statement) == SQLITE_ROW) {
      std::vector<std::string> row;
      for (int c = 0; c < sqlite3_column_count(statement); ++c) {
        const unsigned char* text = sqlite3_column_text(statement, c);
        row.push_back(text ? reinterpret_cast<const char*>(text) : "<null>");
      }
      rows.push_back(row);
    }
  }
  sqlite3_finalize(statement);
  sqlite3_close(db);
  return rows;
}

Rows Schema(const std::string& path) {
  return Query(path, "SELECT type, name, tbl_name, sql FROM sqlite_master ORDER BY rowid");
}

void ExecuteAll(const std::string& path, const std::vector<std::string>& statements) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr), SQLITE_OK);
  for (const std::string& sql : statements)
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sql;
  sqlite3_close(db);
}

Rows ReferenceSchema(const std::string& folder) {
  const std::string path = folder + "/reference.db";
  ExecuteAll(path, std::vector<std::string>(std::begin(kSchema), std::end(kSchema)));
  return Schema(path);
}

bool MakeDbFolder(const TempFolder& temp) {
  return mkdir((temp / "db").c_str(), 0700) == 0;
}

MacroEventRecord Event(int macroId) {
  MacroEventRecord record;
  record.macro_id = macroId;
  record.record_index = 1;
  record.value = 5;
  return record;
}

// A store whose file is unusable: every operation gives its failure value
// and empty outputs, and nothing is written.
void ExpectEveryOperationFails(ConfigStore& store) {
  CString text = u"stale";
  EXPECT_FALSE(store.GetConfigValue(1, u"dpi_index", text));
  EXPECT_TRUE(text.IsEmpty());
  EXPECT_FALSE(store.SetConfigValue(1, u"dpi_index", u"3"));
  store.WriteDefaultConfig(1);
  store.ResetConfig(1);
  store.RestoreDefaults(1);

  ProfileRecord profile;
  profile.name = u"P";
  EXPECT_EQ(store.CreateProfile(profile), 0);
  EXPECT_FALSE(store.RenameProfile(1, u"P"));
  text = u"stale";
  EXPECT_FALSE(store.GetProfileName(1, text));
  EXPECT_TRUE(text.IsEmpty());
  std::vector<ProfileRecord> profiles(2);
  EXPECT_EQ(store.ListProfiles(profiles), 0);
  EXPECT_TRUE(profiles.empty());
  EXPECT_FALSE(store.SetActiveProfile(1));
  EXPECT_EQ(store.GetActiveProfile(), 0);
  EXPECT_EQ(store.LoadProfiles([](const CString&) {}), 0);

  TextRecord textRecord;
  textRecord.name = u"T";
  EXPECT_EQ(store.AddText(textRecord), 0);
  EXPECT_FALSE(store.DeleteText(1));
  EXPECT_FALSE(store.RenameText(1, u"T"));
  text = u"stale";
  EXPECT_FALSE(store.GetTextName(1, text));
  EXPECT_TRUE(text.IsEmpty());
  EXPECT_FALSE(store.SetTextContent(1, u"C"));
  text = u"stale";
  EXPECT_FALSE(store.GetTextContent(1, text));
  EXPECT_TRUE(text.IsEmpty());
  std::vector<TextRecord> texts(2);
  EXPECT_EQ(store.ListTexts(texts), 0);
  EXPECT_TRUE(texts.empty());

  KeyAssignment key;
  key.profile = 1;
  key.key_code = 1;
  key.macro_value = 5;
  EXPECT_EQ(store.SaveKeyAssignment(key), 0);
  EXPECT_FALSE(store.GetKeyAssignment(1, 1, key));
  EXPECT_FALSE(store.SetKeyLabel(1, 1, u"L"));
  std::vector<KeyAssignment> keys(2);
  EXPECT_EQ(store.ListKeyAssignments(1, keys), 0);
  EXPECT_TRUE(keys.empty());
  EXPECT_FALSE(store.DeleteProfileKeys(1));
  EXPECT_EQ(store.AddKeyOther(u"D", u"P", 9), 0);
  CString desc = u"keep", param = u"keep";
  int type = 77;
  store.GetKeyOther(1, desc, param, type);
  EXPECT_EQ(desc.ToUtf8(), "keep");
  EXPECT_EQ(param.ToUtf8(), "keep");
  EXPECT_EQ(type, 77);

  LightModeRecord light;
  light.profile = 1;
  light.mode = 1;
  EXPECT_EQ(store.CountLightModes(1), 0);
  EXPECT_EQ(store.AddLightMode(light), 0);
  EXPECT_FALSE(store.UpdateLightMode(1, 1, light));
  EXPECT_FALSE(store.SetActiveLightMode(1, 1));
  EXPECT_EQ(store.GetActiveLightMode(1), 0);
  EXPECT_FALSE(store.GetLightMode(1, 1, light));
  std::vector<LightModeRecord> lights(2);
  EXPECT_EQ(store.ListLightModes(1, lights), 0);
  EXPECT_TRUE(lights.empty());

  MacroRecord macro;
  macro.name = u"M";
  EXPECT_EQ(store.AddMacro(u"M"), 0);
  EXPECT_EQ(store.AddMacroWithValues(macro), 0);
  EXPECT_FALSE(store.RenameMacro(1, u"M"));
  EXPECT_FALSE(store.DeleteMacro(1));
  EXPECT_FALSE(store.GetMacro(1, macro));
  EXPECT_FALSE(store.UpdateMacro(1, macro));
  std::vector<MacroRecord> macros(2);
  EXPECT_EQ(store.ListMacros(macros), 0);
  EXPECT_TRUE(macros.empty());
  EXPECT_EQ(store.AddMacroEvent(Event(1)), 0);
  EXPECT_FALSE(store.SaveMacroEvents({Event(1), Event(1)}));
  EXPECT_FALSE(store.ReplaceMacroEvents(1, {Event(1)}));
  std::vector<MacroEventRecord> events(2);
  EXPECT_EQ(store.ListMacroEvents(1, events), 0);
  EXPECT_TRUE(events.empty());
  EXPECT_FALSE(store.DeleteMacroEvents(1));
}

// A model file with a little of everything in it.
void WriteUsedDatabase(const TempFolder& temp, const char16_t* model) {
  ConfigStore store;
  ASSERT_TRUE(store.OpenForDevice(temp.Path(), model));
  ASSERT_EQ(store.LoadProfiles([](const CString&) {}), 1);
  KeyAssignment key;
  key.profile = 1;
  key.key_code = 2;
  key.macro_value = 3;
  ASSERT_GT(store.SaveKeyAssignment(key), 0);
  int macro = store.AddMacro(u"M");
  ASSERT_GT(macro, 0);
  ASSERT_TRUE(store.SaveMacroEvents({Event(macro), Event(macro)}));
  ASSERT_TRUE(store.Close());
}

}  // namespace

TEST(StoreFiles, DatabasePathIsTheModelsFileInTheDbFolder) {
  EXPECT_EQ(ConfigStore::DatabasePath("/data/Zorvane Files", u"M100"), "/data/Zorvane Files/db/M100_data.db");
  EXPECT_EQ(ConfigStore::DatabasePath("/data", CString::FromUtf8("Maus-Ä")), "/data/db/Maus-\xC3\x84_data.db");
  EXPECT_EQ(ConfigStore::DatabasePath("/data", u""), "/data/db/_data.db");
}

TEST(StoreFiles, ANewFileHoldsExactlyTheSchemaStatements) {
  TempFolder temp;
  ASSERT_TRUE(MakeDbFolder(temp));
  Rows expected = ReferenceSchema(temp.Path());
  ASSERT_EQ(expected.size(), 20u);  // the 19 statements and the engine's sqlite_sequence

  {
    ConfigStore store;
    ASSERT_TRUE(store.OpenForDevice(temp.Path(), u"M1"));
  }
  const std::string path = temp / "db/M1_data.db";
  EXPECT_EQ(Schema(path), expected);
  // Opening creates the tables only; the profiles come with LoadProfiles.
  EXPECT_EQ(Query(path, "SELECT COUNT(*) FROM t_profile_data"), (Rows{{"0"}}));
  EXPECT_EQ(Query(path, "SELECT COUNT(*) FROM t_configdata"), (Rows{{"0"}}));
  EXPECT_FALSE(std::filesystem::exists(path + "-journal"));
}

// A first start that ends half-way must not leave a file with part of the
// schema, which would then be opened as it is. Every write transaction of
// the engine makes and removes a journal file beside the database, so the
// journals made while opening count the transactions. Deletions are watched
// too: the kernel merges repeated identical events.
TEST(StoreFiles, TheSchemaIsWrittenInOneTransaction) {
  TempFolder temp;
  ASSERT_TRUE(MakeDbFolder(temp));
  int watch = inotify_init1(IN_NONBLOCK);
  ASSERT_GE(watch, 0);
  ASSERT_GE(inotify_add_watch(watch, (temp / "db").c_str(), IN_CREATE | IN_DELETE), 0);

  ConfigStore store;
  ASSERT_TRUE(store.OpenForDevice(temp.Path(), u"M1"));

  int journals = 0;
  alignas(inotify_event) char buffer[64 * 1024];
  for (ssize_t length; (length = read(watch, buffer, sizeof buffer)) > 0;) {
    for (char* at = buffer; at < buffer + length;) {
      const auto* event = reinterpret_cast<const inotify_event*>(at);
      if ((event->mask & IN_CREATE) && event->len > 0 && std::string(event->name) == "M1_data.db-journal") ++journals;
      at += sizeof(inotify_event) + event->len;
    }
  }
  close(watch);
  EXPECT_EQ(journals, 1);
}

TEST(StoreFiles, AnEmptyFileGetsTheSchemaLikeAMissingOne) {
  TempFolder temp;
  ASSERT_TRUE(MakeDbFolder(temp));
  Rows expected = ReferenceSchema(temp.Path());
  const std::string path = temp / "db/M1_data.db";
  WriteFile(path, "");

  ConfigStore store;
  ASSERT_TRUE(store.OpenForDevice(temp.Path(), u"M1"));
  EXPECT_EQ(store.LoadProfiles([](const CString&) {}), 1);
  EXPECT_EQ(Schema(path), expected);
}

TEST(StoreFiles, AnEmptyModelNameUsesTheFileUnderscoreData) {
  TempFolder temp;
  ASSERT_TRUE(MakeDbFolder(temp));
  ConfigStore store;
  ASSERT_TRUE(store.OpenForDevice(temp.Path(), u""));
  EXPECT_EQ(store.OpenPath(), temp / "db/_data.db");
  EXPECT_TRUE(std::filesystem::is_regular_file(temp / "db/_data.db"));
  EXPECT_EQ(store.LoadProfiles([](const CString&) {}), 1);
}

TEST(StoreFiles, AStoreNeverOpenedFailsEveryOperation) {
  ConfigStore store;
  EXPECT_FALSE(store.IsOpen());
  ExpectEveryOperationFails(store);
  EXPECT_TRUE(store.Close());
}

TEST(StoreFiles, AMissingFolderLeavesTheStoreClosedAndCreatesNothing) {
  TempFolder temp;
  ConfigStore store;
  EXPECT_FALSE(store.OpenForDevice(temp.Path(), u"M1"));  // no db folder
  EXPECT_FALSE(store.IsOpen());
  ExpectEveryOperationFails(store);
  EXPECT_FALSE(std::filesystem::exists(temp / "db"));

  EXPECT_FALSE(store.OpenForDevice(temp / "absent", u"M1"));
  EXPECT_FALSE(std::filesystem::exists(temp / "absent"));
  EXPECT_FALSE(store.IsOpen());
}

// Files that exist but cannot serve as a model's store. They must come out
// of a session byte for byte as they went in.
struct BadFile {
  const char* name;
  std::function<void(const TempFolder&, const std::string& path)> make;
};

class StoreBadFiles : public testing::TestWithParam<BadFile> {};

TEST_P(StoreBadFiles, EveryOperationFailsAndTheFileStaysAsItWas) {
  TempFolder temp;
  ASSERT_TRUE(MakeDbFolder(temp));
  const std::string path = temp / "db/M1_data.db";
  GetParam().make(temp, path);
  ASSERT_FALSE(HasFatalFailure());
  const std::string before = ReadFile(path);
  ASSERT_FALSE(before.empty());

  {
    ConfigStore store;
    store.OpenForDevice(temp.Path(), u"M1");  // may open: the engine reads the file lazily
    ExpectEveryOperationFails(store);
    store.OpenForDevice(temp.Path(), u"M1");
    ExpectEveryOperationFails(store);
  }
  EXPECT_TRUE(ReadFile(path) == before) << "the file was changed";
  EXPECT_FALSE(std::filesystem::exists(path + "-journal"));
}

INSTANTIATE_TEST_SUITE_P(
    Files, StoreBadFiles,
    testing::Values(BadFile{"NotADatabase",
                            [](const TempFolder&, const std::string& path) {
                              std::mt19937 random(12345);
                              std::string bytes(6000, '\0');
                              for (char& byte : bytes) byte = static_cast<char>(random());
                              WriteFile(path, bytes);
                            }},
                    BadFile{"CutInHalf",
                            [](const TempFolder& temp, const std::string& path) {
                              WriteUsedDatabase(temp, u"M1");
                              std::string whole = ReadFile(path);
                              ASSERT_GT(whole.size(), 8192u);
                              WriteFile(path, whole.substr(0, whole.size() / 2));
                            }},
                    BadFile{"LacksTables",
                            [](const TempFolder&, const std::string& path) {
                              ExecuteAll(path, {"CREATE TABLE other(x INTEGER)", "INSERT INTO other VALUES (1)"});
                            }}),
    [](const testing::TestParamInfo<BadFile>& info) { return std::string(info.param.name); });

TEST(StoreFiles, AReadOnlyFileRefusesEveryWriteAndStaysAsItWas) {
  TestSupport::RunWithoutPrivileges([] {
    TempFolder temp;  // made by the ordinary user, so the child can enter it
    ASSERT_TRUE(MakeDbFolder(temp));
    WriteUsedDatabase(temp, u"M1");
    ASSERT_FALSE(testing::Test::HasFatalFailure());
    const std::string path = temp / "db/M1_data.db";
    ASSERT_EQ(chmod(path.c_str(), 0444), 0);
    const std::string before = ReadFile(path);

    {
      ConfigStore store;
      store.OpenForDevice(temp.Path(), u"M1");
      EXPECT_FALSE(store.SetConfigValue(1, u"dpi_index", u"3"));
      store.ResetConfig(1);
      store.RestoreDefaults(1);
      ProfileRecord profile;
      profile.name = u"P";
      EXPECT_EQ(store.CreateProfile(profile), 0);
      EXPECT_FALSE(store.RenameProfile(1, u"P"));
      EXPECT_FALSE(store.SetActiveProfile(2));
      TextRecord text;
      text.name = u"T";
      EXPECT_EQ(store.AddText(text), 0);
      KeyAssignment key;
      key.profile = 1;
      key.key_code = 2;
      key.macro_value = 9;
      EXPECT_EQ(store.SaveKeyAssignment(key), 0);
      EXPECT_FALSE(store.SetKeyLabel(1, 2, u"L"));
      EXPECT_FALSE(store.DeleteProfileKeys(1));
      EXPECT_EQ(store.AddKeyOther(u"D", u"P", 9), 0);
      LightModeRecord light;
      light.profile = 1;
      EXPECT_EQ(store.AddLightMode(light), 0);
      EXPECT_EQ(store.AddMacro(u"M"), 0);
      EXPECT_FALSE(store.RenameMacro(1, u"N"));
      EXPECT_FALSE(store.DeleteMacro(1));
      EXPECT_EQ(store.AddMacroEvent(Event(1)), 0);
      EXPECT_FALSE(store.SaveMacroEvents({Event(1)}));
      EXPECT_FALSE(store.ReplaceMacroEvents(1, {Event(1)}));
      EXPECT_FALSE(store.DeleteMacroEvents(1));
    }
    EXPECT_TRUE(ReadFile(path) == before) << "the read-only file was changed";
    EXPECT_FALSE(std::filesystem::exists(path + "-journal"));
  });
}
