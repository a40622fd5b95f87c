#include "app/config/SQLiteAutoTransaction.h"

#include "app/config/SQLiteDB.h"

namespace Zorvane {

// Savepoints rather than BEGIN/END: outside a transaction a savepoint begins
// one and its release commits it, inside one it nests. So a store operation
// that keeps its own writes together still works as one step of a larger
// unit, such as a whole profile import.
namespace {
constexpr char kBegin[] = "SAVEPOINT autotransaction";
constexpr char kCommit[] = "RELEASE autotransaction";
constexpr char kRollback[] = "ROLLBACK TO autotransaction; RELEASE autotransaction";
}  // namespace

SQLiteAutoTransaction::SQLiteAutoTransaction(SQLiteDB& db) : db_(db) {
  if (db_.IsOpen()) active_ = db_.Execute(kBegin) == 0;
}

SQLiteAutoTransaction::~SQLiteAutoTransaction() {
  if (active_) db_.Execute(kCommit);  // a scope left without a decision keeps what it wrote
}

bool SQLiteAutoTransaction::Begin() {
  if (active_) return false;
  active_ = db_.Execute(kBegin) == 0;
  return active_;
}

// Only a transaction this object began is ended: ending another one would
// commit or undo work that is not ours.
bool SQLiteAutoTransaction::Commit() {
  if (!active_) return false;
  active_ = false;
  return db_.Execute(kCommit) == 0;
}

bool SQLiteAutoTransaction::Rollback() {
  if (!active_) return false;
  active_ = false;
  return db_.Execute(kRollback) == 0;
}

}  // namespace Zorvane
