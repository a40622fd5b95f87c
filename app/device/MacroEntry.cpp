#include "app/device/MacroEntry.h"

#include <algorithm>

#include "app/features/KeyCodes.h"

namespace Zorvane {
namespace {

std::uint8_t Low(int value) {
  return static_cast<std::uint8_t>(value & 0xFF);
}

// Delays below 0 (damaged or imported data) wait nothing rather than wrap to
// about a minute.
MacroEntry::Bytes WithDelay(int delay, std::uint8_t kind, std::uint8_t code) {
  int clamped = std::clamp(delay, 0, MacroEntry::kMaxEntryDelay);
  return {Low(clamped), Low(clamped >> 8), kind, code};
}

// A key event: modifiers go as their bit, other keys as their HID usage.
MacroEntry::Bytes KeyEntry(int delay, int virtualKey, bool down) {
  if (KeyCodes::IsModifierVirtualKey(virtualKey))
    return WithDelay(delay, down ? 0x41 : 0x01, Low(KeyCodes::VirtualKeyModifierBit(virtualKey)));
  return WithDelay(delay, down ? 0x42 : 0x02, Low(KeyCodes::VirtualKeyToUsage(virtualKey)));
}

MacroEntry::Bytes ButtonEntry(int delay, const MacroEventRecord& event, bool down) {
  if (event.desc.Find(u"Scroll Up") >= 0) return WithDelay(delay, 0x44, 0x01);
  if (event.desc.Find(u"Scroll Down") >= 0) return WithDelay(delay, 0x44, 0xFF);
  return WithDelay(delay, down ? 0x43 : 0x03, Low(event.value));
}

// Type 12 packs two value bytes into one code and keeps their top bits in
// the delay's high byte (bit 7 from the first byte, bit 6 from the second).
MacroEntry::Bytes PackedEntry(int value) {
  std::uint8_t first = Low(value);
  std::uint8_t second = Low(value >> 8);
  std::uint8_t flags = static_cast<std::uint8_t>(((first & 0x80) ? 0x80 : 0) | ((second & 0x80) ? 0x40 : 0));
  return {0x00, flags, 0x06, Low((second & 0x0F) | (first << 4))};
}

}  // namespace

MacroEntry::Bytes MacroEntry::Encode(const MacroEventRecord& event, int& pendingDelay) {
  const int delay = pendingDelay;
  switch (event.type) {
    case 2:
    case 3:
      pendingDelay = event.delay_time;
      return KeyEntry(delay, event.value, event.type == 2);
    case 4:
    case 5:
      pendingDelay = event.delay_time;
      return ButtonEntry(delay, event, event.type == 4);
    case 6:
      return {0x00, 0x00, 0x44, 0x01};
    case 7:
      return {0x00, 0x00, 0x44, 0xFF};
    case 8:
    case 9:
    case 10:
    case 11:
      return {0x00, 0x00, 0x06, Low(event.value)};
    case 12:
      return PackedEntry(event.value);
    default:
      return {0x00, 0x00, 0x00, 0x00};
  }
}

MacroEntry::Bytes MacroEntry::End(int pendingDelay) {
  constexpr int kDelayWhenNone = 10;
  int delay = pendingDelay <= 0 ? kDelayWhenNone : std::min(pendingDelay, kMaxEndDelay);
  return {Low(delay), Low(delay >> 8), 0x83, 0x01};
}

}  // namespace Zorvane
