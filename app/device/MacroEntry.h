#pragma once

#include <array>
#include <cstdint>

#include "app/config/StoreRecords.h"

namespace Zorvane {

// One 4-byte entry of the device's macro memory: delay (16-bit, ms), kind,
// code. An entry carries the delay that came before its event (the pending
// delay), not its own: a macro's first entry waits 10 ms, every later key or
// button entry waits the previous key or button event's delay_time, and the
// end entry waits the last one's.
//
// | event type              | kind                        | code                         |
// |-------------------------|-----------------------------|------------------------------|
// | 2 key down              | 0x41 modifier, else 0x42    | modifier bit, else HID usage |
// | 3 key up                | 0x01 modifier, else 0x02    | as type 2                    |
// | 4 button down           | 0x43 (0x44 for a scroll)    | low byte of value            |
// | 5 button up             | 0x03 (0x44 for a scroll)    | low byte of value            |
// | 6 wheel up              | 0x44                        | 0x01                         |
// | 7 wheel down            | 0x44                        | 0xFF                         |
// | 8..11                   | 0x06                        | low byte of value            |
// | 12                      | 0x06                        | see Encode                   |
// | other                   | 0x00                        | 0x00                         |
//
// A "scroll" button event is one whose desc contains "Scroll Up" (code 0x01)
// or "Scroll Down" (code 0xFF). Only types 2..5 carry and pass on a delay.
class MacroEntry {
 public:
  using Bytes = std::array<std::uint8_t, 4>;

  static constexpr int kFirstDelay = 10;
  static constexpr int kMaxEntryDelay = 65535;  // the field's range; more would wrap
  static constexpr int kMaxEndDelay = 10000;

  MacroEntry() = delete;

  // The event's entry; `pendingDelay` is the delay carried so far and is
  // replaced by the event's own when its type carries one.
  static Bytes Encode(const MacroEventRecord& event, int& pendingDelay);
  // The entry that ends a macro, with the pending delay limited to
  // 1..10000 (0 or less gives 10).
  static Bytes End(int pendingDelay);
};

}  // namespace Zorvane
