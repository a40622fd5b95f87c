#pragma once

#include "app/device/SupportedDevice.h"
#include "toolkit/core/CPoint.h"
#include "toolkit/core/CString.h"

namespace Zorvane {

// What the catalogue loader asks of the main window and the device layer.
// The main window implements it; every call comes from the UI thread.
class CatalogueHost {
 public:
  virtual ~CatalogueHost() = default;

  // The device list of the home page.
  virtual void ClearDeviceList() = 0;
  virtual void AddDeviceToList(const Nuvex::CString& name, int deviceType, const Nuvex::CString& imagePath) = 0;
  // The program version shown at the bottom of the window.
  virtual void SetVersionLabel(const Nuvex::CString& text) = 0;
  // Typing in the main window goes to the controls, never to an input method.
  virtual void DisableInputMethod() = 0;

  // The mouse picture ("device\<file>" in the skin folder, one frame); the
  // window lays itself out again around it.
  virtual void ShowMousePicture(const Nuvex::CString& imageName) = 0;
  virtual void ShowLightingTab(bool show) = 0;
  // The button labels on the mouse picture.
  virtual void ClearButtonLabels() = 0;
  virtual void AddButtonLabel(const Nuvex::CString& label, int keyValue, int direction, Nuvex::CPoint a,
                              Nuvex::CPoint b) = 0;
  virtual void SelectFirstButtonLabel() = 0;

  // The device layer: forget the known identities, learn one, then watch for
  // arrivals and removals and show the connection state.
  virtual void ClearSupportedDevices() = 0;
  virtual void RegisterSupported(const SupportedDevice& device) = 0;
  virtual void RegisterDeviceNotifications() = 0;
  virtual void UpdateConnectionState() = 0;
};

}  // namespace Zorvane
