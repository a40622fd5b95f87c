#pragma once

#include <atomic>

#include "app/device/DeviceNotice.h"

namespace Zorvane {

class Catalogue;
class DeviceManager;
class DeviceStateHost;
class DeviceWorker;

// The main window's view of what is connected: re-enumerates and brings the
// window in line (SetDeviceState), and turns device notifications into
// worker tasks (UpdateUSBDevice).
class DeviceConnection {
 public:
  DeviceConnection(DeviceManager& manager, DeviceWorker& worker, const Catalogue& catalogue, DeviceStateHost& host);

  // Re-enumerates and shows the result. Runs on the UI thread at start-up and
  // on the worker for device changes; the event twin is the same without
  // closing popups.
  void SetDeviceState();
  void SetDeviceStateForEvent();

  // UI thread. An arriving vendor interface queues a re-enumeration when some
  // catalogue mode is not open yet; a removal of an open catalogue interface
  // (recognised by its interface text) queues one while a device is present.
  void UpdateUSBDevice(const DeviceNotice& notice);

  bool IsMouseOnline() const { return mouseOnline_.load(); }
  void SetMouseOnline(bool online) { mouseOnline_.store(online); }
  int CurDeviceType() const { return curDeviceType_.load(); }

 private:
  void Refresh(bool closePopups);

  DeviceManager& manager_;
  DeviceWorker& worker_;
  const Catalogue& catalogue_;
  DeviceStateHost& host_;
  std::atomic<bool> mouseOnline_{false};
  std::atomic<int> curDeviceType_{0};
};

}  // namespace Zorvane
