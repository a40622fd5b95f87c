#pragma once

#include <cstdint>
#include <string>

namespace Zorvane {

// What the device layer knows of one open vendor interface. The device
// manager owns the open handle; this is the part callers may copy.
struct DeviceRecord {
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
  std::string path;
  std::uint16_t releaseNumber = 0;
  int devType = 0;    // the model's device type; 0 when the mouse did not answer
  int devMode = 0;    // 0 by cable, 1 through the dongle
  int linkState = 0;  // 0 not answering, 1 answering, 2 the dongle reports its mouse gone
  int charging = 0;
  int batteryLevel = 0;
};

}  // namespace Zorvane
