#include "app/device/DeviceConnection.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "app/config/Catalogue.h"
#include "app/config/Language.h"
#include "app/config/RegistrySettings.h"
#include "app/device/DeviceManager.h"
#include "app/device/DeviceStateHost.h"
#include "app/device/DeviceWorker.h"
#include "app/device/TaskCode.h"

namespace Zorvane {
namespace {

constexpr int kNotConnectedText = 50;
constexpr int kWiredText = 51;
constexpr int kDongleText = 52;

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
  return text;
}

}  // namespace

DeviceConnection::DeviceConnection(DeviceManager& manager, DeviceWorker& worker, const Catalogue& catalogue,
                                   DeviceStateHost& host)
    : manager_(manager), worker_(worker), catalogue_(catalogue), host_(host) {}

void DeviceConnection::SetDeviceState() {
  Refresh(true);
}

void DeviceConnection::SetDeviceStateForEvent() {
  Refresh(false);
}

void DeviceConnection::Refresh(bool closePopups) {
  int remembered = RegistrySettings::ReadDeviceType();
  manager_.Reenumerate();
  manager_.SetCurrentType(0);
  std::vector<DeviceRecord> records;
  manager_.GetDevices(records);
  manager_.SetCurrentType(remembered);

  host_.SetAllDeviceState(0);
  for (const DeviceRecord& record : records) {
    host_.SetDeviceState(record.devType, record.devMode, record.linkState);
    host_.SetDeviceVersion(record.devType, record.releaseNumber);
    host_.SetDeviceBattery(record.devType, record.charging, record.batteryLevel);
  }
  host_.SetSelectDevice(remembered);
  int selected = host_.GetSelectDevice();
  curDeviceType_.store(selected);
  manager_.SetCurrentType(selected);
  manager_.ClearActiveHandle();

  int mode = records.empty() ? -1 : manager_.GetCurrentDevMode();
  worker_.SetDevicePresent(!records.empty());
  if (mode < 0) {
    mouseOnline_.store(false);
    host_.SetStatusText(Language::GetText(kNotConnectedText));
    host_.ShowNoDeviceLook();
  } else {
    host_.SetStatusText(Language::GetText(mode == 0 ? kWiredText : kDongleText));
    mouseOnline_.store(true);
    host_.ShowDeviceListLook();
  }
  // Popups stay when devices are there but the model's mouse does not answer.
  if (closePopups && (mode >= 0 || records.empty())) host_.ClosePopups();
}

void DeviceConnection::UpdateUSBDevice(const DeviceNotice& notice) {
  std::vector<CatalogueEntry> modes = catalogue_.Modes();
  if (notice.kind == DeviceNotice::Kind::Arrival) {
    if (modes.empty() || !manager_.IsVendorInterface(notice.openPath)) return;
    for (const CatalogueEntry& entry : modes) {
      if (manager_.FindDevice(entry.vendorId, entry.productId, entry.modeValue) == -1) {
        worker_.Queue(kDeviceArrived);
        host_.ClosePopups();
        return;
      }
    }
    return;
  }
  if (!worker_.IsDevicePresent()) return;
  std::string path = Upper(notice.interfacePath);
  for (const CatalogueEntry& entry : modes) {
    std::string text = Upper(entry.hidInterface.ToUtf8());
    if (text.empty() || path.find(text) == std::string::npos) continue;
    if (manager_.FindDevice(entry.vendorId, entry.productId, entry.modeValue) >= 0) {
      worker_.Queue(kDeviceRemoved);
      host_.ClosePopups();
      return;
    }
  }
}

}  // namespace Zorvane
