#pragma once

#include <optional>
#include <vector>

#include "app/config/ConfigStore.h"
#include "app/config/StoreRecords.h"
#include "toolkit/core/CString.h"

namespace Zorvane {

// The key assignments of a profile in the store. Every read and write uses
// layer 0; a button has at most one row per profile.
class KeyAssignmentStore {
 public:
  KeyAssignmentStore() = delete;

  // None when the button has no row (it then does its default).
  static std::optional<KeyAssignment> LoadAssignment(ConfigStore& store, int profile, int keyCode);
  // Replaces the button's row (delete, then insert, as one transaction).
  // Returns the number of rows inserted: 1, or 0 when the insert failed or
  // when macro_value and macro_value2 are both 0, which only removes the row.
  static int SaveAssignment(ConfigStore& store, const KeyAssignment& key);
  // In store order.
  static std::vector<KeyAssignment> LoadAssignments(ConfigStore& store, int profile);

  // The t_key_otherdata row of a run-program (type 9) or open-address (type
  // 10) assignment. Applying the same program or address again reuses its
  // row instead of adding one each time, which keeps the ids - of which the
  // device carries only the low byte - small and unique. The id, or 0 on
  // failure.
  static int AddOtherData(ConfigStore& store, const Nuvex::CString& desc, const Nuvex::CString& param, int type);
};

}  // namespace Zorvane
