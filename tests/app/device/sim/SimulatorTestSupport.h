#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <vector>

#include "app/device/HidBackend.h"
#include "app/device/sim/SimulatorBackend.h"

namespace SimTest {

using Frame = std::vector<std::uint8_t>;

// A request: the given leading bytes, zero-filled to 64.
inline Frame Request(std::initializer_list<std::uint8_t> bytes) {
  Frame frame(bytes);
  frame.resize(64, 0);
  return frame;
}

inline std::uint16_t ProductId(Zorvane::SimulatedPort port) {
  return port == Zorvane::SimulatedPort::Wired ? 0x0001 : 0x0002;
}

// The vendor interface of the port's device, found as the host finds it:
// the enumeration entry with usage page 0xFFB2, usage 1.
inline std::unique_ptr<Zorvane::HidHandle> OpenVendor(Zorvane::SimulatorBackend& simulator,
                                                      Zorvane::SimulatedPort port) {
  for (const Zorvane::HidDeviceInfo& info : simulator.Enumerate())
    if (info.productId == ProductId(port) && info.usagePage == 0xFFB2 && info.usage == 1)
      return simulator.Open(info.path);
  return nullptr;
}

// One report, or an empty frame when none came within `ms`.
inline Frame Read(Zorvane::HidHandle& handle, int ms = 0) {
  Frame frame(64, 0);
  int got = handle.ReadTimeout(frame.data(), frame.size(), ms);
  frame.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  return frame;
}

// Writes `request` and returns the reply (empty when none came).
inline Frame Exchange(Zorvane::HidHandle& handle, const Frame& request) {
  if (handle.Write(request.data(), request.size()) != static_cast<int>(request.size())) return {};
  return Read(handle, 100);
}

}  // namespace SimTest
