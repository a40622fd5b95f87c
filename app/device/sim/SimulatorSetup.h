#pragma once

#include <cstdint>

namespace Zorvane {

// The USB identities the simulator presents: one catalogue model's cable
// and dongle. The default is model 101 of the shipped catalogue.
struct SimulatorModel {
  std::uint16_t vendorId = 0x1209;
  std::uint16_t wiredProductId = 0x0001;
  std::uint16_t dongleProductId = 0x0002;
};

// What can be plugged into the simulated computer: the mouse's cable, its
// dongle, and an unrelated keyboard without a vendor interface.
enum class SimulatedPort { Wired, Dongle, Other };

// How the devices answer requests. The requests are carried out in every
// mode; only what comes back differs.
enum class ResponseMode {
  Normal,
  Slow,    // each reply arrives after a delay (300 ms unless told otherwise)
  Silent,  // no replies at all
  Junk,    // replies replaced by garbage: wrong report ids, short reports,
           // reports that answer another command
};

}  // namespace Zorvane
