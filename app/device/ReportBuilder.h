#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "app/config/StoreRecords.h"
#include "app/device/DeviceManager.h"
#include "app/device/ProfileSettings.h"
#include "app/features/FunctionType.h"

namespace Zorvane {

// The requests the program sends, as 64-byte output reports:
//
// | byte | field     | meaning                                               |
// |------|-----------|-------------------------------------------------------|
// | 0    | report id | 0x06                                                  |
// | 1    | command   | see Command                                           |
// | 2    | length    | data bytes from byte 5 on                             |
// | 3-4  | address   | 16-bit little-endian, MacroWrite only, else 0         |
// | 5-63 | data      | the rest stays 0                                      |
//
// Multi-byte values are little-endian; one-byte fields take the low byte
// of the stored number, 16-bit fields its low 16 bits.
class ReportBuilder {
 public:
  ReportBuilder() = delete;

  enum Command : std::uint8_t {
    kStatusQuery = 0x05,         // reply: status (StatusReply)
    kDongleVersionQuery = 0x07,  // reply: dongle version (InputReport::ParseDongleVersion)
    kResetSettings = 0x0F,       // no reply
    kQuery10 = 0x10,             // reply not interpreted
    kQuery11 = 0x11,             // reply not interpreted
    kKeyTable = 0x12,            // reply not interpreted
    kSetParameter = 0x13,        // reply not interpreted
    kMacroWrite = 0x31,          // reply not interpreted
  };

  // Byte 5 of SetParameter. Values follow from byte 6:
  //
  // | id   | parameter       | length | bytes from 6                              |
  // |------|-----------------|--------|-------------------------------------------|
  // | 0x01 | DPI             | 5      | count, index, DPI of that stage (16-bit)  |
  // | 0x02 | report rate     | 2      | rate code                                 |
  // | 0x05 | scroll          | 4      | value, 0, 0                               |
  // | 0x06 | lift-off        | 2      | value                                     |
  // | 0x07 | sensor          | 2      | value                                     |
  // | 0x08 | high-speed mode | 2      | value                                     |
  // | 0x09 | pairing         | 1      | (0)                                       |
  // | 0x0A | button response | 2      | value                                     |
  // | 0x0B | sleep times     | 5      | light sleep, deep sleep (16-bit each)     |
  // | 0x0C | move wake-up    | 2      | value                                     |
  enum Parameter : std::uint8_t {
    kParamDpi = 0x01,
    kParamReportRate = 0x02,
    kParamScroll = 0x05,
    kParamLiftOff = 0x06,
    kParamSensor = 0x07,
    kParamHighSpeed = 0x08,
    kParamPairing = 0x09,
    kParamButtonResponse = 0x0A,
    kParamSleep = 0x0B,
    kParamMoveWakeup = 0x0C,
  };

  // Byte 5 of ResetSettings.
  enum ResetSelector : std::uint8_t {
    kResetDpi = 0x08,
    kResetAll = 0xFF,
  };

  // A zeroed report with the header set.
  static Report Request(std::uint8_t command, std::uint8_t length, std::uint16_t address = 0);

  static Report StatusQuery() { return Request(kStatusQuery, 0); }
  static Report DongleVersionQuery() { return Request(kDongleVersionQuery, 0); }
  static Report Query10() { return Request(kQuery10, 0); }
  static Report Query11() { return Request(kQuery11, 0); }
  static Report ResetSettings(ResetSelector selector);

  // The parameter's report with the profile's values; none for an id not in
  // the table. The DPI stage index is kept within the stage count (and the
  // seven stored stages), so a damaged dpi_index never selects a stage that
  // does not exist.
  static std::optional<Report> SetParameter(std::uint8_t parameter, const ProfileSettings& settings);

  // Every slot starts with its factory code; then, in the order given, each
  // assignment's device code (KeyModel::DeviceCode with `macrosOnDevice`)
  // goes into the slot of its key code. Key codes outside 0..8 have no slot
  // and are skipped.
  static Report KeyTable(const std::vector<KeyAssignment>& keys, const std::vector<MacroRecord>& macrosOnDevice);
  // None outside 0..8.
  static std::optional<KeySlotCode> FactoryCode(int slot);

  // One piece of the macro image: `length` in byte 2, the first 59 bytes of
  // `data` (fewer when it is shorter; the rest stays 0) from byte 5.
  static Report MacroWrite(std::uint16_t address, std::uint8_t length, std::span<const std::uint8_t> data);
};

}  // namespace Zorvane
