#pragma once

struct sqlite3_stmt;

namespace Zorvane {

// One prepared statement; finalized when prepared again or destroyed.
// Without a statement every call gives SQLITE_MISUSE (21), reads give 0 or
// null. Indexes of binds start at 1, columns at 0.
class SQLiteStatement {
 public:
  SQLiteStatement() = default;
  virtual ~SQLiteStatement();
  SQLiteStatement(const SQLiteStatement&) = delete;
  SQLiteStatement& operator=(const SQLiteStatement&) = delete;

  int BindInt(int index, int value);
  // The text is not copied: `utf8` must stay alive until the last Step.
  int BindText(int index, const char* utf8, int byteLength);
  int Step();
  // Makes the statement ready to run again with new binds.
  int Reset();
  int ColumnInt(int column);
  // The column as UTF-8; null for a NULL column or without a statement.
  const char* ColumnText(int column);
  // The length in bytes of the text ColumnText gave, 0 without a statement.
  int ColumnBytes(int column);

 private:
  friend class SQLiteDB;
  int Finalize();

  sqlite3_stmt* stmt_ = nullptr;
};

}  // namespace Zorvane
