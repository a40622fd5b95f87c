#include "app/config/SQLiteDB.h"

#include <sqlite3.h>

#include "app/config/SQLiteStatement.h"

namespace Zorvane {

SQLiteDB::~SQLiteDB() {
  Close();
}

bool SQLiteDB::Open(const char* utf8Path, const std::string& key, int flags) {
  if (db_) {
    sqlite3_interrupt(db_);
    Close();
  }
  if (!utf8Path) return false;
  sqlite3* handle = nullptr;
  if (sqlite3_open_v2(utf8Path, &handle, flags, nullptr) != SQLITE_OK) {
    // A half-open handle still has to be released.
    sqlite3_close(handle);
    return false;
  }
  db_ = handle;
  // Settings are small and rewritten often; waiting for the disk on every
  // commit would only slow the pages down.
  Execute("PRAGMA synchronous = OFF; ");
  // This build carries no cipher, so a key can never be applied.
  return key.empty();
}

bool SQLiteDB::Close() {
  if (!db_) return true;
  if (sqlite3_close(db_) != SQLITE_OK) return false;
  db_ = nullptr;
  return true;
}

int SQLiteDB::Prepare(SQLiteStatement& statement, const char* sql) {
  if (statement.stmt_) statement.Finalize();
  if (!db_ || !sql) return kMisuse;
  return sqlite3_prepare_v2(db_, sql, -1, &statement.stmt_, nullptr);
}

int SQLiteDB::Execute(const char* sql) {
  if (!db_ || !sql) return kMisuse;
  return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
}

long long SQLiteDB::LastInsertId() const {
  return db_ ? sqlite3_last_insert_rowid(db_) : -1;
}

int SQLiteDB::Changes() const {
  return db_ ? sqlite3_changes(db_) : 0;
}

}  // namespace Zorvane
