#pragma once

#include <cstdint>
#include <optional>

#include "app/device/sim/SimulatedMouse.h"
#include "app/device/sim/SimulatorProtocol.h"

namespace Zorvane {

// The 2.4 GHz dongle's firmware: it answers its own queries (its version,
// pairing) and relays everything else over the air to the mouse it is linked
// with. Without a linked mouse it can only say so: a status query gets the
// dongle's own reply with no mouse firmware version and the online byte 0,
// and other requests go nowhere.
//
// Pairing: SetParameter 0x09 forgets the mouse it knew, drops the link and
// waits for a mouse; the next mouse that comes within reach (switched on,
// back in range) pairs and links. Pairing mode lasts until then or until the
// dongle loses power.
class SimulatedDongle {
 public:
  enum class LinkChange { None, Linked, Paired, Lost };

  struct Outcome {
    std::optional<SimulatorProtocol::Frame> reply;
    bool linkDropped = false;  // pairing began while a mouse was linked
  };

  // Carries out one request (64 bytes) from the host.
  Outcome Handle(const SimulatorProtocol::Frame& request, SimulatedMouse& mouse);

  // Plugged in: links at once with a paired mouse within reach.
  void PowerUp(bool mouseReachable);
  void PowerDown();
  // The mouse came within reach or left it.
  LinkChange SetMouseReachable(bool reachable);

  bool IsLinked() const { return linked_; }
  bool IsPaired() const { return paired_; }
  bool IsPairing() const { return pairing_; }
  std::uint8_t FirmwareMajorMinor() const { return firmwareMajorMinor_; }
  std::uint8_t FirmwareBuild() const { return firmwareBuild_; }

 private:
  SimulatorProtocol::Frame OfflineStatus(const SimulatorProtocol::Frame& request) const;
  SimulatorProtocol::Frame VersionReply(const SimulatorProtocol::Frame& request) const;

  bool paired_ = true;  // shipped paired with its mouse
  bool pairing_ = false;
  bool linked_ = false;
  std::uint8_t firmwareMajorMinor_ = 0x11;  // "1.1.3"
  std::uint8_t firmwareBuild_ = 3;
};

}  // namespace Zorvane
