#include "app/config/StoreQuery.h"

#include <cstring>

namespace Zorvane {

StoreQuery::StoreQuery(SQLiteDB& db, const char* sql) : db_(db) {
  db_.Prepare(statement_, sql);  // a failed prepare makes every later call fail
}

StoreQuery& StoreQuery::Int(int value) {
  statement_.BindInt(++index_, value);
  return *this;
}

StoreQuery& StoreQuery::Text(const Nuvex::CString& value) {
  texts_.push_back(value.ToUtf8());
  const std::string& utf8 = texts_.back();
  statement_.BindText(++index_, utf8.c_str(), static_cast<int>(utf8.size()));
  return *this;
}

StoreQuery& StoreQuery::Text(const char* utf8) {
  statement_.BindText(++index_, utf8, static_cast<int>(std::strlen(utf8)));
  return *this;
}

bool StoreQuery::Write() {
  int result = Step();
  return result == 0 || result == 100 || result == 101;
}

int StoreQuery::Insert() {
  return Write() ? static_cast<int>(db_.LastInsertId()) : 0;
}

Nuvex::CString StoreQuery::ColumnText(int column) {
  const char* text = statement_.ColumnText(column);
  if (!text) return {};
  // By length, not up to the first zero byte: a stored text may hold U+0000.
  return Nuvex::CString::FromUtf8(std::string_view(text, static_cast<std::size_t>(statement_.ColumnBytes(column))));
}

void StoreQuery::Reset() {
  statement_.Reset();
  texts_.clear();
  index_ = 0;
}

}  // namespace Zorvane
