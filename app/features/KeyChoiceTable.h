#pragma once

#include <span>
#include <vector>

namespace Zorvane {

// One key the key page offers for a keyboard assignment.
struct KeyChoice {
  int category;  // 2..7
  int usage;     // HID keyboard usage
  const char16_t* name;
};

// The keys of the keyboard function by category. Category 1 means "capture
// the key from the keyboard" and has no entries; categories 2..7 are letters
// and digits, F keys, keypad, navigation and editing, modifiers and locks,
// punctuation. The categories are labelled text 760..766.
class KeyChoiceTable {
 public:
  KeyChoiceTable() = delete;

  static constexpr int kCaptureCategory = 1;
  static constexpr int kCategoryCount = 7;
  static int CategoryLabelText(int category) { return 759 + category; }

  // All 103 entries in table order ("Num Lock" last, after category 7).
  static std::span<const KeyChoice> Entries();
  // The entries of one category in table order, as the second value box
  // lists them.
  static std::vector<KeyChoice> InCategory(int category);
};

}  // namespace Zorvane
