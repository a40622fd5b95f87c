#pragma once

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "app/device/DeviceNotice.h"
#include "app/device/HidBackend.h"
#include "app/device/sim/SimulatedDongle.h"
#include "app/device/sim/SimulatedMouse.h"
#include "app/device/sim/SimulatorSetup.h"
#include "app/device/sim/SimulatorSnapshot.h"

namespace Zorvane {

// The simulated computer's HID side: which devices are plugged in, their
// interfaces as hidraw presents them, the open handles with their read
// queues, and the mouse and dongle behind them.
//
// Interfaces: the cable and the dongle each bring interface 0 (the mouse
// collection) and interface 1 (keyboard, consumer control and the vendor
// collection). As on hidraw, every top-level collection is listed, all
// collections of one interface share its path, and each interface has a node
// of its own ("/sim/hidrawN", lowest free number).
//
// Reports: an input report goes to every handle open on its interface at
// that moment, in order; a handle opened later never sees it. Handles deliver
// only the vendor collection's reports. A handle belongs to one plugging of
// its interface: after an unplug it fails for good, even when the same node
// comes back.
//
// Threads: one mutex guards everything. A read that has to wait does so on a
// condition variable, which releases the mutex meanwhile.
class SimulatorWorld {
 public:
  explicit SimulatorWorld(const SimulatorModel& model);

  std::vector<HidDeviceInfo> Enumerate() const;
  bool IsVendorInterface(const std::string& path) const;
  struct Opened {
    int handle = 0;
    bool vendor = false;  // the interface carries the vendor collection
  };
  std::optional<Opened> Open(const std::string& path);
  void Close(int handle);
  // As HidHandle: bytes written or -1; bytes read, 0 on time-out, -1 once
  // the device is gone. A negative time-out waits without limit.
  int Write(int handle, const std::uint8_t* data, std::size_t length);
  int Read(int handle, std::uint8_t* data, std::size_t length, int milliseconds);

  // The notices hot-plug would raise, one per interface; none when the port
  // was already in that state.
  std::vector<DeviceNotice> Plug(SimulatedPort port);
  std::vector<DeviceNotice> Unplug(SimulatedPort port);

  void SetMousePower(bool on);
  void SetMouseInRange(bool inRange);
  // Mouse events. False when the event reached no interface (the mouse is
  // switched off without a cable, or neither cabled nor linked).
  bool PressDpiButton();
  bool SetBattery(int level, bool charging);
  bool PressPcActionButton(int type, int value);
  bool WakeMouse();

  void SetResponseMode(ResponseMode mode, std::chrono::milliseconds slowDelay);
  SimulatorSnapshot Snapshot() const;

 private:
  using Clock = std::chrono::steady_clock;
  using Frame = SimulatorProtocol::Frame;

  struct Interface {
    SimulatedPort port = SimulatedPort::Wired;
    int serial = 0;  // this plugging of it
    int node = 0;
    int number = 0;
    std::uint16_t productId = 0;
    std::uint16_t release = 0;
    std::vector<std::array<std::uint16_t, 2>> collections;  // usage page, usage
    std::string path;
    bool vendor = false;
  };
  struct Pending {
    Frame frame;
    Clock::time_point due;
  };
  struct Handle {
    int serial = 0;
    bool vendor = false;
    std::deque<Pending> queue;
  };

  static std::size_t Index(SimulatedPort port) { return static_cast<std::size_t>(port); }
  const Interface* FindPath(const std::string& path) const;
  const Interface* FindSerial(int serial) const;
  const Interface* VendorInterface(SimulatedPort port) const;
  int FreeNode() const;
  void AddInterface(SimulatedPort port, int number, std::uint16_t productId, std::uint16_t release,
                    std::vector<std::array<std::uint16_t, 2>> collections, std::vector<DeviceNotice>& notices);
  DeviceNotice Notice(DeviceNotice::Kind kind, const Interface& interface) const;

  bool MouseReachable() const { return mouse_.IsPoweredOn() && inRange_; }
  bool MouseAwake() const { return plugged_[Index(SimulatedPort::Wired)] || mouse_.IsPoweredOn(); }
  std::optional<SimulatedPort> MouseRoute() const;
  void UpdateLink();
  bool SendFromMouse(const Frame& event);
  // Queues `frame` on every handle of the port's vendor interface, no
  // earlier than `due` and never ahead of what is queued already.
  void Deliver(SimulatedPort port, const Frame& frame, Clock::time_point due);
  void DeliverReply(SimulatedPort port, const Frame& reply);
  Frame Junk(std::uint8_t command);

  mutable std::mutex mutex_;
  std::condition_variable arrived_;  // a report was queued or a device went

  const SimulatorModel model_;
  SimulatedMouse mouse_;
  SimulatedDongle dongle_;
  std::array<bool, 3> plugged_{};
  bool inRange_ = true;
  std::vector<Interface> interfaces_;
  std::map<int, Handle> handles_;
  int nextHandle_ = 1;
  int nextSerial_ = 1;

  ResponseMode mode_ = ResponseMode::Normal;
  std::chrono::milliseconds slowDelay_{300};
  std::mt19937 random_{20260101};  // fixed seed: junk runs are repeatable
  unsigned junkKind_ = 0;
};

}  // namespace Zorvane
