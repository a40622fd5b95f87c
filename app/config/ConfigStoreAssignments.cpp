// The store's button assignments, their run-program and open-address
// parameters, and the text snippets.

#include "app/config/ConfigStore.h"
#include "app/config/SQLiteAutoTransaction.h"
#include "app/config/StoreQuery.h"
#include "app/config/StoreStatements.h"

namespace Zorvane {

using Nuvex::CString;
using Lock = std::lock_guard<std::recursive_mutex>;

namespace {

void ReadKeyAssignment(StoreQuery& query, KeyAssignment& record) {
  record.key_id = query.ColumnInt(0);
  record.profile = query.ColumnInt(1);
  record.fn_layer = query.ColumnInt(2);
  record.key_code = query.ColumnInt(3);
  record.layout_value = query.ColumnInt(4);
  record.layout_desc = query.ColumnText(5);
  record.macro_type = query.ColumnInt(6);
  record.macro_value = query.ColumnInt(7);
  record.macro_value2 = query.ColumnInt(8);
  record.macro_value3 = query.ColumnInt(9);
  record.macro_desc = query.ColumnText(10);
}

}  // namespace

// --- text snippets ------------------------------------------------------------------

int ConfigStore::AddText(const TextRecord& record) {
  Lock lock(lock_);
  StoreQuery query(db_, "INSERT INTO t_text_data(name, status, content, type) VALUES (?, ?, ?, ?);");
  return query.Text(record.name).Int(0).Text(record.content).Int(0).Insert();
}

bool ConfigStore::DeleteText(int textId) {
  Lock lock(lock_);
  StoreQuery query(db_, "DELETE FROM t_text_data WHERE text_id = ?");
  return query.Int(textId).Write();
}

bool ConfigStore::RenameText(int textId, const CString& name) {
  Lock lock(lock_);
  StoreQuery query(db_, "UPDATE t_text_data SET name = ? WHERE text_id = ?");
  return query.Text(name).Int(textId).Write();
}

bool ConfigStore::GetTextName(int textId, CString& name) {
  Lock lock(lock_);
  StoreQuery query(db_, "SELECT name FROM t_text_data WHERE text_id = ?");
  bool found = query.Int(textId).Row();
  name = found ? query.ColumnText(0) : CString();
  return found;
}

bool ConfigStore::SetTextContent(int textId, const CString& content) {
  Lock lock(lock_);
  StoreQuery query(db_, "UPDATE t_text_data SET content = ? WHERE text_id = ?");
  return query.Text(content).Int(textId).Write();
}

bool ConfigStore::GetTextContent(int textId, CString& content) {
  Lock lock(lock_);
  StoreQuery query(db_, "SELECT content FROM t_text_data WHERE text_id = ?");
  bool found = query.Int(textId).Row();
  content = found ? query.ColumnText(0) : CString();
  return found;
}

int ConfigStore::ListTexts(std::vector<TextRecord>& records) {
  Lock lock(lock_);
  records.clear();
  StoreQuery query(db_, "SELECT * FROM t_text_data");
  while (query.Row()) {
    TextRecord& record = records.emplace_back();
    record.text_id = query.ColumnInt(0);
    record.name = query.ColumnText(1);
    record.status = query.ColumnInt(2);
    record.content = query.ColumnText(3);
    record.type = query.ColumnInt(4);
  }
  return static_cast<int>(records.size());
}

// --- button assignments -------------------------------------------------------------

int ConfigStore::SaveKeyAssignment(const KeyAssignment& record) {
  Lock lock(lock_);
  // Removal and new row together: a failed insert keeps the old assignment.
  SQLiteAutoTransaction transaction(db_);
  StoreQuery remove(db_, "DELETE FROM t_key_macro_data WHERE profile = ? and fn_layer = ? and key_code = ?");
  remove.Int(record.profile).Int(record.fn_layer).Int(record.key_code).Write();
  if (record.macro_value == 0 && record.macro_value2 == 0) {
    transaction.Commit();
    return 0;  // no row: the button does its default
  }
  StoreQuery insert(db_, StoreStatements::kKeyInsert);
  int id = insert.Int(record.profile)
               .Int(record.fn_layer)
               .Int(record.key_code)
               .Int(record.layout_value)
               .Text(record.layout_desc)
               .Int(record.macro_type)
               .Int(record.macro_value)
               .Int(record.macro_value2)
               .Int(record.macro_value3)
               .Text(record.macro_desc)
               .Insert();
  if (id == 0 && transaction.IsActive()) {
    transaction.Rollback();
  } else {
    transaction.Commit();
  }
  return id;
}

bool ConfigStore::GetKeyAssignment(int profile, int keyCode, KeyAssignment& record) {
  Lock lock(lock_);
  StoreQuery query(db_, "SELECT * FROM t_key_macro_data WHERE profile = ? and fn_layer = ? and key_code = ?");
  if (!query.Int(profile).Int(0).Int(keyCode).Row()) {
    record = KeyAssignment{};
    return false;
  }
  ReadKeyAssignment(query, record);
  return true;
}

bool ConfigStore::SetKeyLabel(int profile, int keyCode, const CString& label) {
  Lock lock(lock_);
  StoreQuery query(db_,
                   "UPDATE t_key_macro_data SET macro_desc = ? WHERE profile = ? and fn_layer = ? and key_code = ?");
  return query.Text(label).Int(profile).Int(0).Int(keyCode).Write();
}

int ConfigStore::ListKeyAssignments(int profile, std::vector<KeyAssignment>& records) {
  Lock lock(lock_);
  records.clear();
  StoreQuery query(db_, "SELECT * FROM t_key_macro_data WHERE profile = ? and fn_layer = ?");
  query.Int(profile).Int(0);
  while (query.Row()) ReadKeyAssignment(query, records.emplace_back());
  return static_cast<int>(records.size());
}

bool ConfigStore::DeleteProfileKeys(int profile) {
  Lock lock(lock_);
  StoreQuery query(db_, "DELETE FROM t_key_macro_data WHERE profile = ?");
  return query.Int(profile).Write();
}

int ConfigStore::AddKeyOther(const CString& macroDesc, const CString& param, int type) {
  Lock lock(lock_);
  StoreQuery query(db_, "INSERT INTO t_key_otherdata(macro_desc, param, type) VALUES (?, ?, ?);");
  return query.Text(macroDesc).Text(param).Int(type).Insert();
}

int ConfigStore::FindKeyOther(const CString& macroDesc, const CString& param, int type) {
  Lock lock(lock_);
  StoreQuery query(db_,
                   "SELECT macro_value FROM t_key_otherdata WHERE macro_desc = ? AND param = ? AND type = ? "
                   "ORDER BY macro_value LIMIT 1");
  return query.Text(macroDesc).Text(param).Int(type).Row() ? query.ColumnInt(0) : 0;
}

bool ConfigStore::GetKeyOther(int macroValue, CString& macroDesc, CString& param, int& type) {
  Lock lock(lock_);
  StoreQuery query(db_, "SELECT macro_desc, param, type FROM t_key_otherdata WHERE macro_value = ?");
  if (query.Int(macroValue).Row()) {
    macroDesc = query.ColumnText(0);
    param = query.ColumnText(1);
    type = query.ColumnInt(2);
  }
  return true;  // callers keep their own values when there is no row
}

}  // namespace Zorvane
