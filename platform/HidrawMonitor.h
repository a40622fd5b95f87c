#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <thread>

struct udev;
struct udev_device;
struct udev_monitor;

namespace Platform {

// A hidraw node that came or went.
struct HidrawEvent {
  enum class Action { Add, Remove };
  Action action = Action::Add;
  std::string sysname;  // "hidraw3"
  std::string devnode;  // "/dev/hidraw3"
  // The device's identity; 0 when it could not be found out (for a removal
  // of a node that arrived before the monitor started and whose device path
  // names no HID device).
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
  int interfaceNumber = -1;  // USB interface; -1 when not a USB device or unknown
};

// Watches the system's hidraw nodes coming and going, after udev has set
// them up (so their permissions are final), on a thread of its own.
//
// A removed node's parents are gone from sysfs by the time the event comes,
// so identities are remembered by sysname from the arrivals and from the
// nodes present at Start; a node not seen before is identified from its
// device path.
class HidrawMonitor {
 public:
  // Called on the monitor thread, one event at a time. It must not stop or
  // destroy the monitor.
  using Callback = std::function<void(const HidrawEvent&)>;

  explicit HidrawMonitor(Callback callback);
  // Stops the thread.
  ~HidrawMonitor();
  HidrawMonitor(const HidrawMonitor&) = delete;
  HidrawMonitor& operator=(const HidrawMonitor&) = delete;

  // Starts watching; true when the monitor runs afterwards (also when it
  // already ran). False when udev's monitor cannot be had here (no netlink,
  // a container without udev): the program then runs without hot-plug.
  bool Start();
  // Wakes the thread and joins it; returns promptly. Harmless when stopped.
  void Stop();
  bool Running() const { return thread_.joinable(); }

  // "0003:00001209:00000001" (bus, vendor, product), the HID_ID of a HID
  // device. False unless it has that form.
  static bool ParseHidId(std::string_view text, std::uint16_t& vendorId, std::uint16_t& productId);
  // The identity in a hidraw node's sysfs path:
  // ".../1-2/1-2:1.1/0003:1209:0001.0005/hidraw/hidraw3" gives vendor 0x1209,
  // product 1 and, for a USB device (bus 0003), interface 1 from the
  // interface's name "<port>:<configuration>.<interface>". False when no
  // HID device is named.
  static bool ParseDevpath(std::string_view devpath, HidrawEvent& event);

 private:
  struct Identity {
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    int interfaceNumber = -1;
  };

  void Run();
  void Remember(udev_device* device);
  static Identity IdentityOf(udev_device* device);
  void Release();

  Callback callback_;
  udev* udev_ = nullptr;
  udev_monitor* monitor_ = nullptr;
  int stopFd_ = -1;
  std::thread thread_;
  std::map<std::string, Identity> known_;  // by sysname; monitor thread only
};

}  // namespace Platform
