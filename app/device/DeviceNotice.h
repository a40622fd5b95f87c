#pragma once

#include <functional>
#include <string>

namespace Zorvane {

// A HID interface that arrived or was removed, as the device notifications
// deliver it to the main window.
struct DeviceNotice {
  enum class Kind { Arrival, Removal };
  Kind kind = Kind::Arrival;
  // "HID#VID_1209&PID_0001&MI_01#hidraw3": the classic device-interface form,
  // upper case, so catalogue interface texts such as "MI_01" match.
  std::string interfacePath;
  // What the HID backend opens for the arrival test ("/dev/hidraw3").
  std::string openPath;
};

using DeviceNoticeSink = std::function<void(const DeviceNotice&)>;

}  // namespace Zorvane
