#pragma once

#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/device/DeviceNotice.h"
#include "app/device/HidBackend.h"
#include "app/device/sim/SimulatorCommandChannel.h"
#include "app/device/sim/SimulatorSetup.h"
#include "app/device/sim/SimulatorSnapshot.h"
#include "app/device/sim/SimulatorWorld.h"

namespace Zorvane {

// HID devices from the simulated mouse and dongle instead of the system's
// (`--simulate`). The program talks to it through HidBackend like to real
// hardware; a person or a test drives the world through the methods below
// (any thread), or through the command channel.
class SimulatorBackend : public HidBackend {
 public:
  static constexpr std::chrono::milliseconds kSlowDelay{300};

  explicit SimulatorBackend(const SimulatorModel& model = {});
  ~SimulatorBackend() override;
  SimulatorBackend(const SimulatorBackend&) = delete;
  SimulatorBackend& operator=(const SimulatorBackend&) = delete;

  bool Init() override { return true; }
  std::vector<HidDeviceInfo> Enumerate() override { return world_->Enumerate(); }
  std::unique_ptr<HidHandle> Open(const std::string& path) override;
  bool IsVendorInterface(const std::string& path) override { return world_->IsVendorInterface(path); }

  // Plugging raises one notice per interface, as hot-plug does, on the
  // thread that plugs. The sink must not plug or unplug itself.
  void SetNoticeSink(DeviceNoticeSink sink);

  // False when the port already was in that state (no notices then).
  bool Plug(SimulatedPort port);
  bool Unplug(SimulatedPort port);
  // The setup `--simulate` starts with: cable and dongle plugged, the mouse
  // switched on and linked.
  void PlugDefaultSetup();

  // The mouse's power switch. Through the dongle an off mouse is unreachable;
  // with a cable it still answers (USB powers it).
  void SwitchMouse(bool on) { world_->SetMousePower(on); }
  // Radio range: out of range the dongle loses its mouse as if it were off.
  void SetMouseInRange(bool inRange) { world_->SetMouseInRange(inRange); }

  // Mouse events; false when the event reached no interface.
  bool PressDpiButton() { return world_->PressDpiButton(); }
  bool SetBattery(int level, bool charging) { return world_->SetBattery(level, charging); }
  bool PressPcActionButton(int type, int value) { return world_->PressPcActionButton(type, value); }
  bool WakeMouse() { return world_->WakeMouse(); }

  void SetResponseMode(ResponseMode mode, std::chrono::milliseconds slowDelay = kSlowDelay) {
    world_->SetResponseMode(mode, slowDelay);
  }
  SimulatorSnapshot Snapshot() const { return world_->Snapshot(); }

  // Reads commands (SimulatorCommands) from the FIFO at `path`, creating it
  // when missing, until the backend goes. False when the FIFO cannot be used.
  bool OpenCommandChannel(const std::string& path, SimulatorCommandChannel::Log log = nullptr);

 private:
  void Raise(const std::vector<DeviceNotice>& notices);

  const std::shared_ptr<SimulatorWorld> world_;
  std::mutex noticeMutex_;  // one plug at a time, so notices keep their order
  DeviceNoticeSink sink_;
  std::unique_ptr<SimulatorCommandChannel> channel_;  // last: stops first
};

// The simulator for `model`, with nothing plugged in.
std::unique_ptr<SimulatorBackend> MakeSimulatorBackend(const SimulatorModel& model = {});

// What `--simulate` runs: model 101 with cable and dongle plugged, the mouse
// on, and the command channel at SimulatorCommandChannel::DefaultPath() (the
// simulator still works when the channel cannot be opened; a message says so).
std::unique_ptr<SimulatorBackend> MakeDefaultSimulator();

}  // namespace Zorvane
