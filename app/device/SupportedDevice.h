#pragma once

namespace Zorvane {

// A USB identity the program looks for: one connection mode of one model of
// the catalogue.
struct SupportedDevice {
  int vendorId = 0;
  int productId = 0;
  int deviceType = 0;  // the model's device type
  int mode = 0;        // 0: by cable, 1: through the dongle

  friend bool operator==(const SupportedDevice&, const SupportedDevice&) = default;
};

}  // namespace Zorvane
