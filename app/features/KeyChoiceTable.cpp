#include "app/features/KeyChoiceTable.h"

namespace Zorvane {
namespace {

// "Num Lock" is appended after category 7 but belongs to category 4, so it
// is listed last there.
constexpr KeyChoice kEntries[] = {
    // 2: letters, then 0, then 1..9
    {2, 4, u"A"},
    {2, 5, u"B"},
    {2, 6, u"C"},
    {2, 7, u"D"},
    {2, 8, u"E"},
    {2, 9, u"F"},
    {2, 10, u"G"},
    {2, 11, u"H"},
    {2, 12, u"I"},
    {2, 13, u"J"},
    {2, 14, u"K"},
    {2, 15, u"L"},
    {2, 16, u"M"},
    {2, 17, u"N"},
    {2, 18, u"O"},
    {2, 19, u"P"},
    {2, 20, u"Q"},
    {2, 21, u"R"},
    {2, 22, u"S"},
    {2, 23, u"T"},
    {2, 24, u"U"},
    {2, 25, u"V"},
    {2, 26, u"W"},
    {2, 27, u"X"},
    {2, 28, u"Y"},
    {2, 29, u"Z"},
    {2, 39, u"0"},
    {2, 30, u"1"},
    {2, 31, u"2"},
    {2, 32, u"3"},
    {2, 33, u"4"},
    {2, 34, u"5"},
    {2, 35, u"6"},
    {2, 36, u"7"},
    {2, 37, u"8"},
    {2, 38, u"9"},
    // 3: function keys
    {3, 58, u"F1"},
    {3, 59, u"F2"},
    {3, 60, u"F3"},
    {3, 61, u"F4"},
    {3, 62, u"F5"},
    {3, 63, u"F6"},
    {3, 64, u"F7"},
    {3, 65, u"F8"},
    {3, 66, u"F9"},
    {3, 67, u"F10"},
    {3, 68, u"F11"},
    {3, 69, u"F12"},
    // 4: keypad in the keys' layout order
    {4, 84, u"Num /"},
    {4, 85, u"Num *"},
    {4, 86, u"Num -"},
    {4, 95, u"Num 7"},
    {4, 96, u"Num 8"},
    {4, 97, u"Num 9"},
    {4, 87, u"Num +"},
    {4, 92, u"Num 4"},
    {4, 93, u"Num 5"},
    {4, 94, u"Num 6"},
    {4, 89, u"Num 1"},
    {4, 90, u"Num 2"},
    {4, 91, u"Num 3"},
    {4, 88, u"Num Enter"},
    {4, 98, u"Num 0"},
    {4, 99, u"Num ."},
    // 5: navigation and editing
    {5, 82, u"\u2191"},
    {5, 80, u"\u2190"},
    {5, 81, u"\u2193"},
    {5, 79, u"\u2192"},
    {5, 41, u"Esc"},
    {5, 70, u"Print"},
    {5, 72, u"Pause"},
    {5, 42, u"Backspace"},
    {5, 73, u"Ins"},
    {5, 74, u"Home"},
    {5, 75, u"PgUp"},
    {5, 43, u"Tab"},
    {5, 76, u"Del"},
    {5, 77, u"End"},
    {5, 78, u"PgDn"},
    {5, 40, u"Enter"},
    {5, 44, u"Space"},
    // 6: modifiers and locks
    {6, 225, u"Shift"},
    {6, 224, u"Ctrl"},
    {6, 227, u"Win"},
    {6, 226, u"Alt"},
    {6, 229, u"R-Shift"},
    {6, 228, u"R-Ctrl"},
    {6, 231, u"R-Win"},
    {6, 230, u"R-Alt"},
    {6, 57, u"Caps Lock"},
    {6, 71, u"Scroll Lock"},
    // 7: punctuation, named by both characters of the key
    {7, 53, u"~"},
    {7, 45, u"_"},
    {7, 46, u"+"},
    {7, 47, u"{"},
    {7, 48, u"}"},
    {7, 49, u"||"},
    {7, 51, u";"},
    {7, 52, u"'"},
    {7, 54, u"<,"},
    {7, 55, u">."},
    {7, 56, u"?/"},
    // 4, appended
    {4, 83, u"Num Lock"},
};

}  // namespace

std::span<const KeyChoice> KeyChoiceTable::Entries() {
  return kEntries;
}

std::vector<KeyChoice> KeyChoiceTable::InCategory(int category) {
  std::vector<KeyChoice> entries;
  for (const KeyChoice& entry : kEntries)
    if (entry.category == category) entries.push_back(entry);
  return entries;
}

}  // namespace Zorvane
