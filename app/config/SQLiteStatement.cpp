#include "app/config/SQLiteStatement.h"

#include <sqlite3.h>

#include "app/config/SQLiteDB.h"

namespace Zorvane {

SQLiteStatement::~SQLiteStatement() {
  Finalize();
}

int SQLiteStatement::Finalize() {
  if (!stmt_) return SQLITE_OK;
  int result = sqlite3_finalize(stmt_);
  stmt_ = nullptr;  // finalize releases the statement whatever it reports
  return result;
}

int SQLiteStatement::BindInt(int index, int value) {
  return stmt_ ? sqlite3_bind_int(stmt_, index, value) : SQLiteDB::kMisuse;
}

int SQLiteStatement::BindText(int index, const char* utf8, int byteLength) {
  return stmt_ ? sqlite3_bind_text(stmt_, index, utf8, byteLength, SQLITE_STATIC) : SQLiteDB::kMisuse;
}

int SQLiteStatement::Step() {
  return stmt_ ? sqlite3_step(stmt_) : SQLiteDB::kMisuse;
}

int SQLiteStatement::Reset() {
  if (!stmt_) return SQLiteDB::kMisuse;
  sqlite3_clear_bindings(stmt_);
  return sqlite3_reset(stmt_);
}

int SQLiteStatement::ColumnInt(int column) {
  return stmt_ ? sqlite3_column_int(stmt_, column) : 0;
}

const char* SQLiteStatement::ColumnText(int column) {
  return stmt_ ? reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column)) : nullptr;
}

int SQLiteStatement::ColumnBytes(int column) {
  return stmt_ ? sqlite3_column_bytes(stmt_, column) : 0;
}

}  // namespace Zorvane
