// The store's lighting modes, macros and macro events.

#include "app/config/ConfigStore.h"
#include "app/config/SQLiteAutoTransaction.h"
#include "app/config/StoreQuery.h"
#include "app/config/StoreStatements.h"

namespace Zorvane {

using Nuvex::CString;
using Lock = std::lock_guard<std::recursive_mutex>;

namespace {

constexpr char kMacroInsert[] =
    "INSERT INTO t_macro_data(name, play_type, play_times, delay_type, delay_time) VALUES (?, ?, ?, ?, ?);";

void ReadLightMode(StoreQuery& query, LightModeRecord& record) {
  record.light_id = query.ColumnInt(0);
  record.profile = query.ColumnInt(1);
  record.name = query.ColumnText(2);
  record.mode = query.ColumnInt(3);
  record.brightness = query.ColumnInt(4);
  record.speed = query.ColumnInt(5);
  record.direction = query.ColumnInt(6);
  record.colorful = query.ColumnInt(7);
  record.colorindex = query.ColumnInt(8);
  record.color_value = query.ColumnInt(9);
  record.config_func = query.ColumnInt(10);
  record.reserved = query.ColumnInt(11);
  record.status = query.ColumnInt(12);
}

void ReadMacro(StoreQuery& query, MacroRecord& record) {
  record.macro_id = query.ColumnInt(0);
  record.name = query.ColumnText(1);
  record.play_type = query.ColumnInt(2);
  record.play_times = query.ColumnInt(3);
  record.delay_type = query.ColumnInt(4);
  record.delay_time = query.ColumnInt(5);
}

void BindMacroEvent(StoreQuery& query, const MacroEventRecord& record) {
  query.Int(record.macro_id)
      .Int(record.type)
      .Int(record.record_index)
      .Text(record.desc)
      .Int(record.value)
      .Int(record.delay_time);
}

}  // namespace

// --- lighting ---------------------------------------------------------------------

int ConfigStore::CountLightModes(int profile) {
  Lock lock(lock_);
  StoreQuery query(db_, "select count(*) FROM t_light_data WHERE profile = ?");
  return query.Int(profile).Row() ? query.ColumnInt(0) : 0;
}

int ConfigStore::AddLightMode(const LightModeRecord& record) {
  Lock lock(lock_);
  StoreQuery query(db_, StoreStatements::kLightInsert);
  return query.Int(record.profile)
      .Text(record.name)
      .Int(record.mode)
      .Int(record.brightness)
      .Int(record.speed)
      .Int(record.direction)
      .Int(record.colorful)
      .Int(record.colorindex)
      .Int(record.color_value)
      .Int(record.config_func)
      .Int(record.reserved)
      .Int(record.status)
      .Insert();
}

bool ConfigStore::UpdateLightMode(int profile, int mode, const LightModeRecord& record) {
  Lock lock(lock_);
  StoreQuery query(db_, StoreStatements::kLightUpdate);
  return query.Int(record.brightness)
      .Int(record.speed)
      .Int(record.direction)
      .Int(record.colorful)
      .Int(record.colorindex)
      .Int(record.color_value)
      .Int(record.config_func)
      .Int(record.reserved)
      .Int(profile)
      .Int(mode)
      .Write();
}

bool ConfigStore::SetActiveLightMode(int profile, int mode) {
  Lock lock(lock_);
  SQLiteAutoTransaction transaction(db_);
  StoreQuery clear(db_, "UPDATE t_light_data SET status = ? WHERE profile = ?");
  clear.Int(0).Int(profile).Write();
  StoreQuery set(db_, "UPDATE t_light_data SET status = ? WHERE profile = ? and mode = ?");
  bool ok = set.Int(1).Int(profile).Int(mode).Write();
  transaction.Commit();
  return ok;
}

int ConfigStore::GetActiveLightMode(int profile) {
  Lock lock(lock_);
  StoreQuery query(db_, "SELECT mode FROM t_light_data WHERE profile = ? and status = ?");
  return query.Int(profile).Int(1).Row() ? query.ColumnInt(0) : 0;
}

bool ConfigStore::GetLightMode(int profile, int mode, LightModeRecord& record) {
  Lock lock(lock_);
  StoreQuery query(db_, "SELECT * FROM t_light_data WHERE profile = ? AND mode = ?");
  if (!query.Int(profile).Int(mode).Row()) {
    record = LightModeRecord{};
    return false;
  }
  ReadLightMode(query, record);
  return true;
}

int ConfigStore::ListLightModes(int profile, std::vector<LightModeRecord>& records) {
  Lock lock(lock_);
  records.clear();
  StoreQuery query(db_, "SELECT * FROM t_light_data WHERE profile = ?");
  query.Int(profile);
  while (query.Row()) ReadLightMode(query, records.emplace_back());
  return static_cast<int>(records.size());
}

// --- macros -------------------------------------------------------------------------

int ConfigStore::AddMacro(const CString& name) {
  Lock lock(lock_);
  StoreQuery query(db_, kMacroInsert);
  return query.Text(name).Int(0).Int(1).Int(1).Int(0).Insert();
}

int ConfigStore::AddMacroWithValues(const MacroRecord& record) {
  Lock lock(lock_);
  StoreQuery query(db_, kMacroInsert);
  return query.Text(record.name)
      .Int(record.play_type)
      .Int(record.play_times)
      .Int(record.delay_type)
      .Int(record.delay_time)
      .Insert();
}

bool ConfigStore::RenameMacro(int macroId, const CString& name) {
  Lock lock(lock_);
  StoreQuery query(db_, "UPDATE t_macro_data SET name = ? WHERE macro_id = ?");
  return query.Text(name).Int(macroId).Write();
}

bool ConfigStore::DeleteMacro(int macroId) {
  Lock lock(lock_);
  SQLiteAutoTransaction transaction(db_);  // never a macro without its events or events without their macro
  StoreQuery macro(db_, "DELETE FROM t_macro_data WHERE macro_id = ?");
  bool ok = macro.Int(macroId).Write();
  if (ok) ok = DeleteMacroEvents(macroId);
  if (!ok && transaction.IsActive()) {
    transaction.Rollback();
    return false;
  }
  transaction.Commit();
  return ok;
}

bool ConfigStore::GetMacro(int macroId, MacroRecord& record) {
  Lock lock(lock_);
  StoreQuery query(db_, "SELECT * FROM t_macro_data WHERE macro_id = ?");
  if (!query.Int(macroId).Row()) {
    record = MacroRecord{};
    return false;
  }
  ReadMacro(query, record);
  return true;
}

bool ConfigStore::UpdateMacro(int macroId, const MacroRecord& record) {
  Lock lock(lock_);
  StoreQuery query(db_,
                   "UPDATE t_macro_data SET name = ?, play_type = ?, play_times = ?, delay_type = ?,delay_time = ? "
                   "WHERE macro_id = ?");
  return query.Text(record.name)
      .Int(record.play_type)
      .Int(record.play_times)
      .Int(record.delay_type)
      .Int(record.delay_time)
      .Int(macroId)
      .Write();
}

int ConfigStore::ListMacros(std::vector<MacroRecord>& records) {
  Lock lock(lock_);
  records.clear();
  StoreQuery query(db_, "SELECT * FROM t_macro_data");
  while (query.Row()) ReadMacro(query, records.emplace_back());
  return static_cast<int>(records.size());
}

// --- macro events -------------------------------------------------------------------

int ConfigStore::AddMacroEvent(const MacroEventRecord& record) {
  Lock lock(lock_);
  StoreQuery query(db_, StoreStatements::kEventInsert);
  BindMacroEvent(query, record);
  return query.Insert();
}

bool ConfigStore::InsertMacroEvents(const std::vector<MacroEventRecord>& records) {
  StoreQuery insert(db_, StoreStatements::kEventInsert);
  for (const MacroEventRecord& record : records) {
    BindMacroEvent(insert, record);
    if (!insert.Write()) return false;
    insert.Reset();
  }
  return true;
}

bool ConfigStore::SaveMacroEvents(const std::vector<MacroEventRecord>& records) {
  Lock lock(lock_);
  SQLiteAutoTransaction transaction(db_);
  if (!transaction.IsActive()) return false;
  if (!InsertMacroEvents(records)) {
    transaction.Rollback();  // all or nothing: the editor still holds the list
    return false;
  }
  return transaction.Commit();
}

bool ConfigStore::ReplaceMacroEvents(int macroId, const std::vector<MacroEventRecord>& records) {
  Lock lock(lock_);
  SQLiteAutoTransaction transaction(db_);
  if (!transaction.IsActive()) return false;
  if (!DeleteMacroEvents(macroId) || !InsertMacroEvents(records)) {
    transaction.Rollback();  // the old events stay
    return false;
  }
  return transaction.Commit();
}

int ConfigStore::ListMacroEvents(int macroId, std::vector<MacroEventRecord>& records) {
  Lock lock(lock_);
  records.clear();
  StoreQuery query(db_, "SELECT * FROM t_macrorecord WHERE macro_id = ? ORDER BY record_index ASC");
  query.Int(macroId);
  while (query.Row()) {
    MacroEventRecord& record = records.emplace_back();
    record.record_id = query.ColumnInt(0);
    record.macro_id = query.ColumnInt(1);
    record.type = query.ColumnInt(2);
    record.record_index = query.ColumnInt(3);
    record.desc = query.ColumnText(4);
    record.value = query.ColumnInt(5);
    record.delay_time = query.ColumnInt(6);
  }
  return static_cast<int>(records.size());
}

bool ConfigStore::DeleteMacroEvents(int macroId) {
  Lock lock(lock_);
  StoreQuery query(db_, "DELETE FROM t_macrorecord WHERE macro_id = ?");
  return query.Int(macroId).Write();
}

}  // namespace Zorvane
