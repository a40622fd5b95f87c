#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "app/device/DeviceNotice.h"
#include "platform/HidrawMonitor.h"

namespace Zorvane {

// Device notifications from the system: every hidraw node that comes or goes
// becomes a DeviceNotice for the sink, delivered on the monitor's thread (the
// main window posts it to its own loop).
class HidrawNotifier {
 public:
  explicit HidrawNotifier(DeviceNoticeSink sink);
  // Stops the monitor; no notice is delivered afterwards.
  ~HidrawNotifier();
  HidrawNotifier(const HidrawNotifier&) = delete;
  HidrawNotifier& operator=(const HidrawNotifier&) = delete;

  // False when the system's device events cannot be watched; the program
  // then notices devices only when it enumerates.
  bool Start();
  void Stop();

  // "HID#VID_1209&PID_0001&MI_01#hidraw3": identity in upper-case hex, the
  // sysname as it is. Without a USB interface number the "&MI_xx" part is
  // left out, as on a system that names no interfaces, so no catalogue
  // interface text matches it.
  static std::string InterfacePath(std::uint16_t vendorId, std::uint16_t productId, int interfaceNumber,
                                   std::string_view sysname);
  static DeviceNotice ToNotice(const Platform::HidrawEvent& event);

 private:
  DeviceNoticeSink sink_;
  Platform::HidrawMonitor monitor_;
};

}  // namespace Zorvane
