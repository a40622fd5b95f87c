#include "app/features/KeyCodes.h"

#include <array>

namespace Zorvane {

using Nuvex::CString;

namespace {

struct Pair {
  int from;
  int to;
};

// Virtual-key code -> HID usage, besides the runs handled in code:
//   65..90 (A..Z) -> 4..29      49..57 (1..9) -> 30..38   112..123 (F1..F12) -> 58..69
//   124..135 (F13..F24) -> 104..115    97..105 (keypad 1..9) -> 89..97    136..139 unchanged
constexpr Pair kVirtualKeyToUsage[] = {
    {48, 39},   {13, 40},   {27, 41},  {8, 42},   {9, 43},    {32, 44},   {189, 45},  {187, 46},  {219, 47},
    {221, 48},  {220, 49},  {666, 50}, {186, 51}, {222, 52},  {192, 53},  {188, 54},  {190, 55},  {191, 56},
    {20, 57},   {44, 70},   {145, 71}, {19, 72},  {45, 73},   {36, 74},   {33, 75},   {46, 76},   {35, 77},
    {34, 78},   {39, 79},   {37, 80},  {40, 81},  {38, 82},   {144, 83},  {111, 84},  {106, 85},  {109, 86},
    {107, 87},  {108, 88},  {96, 98},  {110, 99}, {162, 224}, {160, 225}, {164, 226}, {91, 227},  {163, 228},
    {161, 229}, {165, 230}, {92, 231}, {93, 101}, {254, 175}, {226, 100}, {301, 236}, {302, 235},
};

// HID usage -> virtual-key code, besides the runs handled in code:
//   4..29 -> 65..90   30..38 -> 49..57   58..69 -> 112..123   89..97 -> 97..105
// Not the inverse of the table above: 88 -> 253, 175 -> 250, 209..212 ->
// media keys, 224..226 and 229..230 -> the generic Ctrl/Shift/Alt (16..18),
// 228 (right Ctrl) -> 93 (Application), 231 and F13..F24 not listed.
constexpr Pair kUsageToVirtualKey[] = {
    {39, 48},  {40, 13},  {41, 27},  {42, 8},   {43, 9},    {44, 32},   {45, 189},  {46, 187},  {47, 219},
    {48, 221}, {49, 220}, {51, 186}, {52, 222}, {53, 192},  {54, 188},  {55, 190},  {56, 191},  {57, 20},
    {70, 44},  {71, 145}, {72, 19},  {73, 45},  {74, 36},   {75, 33},   {76, 46},   {77, 35},   {78, 34},
    {79, 39},  {80, 37},  {81, 40},  {82, 38},  {83, 144},  {84, 111},  {85, 106},  {86, 109},  {87, 107},
    {88, 253}, {98, 96},  {99, 110}, {101, 93}, {175, 250}, {209, 175}, {210, 174}, {211, 173}, {212, 183},
    {224, 17}, {225, 16}, {226, 18}, {227, 91}, {228, 93},  {229, 16},  {230, 18},
};

struct Name {
  int usage;
  const char16_t* name;
};

// Names besides the generated ones (letters, digits, F1..F12, Num 1..Num 9).
constexpr Name kUsageNames[] = {
    {39, u"0"},
    {40, u"Enter"},
    {41, u"Esc"},
    {42, u"Backspace"},
    {43, u"Tab"},
    {44, u"Space"},
    {45, u"-"},
    {46, u"="},
    {47, u"["},
    {48, u"]"},
    {49, u"\\"},
    {51, u";"},
    {52, u"'"},
    {53, u"`"},
    {54, u","},
    {55, u"."},
    {56, u"/"},
    {57, u"Caps Lock"},
    {70, u"Print Screen"},
    {71, u"Scrlk"},
    {72, u"Pause"},
    {73, u"Insert"},
    {74, u"Home"},
    {75, u"Page Up"},
    {76, u"Delete"},
    {77, u"End"},
    {78, u"Page Down"},
    {79, u"Right"},
    {80, u"Left"},
    {81, u"Down"},
    {82, u"Up"},
    {83, u"Num"},
    {84, u"//"},
    {85, u"Num *"},
    {86, u"Num -"},
    {87, u"Num +"},
    {88, u"Enter"},
    {98, u"Num 0"},
    {99, u"Num Del"},
    {101, u"Menu"},
    {175, u"Fn"},
    {224, u"Ctrl"},
    {225, u"Shift"},
    {226, u"Alt"},
    {227, u"Windows"},
    {228, u"Ctrl"},
    {229, u"Shift"},
    {230, u"Alt"},
};

// Modifier keys in bit order: virtual-key code and HID usage of bit n.
constexpr int kModifierVirtualKeys[8] = {162, 160, 164, 91, 163, 161, 165, 92};
constexpr int kFirstModifierUsage = 224;

template <std::size_t N>
int Lookup(const Pair (&table)[N], int from) {
  for (const Pair& pair : table)
    if (pair.from == from) return pair.to;
  return 0;
}

std::array<CString, 256> BuildNames() {
  std::array<CString, 256> names;
  for (int usage = 4; usage <= 29; ++usage) names[usage] = CString(static_cast<char16_t>(u'A' + usage - 4), 1);
  for (int usage = 30; usage <= 38; ++usage) names[usage] = CString(static_cast<char16_t>(u'1' + usage - 30), 1);
  for (int usage = 58; usage <= 69; ++usage) names[usage] = CString().Format(u"F%d", usage - 57);
  for (int usage = 89; usage <= 97; ++usage) names[usage] = CString().Format(u"Num %d", usage - 88);
  for (const Name& name : kUsageNames) names[name.usage] = name.name;
  return names;
}

}  // namespace

int KeyCodes::VirtualKeyToUsage(int virtualKey) {
  if (virtualKey >= 65 && virtualKey <= 90) return virtualKey - 61;
  if (virtualKey >= 49 && virtualKey <= 57) return virtualKey - 19;
  if (virtualKey >= 112 && virtualKey <= 123) return virtualKey - 54;
  if (virtualKey >= 124 && virtualKey <= 135) return virtualKey - 20;
  if (virtualKey >= 97 && virtualKey <= 105) return virtualKey - 8;
  if (virtualKey >= 136 && virtualKey <= 139) return virtualKey;
  return Lookup(kVirtualKeyToUsage, virtualKey);
}

int KeyCodes::UsageToVirtualKey(int usage) {
  if (usage >= 4 && usage <= 29) return usage + 61;
  if (usage >= 30 && usage <= 38) return usage + 19;
  if (usage >= 58 && usage <= 69) return usage + 54;
  if (usage >= 89 && usage <= 97) return usage + 8;
  return Lookup(kUsageToVirtualKey, usage);
}

CString KeyCodes::UsageName(int usage) {
  static const std::array<CString, 256> names = BuildNames();
  return usage >= 0 && usage < 256 ? names[usage] : CString();
}

int KeyCodes::ModifierBit(int usage) {
  if (usage >= kFirstModifierUsage && usage < kFirstModifierUsage + 8) return 1 << (usage - kFirstModifierUsage);
  return usage;
}

int KeyCodes::VirtualKeyModifierBit(int virtualKey) {
  for (int bit = 0; bit < 8; ++bit)
    if (kModifierVirtualKeys[bit] == virtualKey) return 1 << bit;
  return virtualKey;
}

bool KeyCodes::IsModifierVirtualKey(int virtualKey) {
  return (virtualKey >= 0xA0 && virtualKey <= 0xA5) || virtualKey == 0x5B || virtualKey == 0x5C;
}

}  // namespace Zorvane
