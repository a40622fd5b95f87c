#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "app/features/KeyModel.h"
#include "app/features/KeyValueTables.h"

using Zorvane::KeyAssignment;
using Zorvane::KeyModel;
using Zorvane::KeySlotCode;
using Zorvane::KeyValueTables;
using Zorvane::MacroRecord;

namespace {

KeyAssignment Key(int type, int value, int value2 = 0, int value3 = 0, int keyCode = 1) {
  KeyAssignment key;
  key.profile = 1;
  key.key_code = keyCode;
  key.macro_type = type;
  key.macro_value = value;
  key.macro_value2 = value2;
  key.macro_value3 = value3;
  return key;
}

std::optional<KeySlotCode> Code(const KeyAssignment& key, const std::vector<MacroRecord>& macros = {}) {
  return KeyModel::DeviceCode(key, macros);
}

struct ValueCase {
  int value;
  KeySlotCode code;
};

}  // namespace

TEST(DeviceCode, MouseFunctions) {
  const ValueCase cases[] = {
      {1, {0x10, 0x01, 0x00, 0x00}},  {2, {0x10, 0x04, 0x00, 0x00}},  {3, {0x10, 0x02, 0x00, 0x00}},
      {4, {0x10, 0x01, 0x02, 0x00}},  {5, {0x10, 0x10, 0x00, 0x00}},  {6, {0x10, 0x08, 0x00, 0x00}},
      {7, {0x10, 0x20, 0x00, 0x00}},  {8, {0x10, 0x40, 0x00, 0x00}},  {9, {0x10, 0x00, 0x00, 0xFE}},
      {10, {0x10, 0x00, 0x00, 0x02}}, {11, {0x1F, 0x01, 0x00, 0x00}}, {12, {0x1F, 0x00, 0x00, 0x00}},
      {0, {0x10, 0x00, 0x00, 0x00}},   // the key page's reset
      {13, {0x10, 0x00, 0x00, 0x00}},  // unknown: no button
  };
  for (const ValueCase& c : cases) EXPECT_EQ(Code(Key(1, c.value)), c.code) << "value " << c.value;

  // The page lists eleven entries; value 12 is a default only.
  const int order[] = {1, 2, 3, 5, 6, 4, 7, 8, 9, 10, 11};
  const int labels[] = {150, 152, 151, 153, 154, 155, 156, 157, 158, 159, 210};
  auto list = KeyValueTables::MouseFunctions();
  ASSERT_EQ(list.size(), 11u);
  for (std::size_t i = 0; i < list.size(); ++i) {
    EXPECT_EQ(list[i].value, order[i]);
    EXPECT_EQ(list[i].labelText, labels[i]);
  }
}

TEST(DeviceCode, KeyboardKeys) {
  const struct {
    const char* what;
    int usage, modifiers, second;
    KeySlotCode code;
  } cases[] = {
      {"R-Ctrl alone", 228, 0, 0, {0x20, 0x10, 0x00, 0x00}},
      {"left Ctrl alone", 224, 0, 0, {0x20, 0x01, 0x00, 0x00}},
      {"R-Win alone", 231, 0, 0, {0x20, 0x80, 0x00, 0x00}},
      {"Shift + Ctrl + A", 4, 0x03, 0, {0x20, 0x03, 0x04, 0x00}},
      {"A", 4, 0, 0, {0x20, 0x00, 0x04, 0x00}},
      {"Num 4 is no Windows key", 92, 0, 0, {0x20, 0x00, 0x5C, 0x00}},
      {"Ctrl + R-Shift", 229, 0x01, 0, {0x20, 0x01, 0x20, 0x00}},
      {"second key", 4, 0x01, 5, {0x20, 0x01, 0x04, 0x05}},
      {"second key a modifier", 4, 0, 225, {0x20, 0x00, 0x04, 0x02}},
  };
  for (const auto& c : cases) EXPECT_EQ(Code(Key(2, c.usage, c.modifiers, c.second)), c.code) << c.what;
}

TEST(DeviceCode, MediaKeys) {
  const ValueCase cases[] = {
      {6, {0x30, 0xE9, 0x00, 0x00}},   // volume up
      {7, {0x30, 0xEA, 0x00, 0x00}},   // volume down
      {8, {0x30, 0xE2, 0x00, 0x00}},   // mute
      {1, {0x30, 0x83, 0x01, 0x00}},   // media player
      {2, {0x30, 0xCD, 0x00, 0x00}},   // play/pause
      {4, {0x30, 0xB6, 0x00, 0x00}},   // previous
      {5, {0x30, 0xB5, 0x00, 0x00}},   // next
      {3, {0x30, 0xB7, 0x00, 0x00}},   // stop
      {12, {0x30, 0x92, 0x01, 0x00}},  // calculator
      {13, {0x30, 0x8A, 0x01, 0x00}},  // e-mail
      {9, {0x30, 0x00, 0x00, 0x00}},   // unknown: no usage
  };
  for (const ValueCase& c : cases) EXPECT_EQ(Code(Key(4, c.value)), c.code) << "value " << c.value;
  EXPECT_EQ(KeyValueTables::MediaKeys().size(), 10u);
  EXPECT_EQ(KeyValueTables::MediaKeys()[0].labelText, 165);
}

TEST(DeviceCode, Shortcuts) {
  // modifiers: 01 Ctrl, 02 Shift, 04 Alt, 08 Win
  const ValueCase cases[] = {
      {1, {0x20, 0x01, 0x1B, 0x00}},   // Ctrl + X
      {2, {0x20, 0x01, 0x06, 0x00}},   // Ctrl + C
      {3, {0x20, 0x01, 0x19, 0x00}},   // Ctrl + V
      {4, {0x20, 0x01, 0x16, 0x00}},   // Ctrl + S
      {5, {0x20, 0x01, 0x13, 0x00}},   // Ctrl + P
      {6, {0x20, 0x01, 0x04, 0x00}},   // Ctrl + A
      {7, {0x20, 0x01, 0x1D, 0x00}},   // Ctrl + Z
      {8, {0x20, 0x01, 0x1C, 0x00}},   // Ctrl + Y
      {9, {0x20, 0x08, 0x16, 0x00}},   // Win + S
      {10, {0x20, 0x08, 0x13, 0x00}},  // Win + P
      {11, {0x20, 0x01, 0x2E, 0x00}},  // Ctrl + =
      {12, {0x20, 0x01, 0x2D, 0x00}},  // Ctrl + -
      {13, {0x20, 0x0A, 0x16, 0x00}},  // Win + Shift + S
      {14, {0x20, 0x08, 0x36, 0x00}},  // Win + , (listed nowhere)
      {15, {0x20, 0x08, 0x0B, 0x00}},  // Win + H
      {16, {0x20, 0x08, 0x08, 0x00}},  // Win + E
      {17, {0x20, 0x08, 0x15, 0x00}},  // Win + R
      {18, {0x20, 0x08, 0x07, 0x00}},  // Win + D
      {19, {0x20, 0x08, 0x36, 0x00}},  // Win + ,
      {20, {0x20, 0x04, 0x2B, 0x00}},  // Alt + Tab
      {21, {0x20, 0x04, 0x3D, 0x00}},  // Alt + F4
      {22, {0x20, 0x08, 0x52, 0x00}},  // Win + Up
      {23, {0x20, 0x08, 0x10, 0x00}},  // Win + M
      {24, {0x20, 0x08, 0x0F, 0x00}},  // Win + L
      {25, {0x20, 0x03, 0x29, 0x00}},  // Ctrl + Shift + Esc
      {26, {0x20, 0x08, 0x1B, 0x00}},  // Win + X
      {27, {0x40, 0x01, 0x00, 0x00}},  // firmware function 1
      {28, {0x40, 0x02, 0x00, 0x00}},  // firmware function 2
      {29, {0x40, 0x04, 0x00, 0x00}},  // firmware function 3
      {30, {0x20, 0x09, 0x12, 0x00}},  // Ctrl + Win + O
      {31, {0x20, 0x08, 0x2E, 0x00}},  // Win + =
      {32, {0x20, 0x08, 0x0A, 0x00}},  // Win + G
      {33, {0x20, 0x09, 0x07, 0x00}},  // Ctrl + Win + D
      {34, {0x20, 0x09, 0x50, 0x00}},  // Ctrl + Win + Left
      {35, {0x20, 0x09, 0x4F, 0x00}},  // Ctrl + Win + Right
      {36, {0x20, 0x09, 0x3D, 0x00}},  // Ctrl + Win + F4
      {37, {0x20, 0x08, 0x2B, 0x00}},  // Win + Tab
      {38, {0x20, 0x00, 0x00, 0x00}},  // unknown: nothing pressed
  };
  for (const ValueCase& c : cases) EXPECT_EQ(Code(Key(7, c.value)), c.code) << "value " << c.value;
}

TEST(DeviceCode, ShortcutListOrder) {
  const int order[] = {1,  2,  3,  4,  5,  7,  8,  6,  9,  10, 11, 12, 13, 15, 16, 17, 18, 19,
                       20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37};
  const int categories[] = {1, 1, 1, 1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 2, 2, 2, 3, 3,
                            3, 3, 3, 3, 4, 4, 4, 4, 4, 4, 5, 5, 5, 6, 6, 6, 6, 6};
  auto list = KeyValueTables::Shortcuts();
  ASSERT_EQ(list.size(), std::size(order));
  for (std::size_t i = 0; i < list.size(); ++i) {
    EXPECT_EQ(list[i].value, order[i]);
    EXPECT_EQ(list[i].category, categories[i]) << "value " << order[i];
  }
  EXPECT_EQ(list[7].labelText, 778);  // Ctrl + A, listed last in its category
  EXPECT_EQ(KeyValueTables::ShortcutCategoryLabelText(1), 767);
  EXPECT_EQ(KeyValueTables::ShortcutCategoryLabelText(6), 772);
}

TEST(DeviceCode, MacroPositionOnTheDevice) {
  std::vector<MacroRecord> onDevice(3);
  onDevice[0].macro_id = 7;
  onDevice[1].macro_id = 3;
  onDevice[2].macro_id = 9;
  // 60, position, repeat count, play mode
  EXPECT_EQ(Code(Key(5, 3, 5, 0), onDevice), (KeySlotCode{0x60, 0x01, 0x05, 0x00}));
  EXPECT_EQ(Code(Key(5, 9, 1, 2), onDevice), (KeySlotCode{0x60, 0x02, 0x01, 0x02}));
  // Deleted, or not in the uploaded image: the slot keeps its code.
  EXPECT_EQ(Code(Key(5, 4, 1, 0), onDevice), std::nullopt);
  EXPECT_EQ(Code(Key(5, 7, 1, 0), {}), std::nullopt);
}

TEST(DeviceCode, OtherTypes) {
  EXPECT_EQ(Code(Key(8, 1)), (KeySlotCode{0x00, 0x00, 0x00, 0x00}));
  // PC-side functions: 50, type, low byte of the row id.
  EXPECT_EQ(Code(Key(9, 300)), (KeySlotCode{0x50, 0x09, 0x2C, 0x00}));
  EXPECT_EQ(Code(Key(10, 17)), (KeySlotCode{0x50, 0x0A, 0x11, 0x00}));
  EXPECT_EQ(Code(Key(11, 255)), (KeySlotCode{0x50, 0x0B, 0xFF, 0x00}));
  // Type 0 and the unused codes leave the slot alone.
  for (int type : {0, 3, 6, 12, -1}) EXPECT_EQ(Code(Key(type, 1)), std::nullopt) << "type " << type;
}

TEST(KeyModel, DefaultMouseValues) {
  const int expected[] = {1, 3, 2, 5, 6, 7, 8, 11, 12};
  for (int keyCode = 0; keyCode < 9; ++keyCode)
    EXPECT_EQ(KeyValueTables::DefaultMouseValue(keyCode), expected[keyCode]);
  EXPECT_EQ(KeyValueTables::DefaultMouseValue(9), std::nullopt);
  EXPECT_EQ(KeyValueTables::DefaultMouseValue(-1), std::nullopt);
}

TEST(KeyModel, HostActionNeedsAUniqueMatch) {
  const std::vector<KeyAssignment> keys = {
      Key(9, 300, 0, 0, 1),   // low byte 44
      Key(10, 44, 0, 0, 2),   // same byte, other type
      Key(11, 5, 0, 0, 3),    // two snippets sharing byte 5
      Key(11, 261, 0, 0, 4),  //
      Key(10, 70, 0, 0, 5),   // one address on two buttons
      Key(10, 70, 0, 0, 6),   //
      Key(9, 12, 0, 0, 7),    // beside an assignment that is never on the device
      Key(9, 268, 0, 0, 12),  //
  };
  const struct {
    int type, lowByte;
    int expectedKeyCode;  // -1: none
  } cases[] = {
      {9, 44, 1},   // row 300 by its low byte
      {10, 44, 2},  // the same byte for another type
      {11, 5, -1},  // snippets 5 and 261: ambiguous
      {10, 70, 5},  // one row on two buttons
      {9, 12, 7},   // key code 12 is not on the device
      {9, 45, -1},  // no match
      {5, 44, -1},  // not a PC-side type
  };
  for (const auto& c : cases) {
    std::optional<KeyAssignment> target = KeyModel::HostActionTarget(keys, c.type, c.lowByte);
    if (c.expectedKeyCode < 0) {
      EXPECT_FALSE(target) << c.type << "/" << c.lowByte;
    } else {
      ASSERT_TRUE(target) << c.type << "/" << c.lowByte;
      EXPECT_EQ(target->key_code, c.expectedKeyCode);
    }
  }
  EXPECT_EQ(KeyModel::HostActionTarget(keys, 9, 44)->macro_value, 300);
}

// The capture box keeps the usage it was shown with until a key is captured.
TEST(KeyModel, CaptureBoxKeepsTheStoredKey) {
  EXPECT_EQ(KeyModel::CaptureBoxUsage(228, std::nullopt), 228);  // R-Ctrl stays R-Ctrl
  EXPECT_EQ(KeyModel::CaptureBoxUsage(224, std::nullopt), 224);  // left Ctrl stays
  EXPECT_EQ(KeyModel::CaptureBoxUsage(88, std::nullopt), 88);
  EXPECT_EQ(KeyModel::CaptureBoxUsage(228, 65), 4);    // a captured A
  EXPECT_EQ(KeyModel::CaptureBoxUsage(228, 0xFF), 0);  // a captured key without a usage
}
