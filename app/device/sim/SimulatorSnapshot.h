#pragma once

#include <cstdint>

#include "app/device/sim/SimulatedMouseState.h"
#include "app/device/sim/SimulatorSetup.h"

namespace Zorvane {

// A copy of the whole simulated world at one moment, for tests and for the
// command channel's "show".
struct SimulatorSnapshot {
  SimulatedMouseState mouse;
  bool wiredPlugged = false;
  bool donglePlugged = false;
  bool otherPlugged = false;
  bool mouseInRange = true;  // within radio range of the dongle
  bool linked = false;       // the dongle's radio link to the mouse
  bool paired = false;       // the dongle knows the mouse
  bool pairing = false;      // the dongle waits for a mouse to pair
  std::uint8_t dongleFirmwareMajorMinor = 0;
  std::uint8_t dongleFirmwareBuild = 0;
  ResponseMode responseMode = ResponseMode::Normal;
  int openHandles = 0;
};

}  // namespace Zorvane
