#pragma once

#include <array>
#include <cstdint>

namespace Zorvane {

// What a button does, as stored in KeyAssignment::macro_type. Codes 3 and 6
// are not used. Type 0 is the "restore the default" command of the key page;
// a stored row carries it only when the catalogue has no default for the
// button.
enum FunctionType : int {
  kFuncDefault = 0,
  kFuncMouse = 1,     // macro_value: entry of KeyValueTables::MouseFunctions
  kFuncKeyboard = 2,  // macro_value: HID usage; macro_value2: modifier bits; macro_value3: second usage
  kFuncMedia = 4,     // macro_value: entry of KeyValueTables::MediaKeys
  kFuncMacro = 5,     // macro_value: macro_id; macro_value2: repeat count; macro_value3: play mode
  kFuncShortcut = 7,  // macro_value: entry of KeyValueTables::Shortcuts
  kFuncDisable = 8,   // macro_value: 1
  kFuncProgram = 9,   // macro_value: t_key_otherdata row (desc = file name, param = path)
  kFuncUrl = 10,      // macro_value: t_key_otherdata row (desc = address)
  kFuncText = 11,     // macro_value: t_text_data text_id
};

// The four bytes one button occupies in the device's key table.
using KeySlotCode = std::array<std::uint8_t, 4>;

// Buttons with key codes 0..8 have a slot in the device's key table; other
// key codes (imported files, other models) never reach the device.
inline constexpr int kKeySlotCount = 9;

// The key page's type list, in list order: label text and icon (skin
// relative, stored with backslashes).
struct FunctionTypeEntry {
  FunctionType type;
  int labelText;
  const char* icon;
};

inline constexpr FunctionTypeEntry kFunctionTypeList[] = {
    {kFuncDefault, 221, "icon\\keytype_0.png"},  {kFuncMouse, 222, "icon\\keytype_1.png"},
    {kFuncKeyboard, 223, "icon\\keytype_2.png"}, {kFuncMacro, 224, "icon\\keytype_4.png"},
    {kFuncMedia, 225, "icon\\keytype_6.png"},    {kFuncShortcut, 226, "icon\\keytype_7.png"},
    {kFuncDisable, 227, "icon\\keytype_9.png"},  {kFuncProgram, 228, "icon\\keytype_10.png"},
    {kFuncUrl, 229, "icon\\keytype_11.png"},     {kFuncText, 230, "icon\\keytype_12.png"},
};

}  // namespace Zorvane
