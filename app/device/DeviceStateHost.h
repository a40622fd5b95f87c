#pragma once

#include "toolkit/core/CString.h"

namespace Zorvane {

// What the connection state asks of the main window: the device list, the
// status text, the two looks, and closing what a device change leaves stale.
// The main window implements it; calls come from the UI thread at start-up
// and from the device worker afterwards, so the window posts them to itself.
class DeviceStateHost {
 public:
  virtual ~DeviceStateHost() = default;

  // The device list: every entry's state, then per open interface.
  virtual void SetAllDeviceState(int state) = 0;
  virtual void SetDeviceState(int devType, int devMode, int linkState) = 0;
  virtual void SetDeviceVersion(int devType, int releaseNumber) = 0;
  virtual void SetDeviceBattery(int devType, int charging, int batteryLevel) = 0;
  virtual void SetSelectDevice(int devType) = 0;
  // The device type the list has selected.
  virtual int GetSelectDevice() = 0;

  virtual void SetStatusText(const Nuvex::CString& text) = 0;
  // No device of the current model answers: the device page with its
  // no-device picture and hint, tab bar hidden, status "not connected".
  virtual void ShowNoDeviceLook() = 0;
  // The device page with the device list, from which a model is entered.
  virtual void ShowDeviceListLook() = 0;
  // Closes the transient windows a device change would leave stale.
  virtual void ClosePopups() = 0;
};

}  // namespace Zorvane
