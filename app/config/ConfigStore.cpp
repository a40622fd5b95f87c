// The store's file, configuration keys and profiles. Button assignments and
// text snippets are in ConfigStoreAssignments.cpp, lighting and macros in
// ConfigStoreMacros.cpp.

#include "app/config/ConfigStore.h"

#include <sys/stat.h>

#include "app/config/ConfigKeys.h"
#include "app/config/Language.h"
#include "app/config/ProfileNames.h"
#include "app/config/SQLiteAutoTransaction.h"
#include "app/config/StoreQuery.h"
#include "app/config/StoreStatements.h"

namespace Zorvane {

using Nuvex::CString;
using Lock = std::lock_guard<std::recursive_mutex>;

namespace {

constexpr char kConfigInsert[] = "INSERT INTO t_configdata(profile, key, value) VALUES (?, ?, ?);";
constexpr int kDefaultNameText = 61;

// A file of 0 bytes is what a first start leaves when it ends between making
// the file and writing its schema; it is treated like no file at all.
bool HasContent(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && st.st_size > 0;
}

}  // namespace

ConfigStore& ConfigStore::Instance() {
  static ConfigStore store;
  return store;
}

ConfigStore::~ConfigStore() {
  Close();
}

// --- the file -----------------------------------------------------------------

std::string ConfigStore::DatabasePath(const std::string& dataFolder, const CString& modelName) {
  return dataFolder + "/db/" + modelName.ToUtf8() + "_data.db";
}

bool ConfigStore::OpenForDevice(const std::string& dataFolder, const CString& modelName) {
  Lock lock(lock_);
  std::string path = DatabasePath(dataFolder, modelName);
  if (db_.IsOpen()) {
    if (open_ && path == path_) return true;
    if (!db_.Close()) return false;
    open_ = false;
  }
  path_ = path;
  // A model name comes from a catalogue file; it must not lead out of db/.
  if (modelName.Find(u'/') >= 0) return false;
  open_ = HasContent(path) ? db_.Open(path.c_str(), "", SQLiteDB::kOpenExisting) : CreateSchema(path);
  return open_;
}

bool ConfigStore::CreateSchema(const std::string& path) {
  if (!db_.Open(path.c_str(), "", SQLiteDB::kOpenOrCreate)) return false;
  // One transaction, so that neither a crash nor a failing statement can
  // leave half a schema behind; a file that did not get its schema is closed
  // again, so the store reports itself closed and every operation fails.
  SQLiteAutoTransaction transaction(db_);
  bool ok = true;
  for (const char* statement : StoreStatements::kSchema) ok = db_.Execute(statement) == 0 && ok;
  if (ok && transaction.Commit()) return true;
  transaction.Rollback();
  db_.Close();
  return false;
}

bool ConfigStore::Close() {
  Lock lock(lock_);
  if (!db_.Close()) return false;
  open_ = false;
  path_.clear();
  return true;
}

bool ConfigStore::IsOpen() const {
  Lock lock(lock_);
  return open_;
}

std::string ConfigStore::OpenPath() const {
  Lock lock(lock_);
  return path_;
}

void ConfigStore::SetDeviceType(int type) {
  Lock lock(lock_);
  deviceType_ = type;
}

int ConfigStore::GetDeviceType() const {
  Lock lock(lock_);
  return deviceType_;
}

bool ConfigStore::Atomically(const std::function<bool()>& work) {
  Lock lock(lock_);
  SQLiteAutoTransaction transaction(db_);
  if (!transaction.IsActive()) return false;
  if (!work()) {
    transaction.Rollback();
    return false;
  }
  return transaction.Commit();
}

// --- configuration keys -----------------------------------------------------------

bool ConfigStore::GetConfigValue(int profile, const CString& key, CString& value) {
  Lock lock(lock_);
  StoreQuery query(db_, "SELECT value FROM t_configdata WHERE profile = ? and key = ?");
  query.Int(profile).Text(key);
  if (!query.Row()) {
    value.Empty();
    return false;
  }
  value = query.ColumnText(0);
  return true;
}

bool ConfigStore::SetConfigValue(int profile, const CString& key, const CString& value) {
  Lock lock(lock_);
  StoreQuery update(db_, "UPDATE t_configdata SET value = ? WHERE profile = ? and key = ?");
  if (!update.Text(value).Int(profile).Text(key).Write()) return false;
  if (db_.Changes() > 0) return true;
  // The profile lacks the key (a file from before the key existed): add it
  // rather than lose the value. Keys of a profile that does not exist are
  // not made up.
  StoreQuery exists(db_, "SELECT profile FROM t_profile_data WHERE profile = ?");
  if (!exists.Int(profile).Row()) return true;
  StoreQuery insert(db_, kConfigInsert);
  return insert.Int(profile).Text(key).Text(value).Insert() != 0;
}

void ConfigStore::WriteDefaultConfig(int profile) {
  Lock lock(lock_);
  StoreQuery insert(db_, kConfigInsert);
  for (const ConfigKeyDefault& row : ConfigKeys::Defaults()) {
    insert.Int(profile).Text(row.key).Text(row.newValue).Write();  // a failed row does not stop the others
    insert.Reset();
  }
}

void ConfigStore::ResetConfig(int profile) {
  for (const ConfigKeyDefault& row : ConfigKeys::Defaults()) {
    if (row.resetValue) SetConfigValue(profile, CString::FromUtf8(row.key), CString::FromUtf8(row.resetValue));
  }
}

void ConfigStore::RestoreDefaults(int profile) {
  DeleteProfileKeys(profile);
  ResetConfig(profile);
}

// --- profiles -------------------------------------------------------------------------

int ConfigStore::CreateProfile(const ProfileRecord& record) {
  Lock lock(lock_);
  // The row and its keys together: a profile never exists without its keys.
  SQLiteAutoTransaction transaction(db_);
  StoreQuery insert(db_, "INSERT INTO t_profile_data(name, status, app, type) VALUES (?, ?, ?, ?);");
  int id = insert.Text(record.name).Int(0).Text(record.app).Int(0).Insert();
  if (id != 0) WriteDefaultConfig(id);
  transaction.Commit();
  return id;
}

bool ConfigStore::RenameProfile(int profile, const CString& name) {
  Lock lock(lock_);
  StoreQuery query(db_, "UPDATE t_profile_data SET name = ? WHERE profile = ?");
  return query.Text(name).Int(profile).Write();
}

bool ConfigStore::GetProfileName(int profile, CString& name) {
  Lock lock(lock_);
  StoreQuery query(db_, "SELECT name FROM t_profile_data WHERE profile = ?");
  if (!query.Int(profile).Row()) {
    name.Empty();
    return false;
  }
  name = ProfileNames::DisplayName(query.ColumnText(0), Language::GetLanguageId());
  return true;
}

int ConfigStore::ListProfiles(std::vector<ProfileRecord>& records) {
  Lock lock(lock_);
  records.clear();
  StoreQuery query(db_, "SELECT * FROM t_profile_data");
  int languageId = Language::GetLanguageId();
  while (query.Row()) {
    ProfileRecord& record = records.emplace_back();
    record.profile = query.ColumnInt(0);
    record.name = ProfileNames::DisplayName(query.ColumnText(1), languageId);
    record.status = query.ColumnInt(2);
    record.app = query.ColumnText(3);
    record.type = query.ColumnInt(4);
  }
  return static_cast<int>(records.size());
}

bool ConfigStore::SetActiveProfile(int profile) {
  Lock lock(lock_);
  SQLiteAutoTransaction transaction(db_);  // never a moment without an active profile on disk
  StoreQuery clear(db_, "UPDATE t_profile_data SET status = ?");
  clear.Int(0).Write();
  StoreQuery set(db_, "UPDATE t_profile_data SET status = ? WHERE profile = ?");
  bool ok = set.Int(1).Int(profile).Write();
  transaction.Commit();
  return ok;
}

int ConfigStore::GetActiveProfile() {
  Lock lock(lock_);
  StoreQuery query(db_, "SELECT profile FROM t_profile_data WHERE status = ?");
  return query.Int(1).Row() ? query.ColumnInt(0) : 0;
}

int ConfigStore::LoadProfiles(const std::function<void(const CString&)>& showName) {
  Lock lock(lock_);
  std::vector<ProfileRecord> profiles;
  if (ListProfiles(profiles) < 1) {
    CString base = Language::GetText(kDefaultNameText);
    for (int number = 1; number <= 4; ++number) {
      ProfileRecord record;
      record.name.Format(u"%s %d", base, number);
      CreateProfile(record);
    }
    SetActiveProfile(1);
  }
  int current = GetActiveProfile();
  if (current < 1) {
    SetActiveProfile(1);
    current = GetActiveProfile();
  }
  CString name;
  GetProfileName(current, name);
  if (showName) showName(name);
  return current;
}

}  // namespace Zorvane
