#include <gtest/gtest.h>

#include <vector>

#include "app/device/MacroEntry.h"
#include "app/device/MacroImage.h"
#include "app/features/KeyModel.h"
#include "platform/Paths.h"
#include "tests/app/device/Frames.h"
#include "tests/support/TempFolder.h"

using Nuvex::CString;
using TestSupport::Frame;
using TestSupport::TempFolder;
using Zorvane::ConfigStore;
using Zorvane::KeyAssignment;
using Zorvane::KeyModel;
using Zorvane::KeySlotCode;
using Zorvane::MacroEntry;
using Zorvane::MacroEventRecord;
using Zorvane::MacroImage;
using Zorvane::MacroRecord;
using Zorvane::Report;

namespace {

using Bytes = std::vector<std::uint8_t>;

MacroEventRecord Event(int type, int value, int delay, const char16_t* desc = u"") {
  MacroEventRecord event;
  event.type = type;
  event.value = value;
  event.delay_time = delay;
  event.desc = desc;
  return event;
}

MacroImage::Macro Macro(int id, std::vector<MacroEventRecord> events) {
  MacroImage::Macro macro;
  macro.record.macro_id = id;
  macro.record.name = CString().Format(u"Macro %d", id);
  macro.events = std::move(events);
  return macro;
}

// A macro of `count` key presses of A, 25 ms apart.
MacroImage::Macro Presses(int id, int count) {
  std::vector<MacroEventRecord> events;
  for (int i = 0; i < count; ++i) events.push_back(Event(2 + i % 2, 65, 25));
  return Macro(id, std::move(events));
}

Bytes Slice(const MacroImage& image, std::size_t from, std::size_t count) {
  auto bytes = image.Bytes().subspan(from, count);
  return Bytes(bytes.begin(), bytes.end());
}

int Pointer(const MacroImage& image, int position) {
  return image.Bytes()[2 * position] | (image.Bytes()[2 * position + 1] << 8);
}

std::vector<int> Ids(const std::vector<MacroRecord>& macros) {
  std::vector<int> ids;
  for (const MacroRecord& macro : macros) ids.push_back(macro.macro_id);
  return ids;
}

}  // namespace

TEST(MacroEntry, EveryEventType) {
  const struct {
    const char* what;
    MacroEventRecord event;
    MacroEntry::Bytes entry;
    int pendingAfter;
  } cases[] = {
      // delay (pending 10), kind, code
      {"key down A", Event(2, 65, 50), {10, 0, 0x42, 0x04}, 50},
      {"key up A", Event(3, 65, 30), {10, 0, 0x02, 0x04}, 30},
      {"left Shift down", Event(2, 0xA0, 5), {10, 0, 0x41, 0x02}, 5},
      {"right Ctrl up", Event(3, 0xA3, 5), {10, 0, 0x01, 0x10}, 5},
      {"right Win down", Event(2, 0x5C, 5), {10, 0, 0x41, 0x80}, 5},
      {"generic Ctrl is no modifier", Event(2, 17, 5), {10, 0, 0x42, 0x00}, 5},
      {"left button down", Event(4, 1, 40, u"\u2193  LB"), {10, 0, 0x43, 0x01}, 40},
      {"middle button up", Event(5, 0x104, 40, u"\u2191  MB"), {10, 0, 0x03, 0x04}, 40},
      {"button down named Scroll Up", Event(4, 1, 40, u"Scroll Up"), {10, 0, 0x44, 0x01}, 40},
      {"button up named Scroll Down", Event(5, 255, 40, u"x Scroll Down"), {10, 0, 0x44, 0xFF}, 40},
      {"wheel up", Event(6, 1, 99), {0, 0, 0x44, 0x01}, 10},
      {"wheel down", Event(7, 255, 99), {0, 0, 0x44, 0xFF}, 10},
      {"type 8", Event(8, 0x1234, 99), {0, 0, 0x06, 0x34}, 10},
      {"type 11", Event(11, 7, 99), {0, 0, 0x06, 0x07}, 10},
      {"type 12, high bits set", Event(12, 0x8281, 99), {0, 0xC0, 0x06, 0x12}, 10},
      {"type 12", Event(12, 0x0305, 99), {0, 0x00, 0x06, 0x53}, 10},
      {"unknown type 1", Event(1, 65, 99), {0, 0, 0x00, 0x00}, 10},
      {"unknown type 13", Event(13, 65, 99), {0, 0, 0x00, 0x00}, 10},
  };
  for (const auto& c : cases) {
    int pending = MacroEntry::kFirstDelay;
    EXPECT_EQ(MacroEntry::Encode(c.event, pending), c.entry) << c.what;
    EXPECT_EQ(pending, c.pendingAfter) << c.what;
  }
}

TEST(MacroEntry, DelayLimits) {
  const struct {
    int pending;
    MacroEntry::Bytes entry;
  } entries[] = {
      {70000, {0xFF, 0xFF, 0x42, 0x04}},  // beyond the field: the longest wait, not a wrapped one
      {65535, {0xFF, 0xFF, 0x42, 0x04}},
      {1000, {0xE8, 0x03, 0x42, 0x04}},
      {-5, {0x00, 0x00, 0x42, 0x04}},
  };
  for (const auto& c : entries) {
    int pending = c.pending;
    EXPECT_EQ(MacroEntry::Encode(Event(2, 65, 1), pending), c.entry) << c.pending;
  }

  const struct {
    int pending;
    MacroEntry::Bytes entry;
  } ends[] = {
      {30, {30, 0, 0x83, 0x01}}, {1, {1, 0, 0x83, 0x01}},           {0, {10, 0, 0x83, 0x01}},
      {-3, {10, 0, 0x83, 0x01}}, {10000, {0x10, 0x27, 0x83, 0x01}}, {20000, {0x10, 0x27, 0x83, 0x01}},
  };
  for (const auto& c : ends) EXPECT_EQ(MacroEntry::End(c.pending), c.entry) << c.pending;
}

TEST(MacroImage, TwoEventMacro) {
  MacroImage image = MacroImage::Build({Macro(5, {Event(2, 65, 50), Event(3, 65, 30)})});
  ASSERT_EQ(image.Size(), 76u);  // the end of the end entry
  Bytes expected(64, 0);
  expected[0] = 64;  // pointer of macro 0: offset 64
  Bytes entries = {
      10, 0, 0x42, 0x04,  // A down after the first 10 ms
      50, 0, 0x02, 0x04,  // A up after the down's 50 ms
      30, 0, 0x83, 0x01,  // end after the up's 30 ms
  };
  expected.insert(expected.end(), entries.begin(), entries.end());
  EXPECT_EQ(Slice(image, 0, 76), expected);
  EXPECT_EQ(Ids(image.Macros()), std::vector<int>{5});
  EXPECT_TRUE(image.LeftOut().empty());

  // The last piece carries the four zero bytes after the end entry.
  std::vector<Report> pieces = image.Pieces();
  ASSERT_EQ(pieces.size(), 2u);
  const Report last = Frame({
      0x06, 0x31, 17,                // MacroWrite, length 76 - 59
      59,   0x00,                    // address
      0x00, 0x00, 0x00, 0x00, 0x00,  // 59..63: rest of the pointer table
      10,   0,    0x42, 0x04,        // 64
      50,   0,    0x02, 0x04,        // 68
      30,   0,    0x83, 0x01,        // 72: end entry
      0x00, 0x00, 0x00, 0x00,        // 76: the gap after the macro
  });
  EXPECT_EQ(pieces[1], last);
}

TEST(MacroImage, EndDelayLimits) {
  for (auto [delay, low, high] : {std::tuple{0, 10, 0}, {20000, 0x10, 0x27}}) {
    MacroImage image = MacroImage::Build({Macro(1, {Event(2, 65, delay)})});
    EXPECT_EQ(Slice(image, 68, 4), (Bytes{std::uint8_t(low), std::uint8_t(high), 0x83, 0x01})) << delay;
  }
}

TEST(MacroImage, PointersAndGaps) {
  // An empty macro points where the next one starts and takes no room.
  MacroImage image = MacroImage::Build({Macro(1, {}), Presses(2, 2), Presses(3, 1), Macro(4, {})});
  EXPECT_EQ(Pointer(image, 0), 64);
  EXPECT_EQ(Pointer(image, 1), 64);
  EXPECT_EQ(Pointer(image, 2), 64 + 12 + 4);
  EXPECT_EQ(Pointer(image, 3), 80 + 8 + 4);
  EXPECT_EQ(Pointer(image, 4), 0);
  EXPECT_EQ(image.Size(), 88u);
  EXPECT_EQ(Slice(image, 76, 4), (Bytes{0, 0, 0, 0}));  // gap after macro 2
  EXPECT_EQ(Slice(image, 80, 4), (Bytes{10, 0, 0x42, 0x04}));
  EXPECT_EQ(Ids(image.Macros()), (std::vector<int>{1, 2, 3, 4}));
}

TEST(MacroImage, NoMacros) {
  MacroImage image = MacroImage::Build({});
  EXPECT_EQ(Slice(image, 0, image.Size()), Bytes(64, 0));
  std::vector<Report> pieces = image.Pieces();
  ASSERT_EQ(pieces.size(), 2u);
  EXPECT_EQ(pieces[0][2], 59);
  EXPECT_EQ(pieces[1][2], 5);
}

TEST(MacroImage, ThirtyThreeMacros) {
  std::vector<MacroImage::Macro> macros;
  for (int id = 1; id <= 33; ++id) macros.push_back(Presses(id, 1));
  MacroImage image = MacroImage::Build(macros);

  ASSERT_EQ(image.Macros().size(), 32u);
  EXPECT_EQ(Ids(image.LeftOut()), std::vector<int>{33});
  for (int position = 0; position < 32; ++position) EXPECT_EQ(Pointer(image, position), 64 + 12 * position);
  EXPECT_EQ(Slice(image, 64, 8), (Bytes{10, 0, 0x42, 0x04, 25, 0, 0x83, 0x01}));  // not overwritten
  EXPECT_EQ(image.Size(), 64u + 32 * 12 - 4);

  // A button bound to the 33rd macro gets nothing; one on the 32nd its position.
  KeyAssignment key;
  key.macro_type = 5;
  key.macro_value = 33;
  EXPECT_FALSE(KeyModel::DeviceCode(key, image.Macros()));
  key.macro_value = 32;
  EXPECT_EQ(KeyModel::DeviceCode(key, image.Macros()), (KeySlotCode{0x60, 31, 0, 0}));
}

TEST(MacroImage, OversizedSetKeepsWholeMacros) {
  // 200 events take 804 bytes with the end entry; the fifth would end at 4100.
  std::vector<MacroImage::Macro> macros;
  for (int id = 1; id <= 5; ++id) macros.push_back(Presses(id, 200));
  macros.push_back(Presses(6, 1));  // still fits after the fourth
  MacroImage image = MacroImage::Build(macros);

  EXPECT_EQ(Ids(image.Macros()), (std::vector<int>{1, 2, 3, 4, 6}));
  EXPECT_EQ(Ids(image.LeftOut()), std::vector<int>{5});
  EXPECT_EQ(image.Size(), 3296u + 8);
  for (int position = 0; position < 4; ++position) {
    int end = Pointer(image, position) + 4 * 200;
    EXPECT_EQ(Slice(image, end, 4), (Bytes{25, 0, 0x83, 0x01})) << "macro " << position;
  }
  EXPECT_EQ(Pointer(image, 4), 3296);
  EXPECT_EQ(Slice(image, 3300, 4), (Bytes{25, 0, 0x83, 0x01}));
}

TEST(MacroImage, FillsExactly4000Bytes) {
  MacroImage full = MacroImage::Build({Presses(1, 983)});  // 983 entries + end = 3936 bytes
  EXPECT_EQ(full.Size(), 4000u);
  EXPECT_EQ(Slice(full, 3996, 4), (Bytes{25, 0, 0x83, 0x01}));
  EXPECT_EQ(full.Pieces().size(), 68u);
  const Report last = Frame({
      0x06, 0x31, 47,          // MacroWrite, length 4000 % 59
      0x71, 0x0F,              // address 3953
      0x00, 0x42, 0x04,        // rest of entry 972 (A down)
      25,   0,    0x02, 0x04,  // 973
      25,   0,    0x42, 0x04,  // 974
      25,   0,    0x02, 0x04,  // 975
      25,   0,    0x42, 0x04,  // 976
      25,   0,    0x02, 0x04,  // 977
      25,   0,    0x42, 0x04,  // 978
      25,   0,    0x02, 0x04,  // 979
      25,   0,    0x42, 0x04,  // 980
      25,   0,    0x02, 0x04,  // 981
      25,   0,    0x42, 0x04,  // 982
      25,   0,    0x83, 0x01,  // end entry, ending at 4000
  });
  EXPECT_EQ(full.Pieces().back(), last);

  MacroImage tooBig = MacroImage::Build({Presses(1, 984)});
  EXPECT_EQ(tooBig.Size(), 64u);
  EXPECT_TRUE(tooBig.Macros().empty());
  EXPECT_EQ(Ids(tooBig.LeftOut()), std::vector<int>{1});
}

TEST(MacroImage, Pieces) {
  Bytes image(118);
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i + 1);
  std::vector<Report> pieces = MacroImage::Pieces(image);
  ASSERT_EQ(pieces.size(), 3u);
  const std::uint8_t lengths[] = {59, 59, 0};
  for (int n = 0; n < 3; ++n) {
    EXPECT_EQ(pieces[n][1], 0x31);
    EXPECT_EQ(pieces[n][2], lengths[n]);
    EXPECT_EQ(pieces[n][3] | (pieces[n][4] << 8), 59 * n);
    for (int i = 0; i < 59; ++i) {
      int offset = 59 * n + i;
      EXPECT_EQ(pieces[n][5 + i], offset < 118 ? offset + 1 : 0) << "offset " << offset;
    }
  }

  // Only the 4000 bytes the device takes are cut.
  EXPECT_EQ(MacroImage::Pieces(Bytes(5000, 1)).size(), 68u);
}

TEST(MacroImage, FromStoreReadsEventsInOrder) {
  TempFolder data;
  ConfigStore store;
  ASSERT_TRUE(Platform::CreateFolderTree(data / "db"));
  ASSERT_TRUE(store.OpenForDevice(data.Path(), u"model"));
  int first = store.AddMacro(u"First");
  int second = store.AddMacro(u"Second");
  ASSERT_GT(second, first);
  for (auto [index, type, delay] : {std::tuple{1, 3, 30}, {0, 2, 50}}) {
    MacroEventRecord event = Event(type, 65, delay);
    event.macro_id = second;
    event.record_index = index;
    ASSERT_GT(store.AddMacroEvent(event), 0);
  }

  MacroImage image = MacroImage::FromStore(store);
  EXPECT_EQ(Ids(image.Macros()), (std::vector<int>{first, second}));
  EXPECT_EQ(Pointer(image, 0), 64);
  EXPECT_EQ(Pointer(image, 1), 64);
  EXPECT_EQ(Slice(image, 64, 12), (Bytes{10, 0, 0x42, 0x04, 50, 0, 0x02, 0x04, 30, 0, 0x83, 0x01}));

  store.Close();
  EXPECT_EQ(MacroImage::FromStore(store).Size(), 64u);
}
