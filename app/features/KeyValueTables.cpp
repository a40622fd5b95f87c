#include "app/features/KeyValueTables.h"

namespace Zorvane {
namespace {

// Type 1 codes: byte 0 0x10 = buttons (bit per button in byte 1), 0x1F =
// the firmware's own functions; bytes 1..3 all set.
//
// | label | value | code                    |
// |-------|-------|-------------------------|
// | 150   | 1     | 10 01 00 00 left        |
// | 152   | 2     | 10 04 00 00 middle      |
// | 151   | 3     | 10 02 00 00 right       |
// | 153   | 5     | 10 10 00 00 button 5    |
// | 154   | 6     | 10 08 00 00 button 4    |
// | 155   | 4     | 10 01 02 00             |
// | 156   | 7     | 10 20 00 00             |
// | 157   | 8     | 10 40 00 00             |
// | 158   | 9     | 10 00 00 FE             |
// | 159   | 10    | 10 00 00 02             |
// | 210   | 11    | 1F 01 00 00             |
// | -     | 12    | 1F 00 00 00 (default only) |
constexpr MouseFunction kMouseFunctions[] = {
    {1, 150, {0x10, 0x01, 0x00, 0x00}},  {2, 152, {0x10, 0x04, 0x00, 0x00}},  {3, 151, {0x10, 0x02, 0x00, 0x00}},
    {5, 153, {0x10, 0x10, 0x00, 0x00}},  {6, 154, {0x10, 0x08, 0x00, 0x00}},  {4, 155, {0x10, 0x01, 0x02, 0x00}},
    {7, 156, {0x10, 0x20, 0x00, 0x00}},  {8, 157, {0x10, 0x40, 0x00, 0x00}},  {9, 158, {0x10, 0x00, 0x00, 0xFE}},
    {10, 159, {0x10, 0x00, 0x00, 0x02}}, {11, 210, {0x1F, 0x01, 0x00, 0x00}},
};
constexpr MouseFunction kDefaultOnlyFunction = {12, 0, {0x1F, 0x00, 0x00, 0x00}};

constexpr MediaKey kMediaKeys[] = {
    {6, 165, 0x0E9},   // volume increment
    {7, 166, 0x0EA},   // volume decrement
    {8, 167, 0x0E2},   // mute
    {1, 168, 0x183},   // media player
    {2, 169, 0x0CD},   // play/pause
    {4, 170, 0x0B6},   // previous track
    {5, 171, 0x0B5},   // next track
    {3, 172, 0x0B7},   // stop
    {12, 129, 0x192},  // calculator
    {13, 132, 0x18A},  // e-mail reader
};

constexpr std::uint8_t kCtrl = 0x01, kShift = 0x02, kAlt = 0x04, kWin = 0x08;

// HID keyboard usages of the keys the shortcuts use.
enum Usage : std::uint8_t {
  kA = 4,
  kC = 6,
  kD = 7,
  kE = 8,
  kG = 10,
  kH = 11,
  kL = 15,
  kM = 16,
  kO = 18,
  kP = 19,
  kR = 21,
  kS = 22,
  kV = 25,
  kX = 27,
  kY = 28,
  kZ = 29,
  kEscape = 41,
  kTab = 43,
  kMinus = 45,
  kEqual = 46,
  kComma = 54,
  kF4 = 61,
  kRight = 79,
  kLeft = 80,
  kUp = 82,
};

constexpr KeySlotCode Keys(std::uint8_t modifiers, std::uint8_t usage) {
  return {0x20, modifiers, usage, 0x00};
}
// Values 27..29 are firmware functions, not key combinations.
constexpr KeySlotCode Firmware(std::uint8_t function) {
  return {0x40, function, 0x00, 0x00};
}

constexpr Shortcut kShortcuts[] = {
    {1, 1, 36, Keys(kCtrl, kX)},
    {1, 2, 31, Keys(kCtrl, kC)},
    {1, 3, 32, Keys(kCtrl, kV)},
    {1, 4, 38, Keys(kCtrl, kS)},
    {1, 5, 775, Keys(kCtrl, kP)},
    {1, 7, 776, Keys(kCtrl, kZ)},
    {1, 8, 777, Keys(kCtrl, kY)},
    {1, 6, 778, Keys(kCtrl, kA)},
    {2, 9, 779, Keys(kWin, kS)},
    {2, 10, 780, Keys(kWin, kP)},
    {2, 11, 781, Keys(kCtrl, kEqual)},
    {2, 12, 782, Keys(kCtrl, kMinus)},
    {2, 13, 783, Keys(kWin | kShift, kS)},
    {2, 15, 784, Keys(kWin, kH)},
    {2, 16, 785, Keys(kWin, kE)},
    {2, 17, 786, Keys(kWin, kR)},
    {3, 18, 787, Keys(kWin, kD)},
    {3, 19, 788, Keys(kWin, kComma)},
    {3, 20, 789, Keys(kAlt, kTab)},
    {3, 21, 790, Keys(kAlt, kF4)},
    {3, 22, 791, Keys(kWin, kUp)},
    {3, 23, 792, Keys(kWin, kM)},
    {4, 24, 793, Keys(kWin, kL)},
    {4, 25, 794, Keys(kCtrl | kShift, kEscape)},
    {4, 26, 795, Keys(kWin, kX)},
    {4, 27, 796, Firmware(0x01)},
    {4, 28, 797, Firmware(0x02)},
    {4, 29, 798, Firmware(0x04)},
    {5, 30, 799, Keys(kCtrl | kWin, kO)},
    {5, 31, 800, Keys(kWin, kEqual)},
    {5, 32, 801, Keys(kWin, kG)},
    {6, 33, 802, Keys(kCtrl | kWin, kD)},
    {6, 34, 803, Keys(kCtrl | kWin, kLeft)},
    {6, 35, 804, Keys(kCtrl | kWin, kRight)},
    {6, 36, 805, Keys(kCtrl | kWin, kF4)},
    {6, 37, 806, Keys(kWin, kTab)},
};
constexpr Shortcut kUnlistedShortcut = {0, 14, 0, Keys(kWin, kComma)};

// Built-in type 1 value of each button without a stored assignment, by key
// code 0..8; its code is the factory code of the slot.
constexpr int kDefaultMouseValues[kKeySlotCount] = {1, 3, 2, 5, 6, 7, 8, 11, 12};

template <typename Entry, std::size_t N>
const Entry* Find(const Entry (&table)[N], int value) {
  for (const Entry& entry : table)
    if (entry.value == value) return &entry;
  return nullptr;
}

}  // namespace

std::span<const MouseFunction> KeyValueTables::MouseFunctions() {
  return kMouseFunctions;
}

const MouseFunction* KeyValueTables::FindMouseFunction(int value) {
  if (value == kDefaultOnlyFunction.value) return &kDefaultOnlyFunction;
  return Find(kMouseFunctions, value);
}

std::span<const MediaKey> KeyValueTables::MediaKeys() {
  return kMediaKeys;
}

const MediaKey* KeyValueTables::FindMediaKey(int value) {
  return Find(kMediaKeys, value);
}

std::span<const Shortcut> KeyValueTables::Shortcuts() {
  return kShortcuts;
}

const Shortcut* KeyValueTables::FindShortcut(int value) {
  if (value == kUnlistedShortcut.value) return &kUnlistedShortcut;
  return Find(kShortcuts, value);
}

int KeyValueTables::PlayModeLabelText(int playMode) {
  switch (playMode) {
    case 0:
      return 604;
    case 1:
    case 2:
    case 3:
      return 600 + playMode;
    default:
      return 0;
  }
}

std::optional<int> KeyValueTables::DefaultMouseValue(int keyCode) {
  if (keyCode < 0 || keyCode >= kKeySlotCount) return std::nullopt;
  return kDefaultMouseValues[keyCode];
}

}  // namespace Zorvane
