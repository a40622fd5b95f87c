#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "app/device/HidBackend.h"
#include "app/device/HidVendorReports.h"

namespace Zorvane {

// The system's HID devices through hidapi on hidraw.
//
// A hidraw node is a whole USB interface with all its collections, so Open
// and IsVendorInterface read the node's report descriptor: only an interface
// with a usable vendor collection opens (reports up to kReportLength bytes),
// and its handle reads only that collection's input reports.
// IsVendorInterface uses no hidapi state and may run beside the other calls.
class HidapiBackend final : public HidBackend {
 public:
  HidapiBackend() = default;
  ~HidapiBackend() override;
  HidapiBackend(const HidapiBackend&) = delete;
  HidapiBackend& operator=(const HidapiBackend&) = delete;

  bool Init() override;
  // Empty while hidapi cannot be initialised (each call tries again).
  std::vector<HidDeviceInfo> Enumerate() override;
  // Null when the node cannot be opened, has no vendor collection, or its
  // vendor reports are longer than kReportLength.
  std::unique_ptr<HidHandle> Open(const std::string& path) override;
  // True only for an interface Open would accept.
  bool IsVendorInterface(const std::string& path) override;

  // What the descriptor of the node at `path` offers.
  static HidVendorReports VendorReportsOf(const std::string& path);

 private:
  std::atomic<bool> initialised_ = false;
};

}  // namespace Zorvane
