#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "app/features/FunctionType.h"

namespace Zorvane {

// A mouse function (type 1): its label and the whole slot code it sends.
struct MouseFunction {
  int value;
  int labelText;
  KeySlotCode code;
};

// A multimedia key (type 4): a HID consumer usage.
struct MediaKey {
  int value;
  int labelText;
  std::uint16_t consumerUsage;
};

// A system or editing shortcut (type 7) and the slot code it sends.
struct Shortcut {
  int category;  // 1..6; 0 for the unlisted value 14
  int value;
  int labelText;
  KeySlotCode code;
};

// The value lists of the key page's mouse, multimedia and shortcut functions
// in list order, and the built-in default of each button.
class KeyValueTables {
 public:
  KeyValueTables() = delete;

  // The eleven entries the page offers. Value 12 (the factory code of key 8)
  // is only found through FindMouseFunction.
  static std::span<const MouseFunction> MouseFunctions();
  static const MouseFunction* FindMouseFunction(int value);

  static std::span<const MediaKey> MediaKeys();
  static const MediaKey* FindMediaKey(int value);

  // The 37 listed shortcuts, by category (labels text 767..772).
  static std::span<const Shortcut> Shortcuts();
  static int ShortcutCategoryLabelText(int category) { return 766 + category; }
  // Also finds value 14, which no category lists (Win + ,).
  static const Shortcut* FindShortcut(int value);

  // Label text of a macro play mode (0: repeat count, 1..3: firmware modes).
  static int PlayModeLabelText(int playMode);

  // The type 1 value shown for a button without a stored assignment; its
  // code is the slot's factory code. None for key codes outside 0..8.
  static std::optional<int> DefaultMouseValue(int keyCode);
};

}  // namespace Zorvane
