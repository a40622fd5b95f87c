#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "app/device/DeviceManager.h"
#include "toolkit/core/CString.h"

namespace Zorvane {

// The input reports besides the status reply:
//
// Event report (unsolicited, byte 1 = 0xFA; byte 0 is not examined):
// | byte | field                                                          |
// |------|----------------------------------------------------------------|
// | 5    | code: 1 link (data 6 = 1: just paired), 2 DPI stage, 3 battery, |
// |      | 6 wake-up, 0x50 PC-side button                                 |
// | 6    | 2: new stage index; 3: battery level (0 = none); 0x50: type    |
// | 7    | 3: charging; 0x50: low byte of the assignment's value          |
//
// Dongle link report (unsolicited, byte 0 = 0xC0, 33 or 64 bytes read):
// byte 1 = 1 when the dongle's mouse is linked, anything else when not.
//
// Version reply (to command 0x07): byte 5 = 1 when it carries the dongle's
// version, then bytes 9 (build) and 10 (major and minor) as in the status
// reply.
class InputReport {
 public:
  InputReport() = delete;

  enum EventCode : std::uint8_t {
    kEventLink = 1,
    kEventDpi = 2,
    kEventBattery = 3,
    kEventWake = 6,
    kEventHostAction = 0x50,
  };

  struct Event {
    std::uint8_t code = 0;
    std::uint8_t data6 = 0;
    std::uint8_t data7 = 0;
  };

  // None when the report is not an event.
  static std::optional<Event> ParseEvent(const Report& report);
  // Linked or not; none when the bytes are not a link report.
  static std::optional<bool> ParseDongleLink(std::span<const std::uint8_t> report);
  // The dongle's version text; none when the reply does not carry one.
  static std::optional<Nuvex::CString> ParseDongleVersion(const Report& reply);

  // "major.minor.build": byte 10's two hexadecimal digits, then byte 9 in
  // decimal (0x10, 10 -> "1.0.10"; 0x21, 3 -> "2.1.3").
  static Nuvex::CString VersionText(std::uint8_t majorMinor, std::uint8_t build);
};

}  // namespace Zorvane
