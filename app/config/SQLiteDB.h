#pragma once

#include <string>

struct sqlite3;

namespace Zorvane {

class SQLiteStatement;

// A connection to one SQLite file. Results are the engine's codes; without a
// connection every call gives SQLITE_MISUSE (21). Not thread-safe by itself:
// the store serialises its use.
class SQLiteDB {
 public:
  static constexpr int kMisuse = 21;
  // Read-write in the engine's serialized threading mode, with and without
  // creating a missing file.
  static constexpr int kOpenExisting = 0x00010002;
  static constexpr int kOpenOrCreate = 0x00010006;

  SQLiteDB() = default;
  virtual ~SQLiteDB();
  SQLiteDB(const SQLiteDB&) = delete;
  SQLiteDB& operator=(const SQLiteDB&) = delete;

  // Closes an open connection first. False for a null path or when the
  // engine cannot open the file. A non-empty key is applied as the cipher
  // key (this build has no cipher, so only the empty key succeeds).
  bool Open(const char* utf8Path, const std::string& key, int flags);
  // True when nothing is open or the connection closed; false keeps it.
  bool Close();
  bool IsOpen() const { return db_ != nullptr; }

  int Prepare(SQLiteStatement& statement, const char* sql);
  int Execute(const char* sql);
  // The row id of the last insert, -1 without a connection.
  long long LastInsertId() const;
  // Rows changed by the last write, 0 without a connection.
  int Changes() const;

 private:
  sqlite3* db_ = nullptr;
};

}  // namespace Zorvane
