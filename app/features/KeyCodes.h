#pragma once

#include "toolkit/core/CString.h"

namespace Zorvane {

// The key-code vocabulary. Keyboard assignments store HID keyboard usages
// (Keyboard/Keypad page); macro events and key capture store Windows
// virtual-key codes. The two conversion tables are not inverses of each
// other (see the tables in KeyCodes.cpp): a usage sent through both can come
// back as another key or as 0, so a shown assignment must keep its stored
// usage (KeyModel::CaptureBoxUsage).
class KeyCodes {
 public:
  KeyCodes() = delete;

  // 0 for codes the table does not list.
  static int VirtualKeyToUsage(int virtualKey);
  static int UsageToVirtualKey(int usage);
  // The key's name as the capture box shows it; "" when not listed.
  static Nuvex::CString UsageName(int usage);

  // Usages 224..231 (left Ctrl, Shift, Alt, Win, right Ctrl, Shift, Alt,
  // Win) to their modifier bits 0x01..0x80; every other value unchanged.
  static int ModifierBit(int usage);
  // The same bits for the virtual-key codes of the eight modifier keys (162,
  // 160, 164, 91, 163, 161, 165, 92); every other value unchanged. Kept apart
  // from ModifierBit: usages 91 and 92 are keypad 3 and 4, not Windows keys.
  static int VirtualKeyModifierBit(int virtualKey);
  // Left and right Shift, Ctrl, Alt (0xA0..0xA5) and the Windows keys (0x5B,
  // 0x5C): the keys a macro sends as modifiers.
  static bool IsModifierVirtualKey(int virtualKey);
};

}  // namespace Zorvane
