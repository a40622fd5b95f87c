#include "app/features/KeyAssignmentStore.h"

namespace Zorvane {

std::optional<KeyAssignment> KeyAssignmentStore::LoadAssignment(ConfigStore& store, int profile, int keyCode) {
  KeyAssignment key;
  if (!store.GetKeyAssignment(profile, keyCode, key)) return std::nullopt;
  return key;
}

int KeyAssignmentStore::SaveAssignment(ConfigStore& store, const KeyAssignment& key) {
  KeyAssignment row = key;
  row.fn_layer = 0;
  return store.SaveKeyAssignment(row) > 0 ? 1 : 0;
}

std::vector<KeyAssignment> KeyAssignmentStore::LoadAssignments(ConfigStore& store, int profile) {
  std::vector<KeyAssignment> keys;
  store.ListKeyAssignments(profile, keys);
  return keys;
}

int KeyAssignmentStore::AddOtherData(ConfigStore& store, const Nuvex::CString& desc, const Nuvex::CString& param,
                                     int type) {
  int id = 0;
  // Look-up and insert under one lock, so two threads cannot both insert.
  bool done = store.Atomically([&] {
    id = store.FindKeyOther(desc, param, type);
    if (id == 0) id = store.AddKeyOther(desc, param, type);
    return id > 0;
  });
  return done ? id : 0;
}

}  // namespace Zorvane
