#include "app/device/HidapiBackend.h"

#include <hidapi.h>

#include "app/device/HidReportDescriptor.h"
#include "app/device/HidapiHandle.h"
#include "platform/HidrawDescriptor.h"

namespace Zorvane {

HidapiBackend::~HidapiBackend() {
  if (initialised_) hid_exit();
}

bool HidapiBackend::Init() {
  if (initialised_) return true;
  initialised_ = hid_init() == 0;
  return initialised_;
}

std::vector<HidDeviceInfo> HidapiBackend::Enumerate() {
  std::vector<HidDeviceInfo> found;
  if (!Init()) return found;
  hid_device_info* list = hid_enumerate(0, 0);
  for (const hid_device_info* entry = list; entry != nullptr; entry = entry->next) {
    HidDeviceInfo info;
    info.path = entry->path != nullptr ? entry->path : "";
    info.vendorId = entry->vendor_id;
    info.productId = entry->product_id;
    info.releaseNumber = entry->release_number;
    info.usagePage = entry->usage_page;
    info.usage = entry->usage;
    info.interfaceNumber = entry->interface_number;
    found.push_back(std::move(info));
  }
  hid_free_enumeration(list);
  return found;
}

std::unique_ptr<HidHandle> HidapiBackend::Open(const std::string& path) {
  if (!Init()) return nullptr;
  const HidVendorReports reports = VendorReportsOf(path);
  if (!reports.Usable()) return nullptr;
  hid_device* device = hid_open_path(path.c_str());
  if (device == nullptr) return nullptr;
  return std::make_unique<HidapiHandle>(device, reports);
}

bool HidapiBackend::IsVendorInterface(const std::string& path) {
  return VendorReportsOf(path).Usable();
}

HidVendorReports HidapiBackend::VendorReportsOf(const std::string& path) {
  std::vector<std::uint8_t> bytes;
  if (!Platform::ReadHidrawDescriptor(path, bytes)) return HidVendorReports();
  return HidVendorReports(HidReportDescriptor(bytes));
}

}  // namespace Zorvane
