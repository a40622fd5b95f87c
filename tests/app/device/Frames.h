#pragma once

#include <initializer_list>

#include "app/device/DeviceManager.h"

namespace TestSupport {

// A 64-byte report that starts with `head`, zeros after it.
inline Zorvane::Report Frame(std::initializer_list<std::uint8_t> head) {
  Zorvane::Report report{};
  std::size_t i = 0;
  for (std::uint8_t byte : head) report[i++] = byte;
  return report;
}

}  // namespace TestSupport
