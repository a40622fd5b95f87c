#pragma once

#include <optional>
#include <vector>

#include "app/config/StoreRecords.h"
#include "app/features/FunctionType.h"

namespace Zorvane {

// What a key assignment means to the device, and back.
class KeyModel {
 public:
  KeyModel() = delete;

  // The four bytes of the button's key table slot, or none when the slot
  // keeps its factory code (type 0, unused types, a macro that is not on the
  // device). `macrosOnDevice` are the macros of the uploaded macro image in
  // its pointer order (MacroImage::Macros()): a type 5 code carries the
  // macro's position there, so a deleted macro and one left out of the
  // image both give none.
  static std::optional<KeySlotCode> DeviceCode(const KeyAssignment& key,
                                               const std::vector<MacroRecord>& macrosOnDevice);

  // The assignment a PC-side button press (event 0x50) is for. The device
  // carries only the low byte of macro_value, so ids above 255 can share a
  // byte: the press is resolved through the current profile's assignments
  // that are on the device (key codes 0..8) and acted on only when every
  // match names the same row. None for other types, no match or an
  // ambiguous one.
  static std::optional<KeyAssignment> HostActionTarget(const std::vector<KeyAssignment>& profileKeys, int type,
                                                       int lowByte);

  // The usage a keyboard assignment of the capture category is applied
  // with: the usage shown from the stored record unless a new key was
  // captured since. Sending a stored usage through both conversion tables
  // would change it (right Ctrl becomes the Application key, left Ctrl 0).
  static int CaptureBoxUsage(int shownUsage, std::optional<int> capturedVirtualKey);
};

}  // namespace Zorvane
