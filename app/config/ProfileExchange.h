#pragma once

#include <functional>
#include <string>

#include "toolkit/core/CString.h"

namespace Zorvane {

class ConfigStore;

// Profile files: a profile's button assignments, lighting modes (models with
// lighting), DPI stages 0 to 4 with the DPI selection keys, and seven
// performance keys, as XML.
class ProfileExchange {
 public:
  // `hasLighting`: the selected model has lighting, so its rows are carried.
  ProfileExchange(ConfigStore& store, bool hasLighting) : store_(store), hasLighting_(hasLighting) {}

  // Writes `profile` to `path` (every section from that profile, named with
  // its display name). False when the file could not be written.
  bool ExportProfile(int profile, const std::string& path);

  // Applies the file at `path` to `currentProfile` as one transaction: a file
  // that cannot be read changes nothing, and a write that fails half-way
  // undoes the whole import. Button assignments are replaced only when the
  // file has a button section. DPI and report-rate values the program could
  // not have written itself keep the stored value. On success queues the
  // task that writes the profile to the mouse (none is needed for device
  // types above 200). Returns whether the profile was changed.
  bool ImportProfile(int currentProfile, int deviceType, const std::string& path,
                     const std::function<void(int taskCode)>& queueTask);

  // Whether `text` is exactly how the program writes a number from `min` to
  // `max` ("%d", no blanks, no leading zeros).
  static bool IsCanonicalNumber(const Nuvex::CString& text, int min, int max);

 private:
  ConfigStore& store_;
  bool hasLighting_;
};

}  // namespace Zorvane
