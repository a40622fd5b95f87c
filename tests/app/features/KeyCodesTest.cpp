#include <gtest/gtest.h>

#include <set>
#include <string>

#include "app/features/KeyChoiceTable.h"
#include "app/features/KeyCodes.h"

using Nuvex::CString;
using Zorvane::KeyChoice;
using Zorvane::KeyChoiceTable;
using Zorvane::KeyCodes;

namespace {

struct Conversion {
  int from;
  int to;
};

std::string Utf8(const CString& text) {
  return text.ToUtf8();
}

}  // namespace

TEST(KeyCodes, VirtualKeyToUsage) {
  const Conversion cases[] = {
      {65, 4},     // A
      {90, 29},    // Z
      {49, 30},    // 1
      {57, 38},    // 9
      {48, 39},    // 0
      {13, 40},    // Enter
      {8, 42},     // Backspace
      {32, 44},    // Space
      {189, 45},   // -
      {666, 50},   // the non-US hash key
      {191, 56},   // /
      {20, 57},    // Caps Lock
      {112, 58},   // F1
      {123, 69},   // F12
      {124, 104},  // F13
      {135, 115},  // F24
      {44, 70},    // Print Screen
      {34, 78},    // Page Down
      {39, 79},    // Right
      {38, 82},    // Up
      {144, 83},   // Num Lock
      {108, 88},   // keypad separator: keypad Enter
      {97, 89},    // keypad 1
      {105, 97},   // keypad 9
      {96, 98},    // keypad 0
      {110, 99},   // keypad decimal
      {162, 224},  // left Ctrl
      {160, 225},  // left Shift
      {164, 226},  // left Alt
      {91, 227},   // left Win
      {163, 228},  // right Ctrl
      {161, 229},  // right Shift
      {165, 230},  // right Alt
      {92, 231},   // right Win
      {93, 101},   // Application
      {254, 175},  //
      {226, 100},  // the key beside left Shift
      {136, 136},  // passed through
      {139, 139},  //
      {301, 236},  //
      {302, 235},  //
      {0, 0},      // not listed
      {16, 0},     // generic Shift
      {17, 0},     // generic Ctrl
      {140, 0},    //
      {255, 0},    //
      {-1, 0},     //
  };
  for (const Conversion& c : cases) EXPECT_EQ(KeyCodes::VirtualKeyToUsage(c.from), c.to) << "virtual key " << c.from;
}

TEST(KeyCodes, UsageToVirtualKey) {
  const Conversion cases[] = {
      {4, 65},   {29, 90},  {30, 49},  {38, 57},   {39, 48},   {40, 13},   {42, 8},    {49, 220},  {51, 186},
      {57, 20},  {58, 112}, {69, 123}, {70, 44},   {82, 38},   {83, 144},  {88, 253},  {89, 97},   {97, 105},
      {98, 96},  {99, 110}, {101, 93}, {175, 250}, {209, 175}, {210, 174}, {211, 173}, {212, 183}, {224, 17},
      {225, 16}, {226, 18}, {227, 91}, {228, 93},  {229, 16},  {230, 18},
  };
  for (const Conversion& c : cases) EXPECT_EQ(KeyCodes::UsageToVirtualKey(c.from), c.to) << "usage " << c.from;
  for (int usage : {0, 3, 50, 100, 104, 231, -4}) EXPECT_EQ(KeyCodes::UsageToVirtualKey(usage), 0) << "usage " << usage;
}

// Showing a keyboard assignment converts its usage to a virtual key; the
// tables are no inverses, so converting back can give another key or none.
TEST(KeyCodes, RoundTripChangesSomeUsages) {
  std::set<int> listed = {101, 175, 209, 210, 211, 212, 224, 225, 226, 227, 228, 229, 230};
  for (int usage = 4; usage <= 99; ++usage)
    if (usage != 50) listed.insert(usage);
  const std::set<int> lost = {88, 175, 209, 210, 211, 212, 224, 225, 226, 229, 230};

  for (int usage = -1; usage <= 300; ++usage) {
    int expected = usage;
    if (!listed.count(usage) || lost.count(usage)) expected = 0;
    if (usage == 228) expected = 101;  // right Ctrl comes back as the Application key
    EXPECT_EQ(KeyCodes::VirtualKeyToUsage(KeyCodes::UsageToVirtualKey(usage)), expected) << "usage " << usage;
  }
}

TEST(KeyCodes, UsageName) {
  const struct {
    int usage;
    const char* name;
  } cases[] = {
      {4, "A"},      {29, "Z"},         {30, "1"},       {38, "9"},     {39, "0"},         {40, "Enter"},
      {88, "Enter"}, {42, "Backspace"}, {49, "\\"},      {53, "`"},     {57, "Caps Lock"}, {58, "F1"},
      {69, "F12"},   {71, "Scrlk"},     {83, "Num"},     {84, "//"},    {87, "Num +"},     {89, "Num 1"},
      {97, "Num 9"}, {98, "Num 0"},     {99, "Num Del"}, {101, "Menu"}, {175, "Fn"},       {224, "Ctrl"},
      {228, "Ctrl"}, {225, "Shift"},    {229, "Shift"},  {226, "Alt"},  {230, "Alt"},      {227, "Windows"},
      {231, ""},     {50, ""},          {104, ""},       {0, ""},       {-1, ""},          {256, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(Utf8(KeyCodes::UsageName(c.usage)), c.name) << "usage " << c.usage;
}

TEST(KeyCodes, ModifierBits) {
  for (int bit = 0; bit < 8; ++bit) EXPECT_EQ(KeyCodes::ModifierBit(224 + bit), 1 << bit);
  // Usages 91 and 92 are keypad 3 and 4, whatever virtual key shares their number.
  for (int usage : {0, 4, 91, 92, 160, 165, 223, 232}) EXPECT_EQ(KeyCodes::ModifierBit(usage), usage);

  const Conversion virtualKeys[] = {{162, 0x01}, {160, 0x02}, {164, 0x04}, {91, 0x08}, {163, 0x10}, {161, 0x20},
                                    {165, 0x40}, {92, 0x80},  {0, 0},      {65, 65},   {17, 17},    {224, 224}};
  for (const Conversion& c : virtualKeys) EXPECT_EQ(KeyCodes::VirtualKeyModifierBit(c.from), c.to) << c.from;

  for (int key : {0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0x5B, 0x5C}) EXPECT_TRUE(KeyCodes::IsModifierVirtualKey(key));
  for (int key : {0x9F, 0xA6, 0x5A, 0x5D, 16, 17, 18}) EXPECT_FALSE(KeyCodes::IsModifierVirtualKey(key));
}

TEST(KeyChoiceTable, HoldsEveryKeyOnceWithNumLockLast) {
  auto entries = KeyChoiceTable::Entries();
  ASSERT_EQ(entries.size(), 103u);
  EXPECT_EQ(entries.back().category, 4);
  EXPECT_EQ(entries.back().usage, 83);
  EXPECT_EQ(Utf8(CString(entries.back().name)), "Num Lock");

  std::set<int> usages;
  for (const KeyChoice& entry : entries) {
    EXPECT_TRUE(usages.insert(entry.usage).second) << "usage " << entry.usage << " listed twice";
    EXPECT_GE(entry.category, 2);
    EXPECT_LE(entry.category, 7);
  }

  const std::size_t counts[] = {0, 0, 36, 12, 17, 17, 10, 11};
  for (int category = 1; category <= 7; ++category)
    EXPECT_EQ(KeyChoiceTable::InCategory(category).size(), counts[category]) << "category " << category;
  EXPECT_EQ(KeyChoiceTable::InCategory(4).back().usage, 83);
  EXPECT_EQ(KeyChoiceTable::CategoryLabelText(1), 760);
  EXPECT_EQ(KeyChoiceTable::CategoryLabelText(7), 766);
}

TEST(KeyChoiceTable, NamesAndOrder) {
  // Letters, then 0, then 1..9; their names are the keys' own names.
  std::vector<KeyChoice> letters = KeyChoiceTable::InCategory(2);
  ASSERT_EQ(letters.size(), 36u);
  for (int i = 0; i < 26; ++i) EXPECT_EQ(letters[i].usage, 4 + i);
  EXPECT_EQ(letters[26].usage, 39);
  for (int i = 27; i < 36; ++i) EXPECT_EQ(letters[i].usage, 30 + i - 27);
  for (int category : {2, 3})
    for (const KeyChoice& entry : KeyChoiceTable::InCategory(category))
      EXPECT_EQ(CString(entry.name), KeyCodes::UsageName(entry.usage)) << "usage " << entry.usage;

  std::vector<KeyChoice> editing = KeyChoiceTable::InCategory(5);
  EXPECT_EQ(editing[0].usage, 82);  // up arrow first
  EXPECT_EQ(Utf8(CString(editing[0].name)), "\u2191");
  EXPECT_EQ(editing[7].usage, 42);
  EXPECT_EQ(Utf8(CString(editing[7].name)), "Backspace");

  std::vector<KeyChoice> modifiers = KeyChoiceTable::InCategory(6);
  const int modifierOrder[] = {225, 224, 227, 226, 229, 228, 231, 230, 57, 71};
  for (std::size_t i = 0; i < modifiers.size(); ++i) EXPECT_EQ(modifiers[i].usage, modifierOrder[i]);
}
