#include "app/features/KeyModel.h"

#include "app/features/KeyCodes.h"
#include "app/features/KeyValueTables.h"

namespace Zorvane {
namespace {

std::uint8_t Byte(int value) {
  return static_cast<std::uint8_t>(value & 0xFF);
}

// Type 2: 20, modifier bits, usage, second usage. A modifier key given as
// the usage (224..231) with no other modifiers becomes its bit in byte 1.
KeySlotCode KeyboardCode(const KeyAssignment& key) {
  KeySlotCode code = {0x20, Byte(key.macro_value2), Byte(KeyCodes::ModifierBit(key.macro_value)),
                      Byte(KeyCodes::ModifierBit(key.macro_value3))};
  bool modifierKey = key.macro_value >= 224 && key.macro_value <= 231;
  if (key.macro_value2 == 0 && modifierKey) {
    code[1] = Byte(KeyCodes::ModifierBit(key.macro_value));
    code[2] = 0;
  }
  return code;
}

// Type 4: 30, consumer usage low byte first. An unknown value sends usage 0,
// which does nothing.
KeySlotCode MediaCode(int value) {
  const MediaKey* entry = KeyValueTables::FindMediaKey(value);
  std::uint16_t usage = entry ? entry->consumerUsage : 0;
  return {0x30, Byte(usage), Byte(usage >> 8), 0x00};
}

// Type 5: 60, position in the image, repeat count, play mode.
std::optional<KeySlotCode> MacroCode(const KeyAssignment& key, const std::vector<MacroRecord>& macrosOnDevice) {
  for (std::size_t position = 0; position < macrosOnDevice.size(); ++position) {
    if (macrosOnDevice[position].macro_id == key.macro_value)
      return KeySlotCode{0x60, Byte(static_cast<int>(position)), Byte(key.macro_value2), Byte(key.macro_value3)};
  }
  return std::nullopt;
}

}  // namespace

// Every factory code has 0 in the bytes a type leaves alone, so each code
// is given whole.
std::optional<KeySlotCode> KeyModel::DeviceCode(const KeyAssignment& key,
                                                const std::vector<MacroRecord>& macrosOnDevice) {
  switch (key.macro_type) {
    case kFuncMouse: {
      // Unlisted values (0 is the key page's reset) clear the button.
      const MouseFunction* entry = KeyValueTables::FindMouseFunction(key.macro_value);
      return entry ? entry->code : KeySlotCode{0x10, 0x00, 0x00, 0x00};
    }
    case kFuncKeyboard:
      return KeyboardCode(key);
    case kFuncMedia:
      return MediaCode(key.macro_value);
    case kFuncMacro:
      return MacroCode(key, macrosOnDevice);
    case kFuncShortcut: {
      const Shortcut* entry = KeyValueTables::FindShortcut(key.macro_value);
      return entry ? entry->code : KeySlotCode{0x20, 0x00, 0x00, 0x00};
    }
    case kFuncDisable:
      return KeySlotCode{0x00, 0x00, 0x00, 0x00};
    case kFuncProgram:
    case kFuncUrl:
    case kFuncText:
      // The PC does the work: the device reports type and low byte back.
      return KeySlotCode{0x50, Byte(key.macro_type), Byte(key.macro_value), 0x00};
    default:
      return std::nullopt;
  }
}

std::optional<KeyAssignment> KeyModel::HostActionTarget(const std::vector<KeyAssignment>& profileKeys, int type,
                                                        int lowByte) {
  if (type != kFuncProgram && type != kFuncUrl && type != kFuncText) return std::nullopt;
  const KeyAssignment* match = nullptr;
  for (const KeyAssignment& key : profileKeys) {
    if (key.key_code < 0 || key.key_code >= kKeySlotCount) continue;  // never sent, never pressed
    if (key.macro_type != type || (key.macro_value & 0xFF) != lowByte) continue;
    if (!match) {
      match = &key;
    } else if (match->macro_value != key.macro_value) {
      return std::nullopt;
    }
  }
  if (!match) return std::nullopt;
  return *match;
}

int KeyModel::CaptureBoxUsage(int shownUsage, std::optional<int> capturedVirtualKey) {
  return capturedVirtualKey ? KeyCodes::VirtualKeyToUsage(*capturedVirtualKey) : shownUsage;
}

}  // namespace Zorvane
