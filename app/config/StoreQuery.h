#pragma once

#include <deque>
#include <string>

#include "app/config/SQLiteDB.h"
#include "app/config/SQLiteStatement.h"
#include "toolkit/core/CString.h"

namespace Zorvane {

// One statement of a store operation: prepared on construction, binds in
// index order, keeps the UTF-8 of every bound text alive until it is done,
// and converts text columns back to UTF-16 (NULL reads as empty, malformed
// UTF-8 as U+FFFD). The caller holds the store's lock.
class StoreQuery {
 public:
  StoreQuery(SQLiteDB& db, const char* sql);

  StoreQuery& Int(int value);
  StoreQuery& Text(const Nuvex::CString& value);
  StoreQuery& Text(const char* utf8);

  int Step() { return statement_.Step(); }
  // A write counts as done when the engine reports OK, ROW or DONE.
  bool Write();
  // The new row's id, or 0 when the insert failed.
  int Insert();
  // True while there is a row to read.
  bool Row() { return Step() == 100; }

  int ColumnInt(int column) { return statement_.ColumnInt(column); }
  Nuvex::CString ColumnText(int column);

  // Ready to run again with new binds.
  void Reset();

 private:
  SQLiteDB& db_;
  SQLiteStatement statement_;
  std::deque<std::string> texts_;  // a deque never moves its elements
  int index_ = 0;
};

}  // namespace Zorvane
