#pragma once

#include <optional>

#include "app/device/sim/SimulatedMouseState.h"
#include "app/device/sim/SimulatorProtocol.h"

namespace Zorvane {

// The mouse's firmware: its settings and how it answers. No transport and
// no threads; the simulated world decides which requests reach it and where
// its replies and events go.
class SimulatedMouse {
 public:
  // How a request reached the mouse; the status reply names it (byte 11).
  enum class Path { Cable, Radio };

  // Carries out one request (64 bytes). The reply, or nothing for commands
  // without one (ResetSettings) and for commands the firmware does not know.
  std::optional<SimulatorProtocol::Frame> Handle(const SimulatorProtocol::Frame& request, Path path);

  // The DPI button: the next stage, wrapping after the last; returns the event.
  SimulatorProtocol::Frame PressDpiButton();
  // A new battery reading (level limited to 0..100); returns the event.
  SimulatorProtocol::Frame SetBattery(int level, bool charging);
  // A button bound to a PC-side function of `type` with the value's low byte.
  static SimulatorProtocol::Frame PcActionEvent(int type, int value);
  // Sent through the dongle when the mouse links; `justPaired` marks the
  // first link after pairing.
  static SimulatorProtocol::Frame LinkEvent(bool justPaired);
  static SimulatorProtocol::Frame WakeEvent();

  void SetPoweredOn(bool on) { state_.poweredOn = on; }
  bool IsPoweredOn() const { return state_.poweredOn; }
  const SimulatedMouseState& State() const { return state_; }

 private:
  SimulatorProtocol::Frame StatusReply(const SimulatorProtocol::Frame& request, Path path) const;
  SimulatorProtocol::Frame VersionReply(const SimulatorProtocol::Frame& request) const;
  void SetParameter(const SimulatorProtocol::Frame& request);
  void SetDpi(const SimulatorProtocol::Frame& request);
  void WriteKeyTable(const SimulatorProtocol::Frame& request);
  void WriteMacroMemory(const SimulatorProtocol::Frame& request);
  void Reset(std::uint8_t selector);

  SimulatedMouseState state_;
};

}  // namespace Zorvane
