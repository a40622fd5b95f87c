#pragma once

namespace Zorvane {

class SQLiteDB;

// A transaction for the life of a scope: begun by the constructor when the
// connection is open, committed by Commit or, if still active, by the
// destructor. Rollback undoes everything since the begin. Transactions nest:
// one begun inside another commits into it.
class SQLiteAutoTransaction {
 public:
  explicit SQLiteAutoTransaction(SQLiteDB& db);
  virtual ~SQLiteAutoTransaction();
  SQLiteAutoTransaction(const SQLiteAutoTransaction&) = delete;
  SQLiteAutoTransaction& operator=(const SQLiteAutoTransaction&) = delete;

  // False, doing nothing, when already active.
  bool Begin();
  // Both false, doing nothing, when this object has no active transaction.
  bool Commit();
  bool Rollback();
  bool IsActive() const { return active_; }

 private:
  SQLiteDB& db_;
  bool active_ = false;
};

}  // namespace Zorvane
