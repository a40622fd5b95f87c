#pragma once

#include <span>

namespace Zorvane {

// One configuration key of a profile with the value a new profile receives
// and the value a reset writes. Values are decimal text; colours are
// 0x00BBGGRR numbers.
struct ConfigKeyDefault {
  const char* key;
  const char* newValue;
  const char* resetValue;  // null: not reset
};

// The keys every profile carries, in the order their rows are written.
class ConfigKeys {
 public:
  ConfigKeys() = delete;
  static std::span<const ConfigKeyDefault> Defaults();
};

}  // namespace Zorvane
