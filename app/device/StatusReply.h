#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "app/device/DeviceManager.h"
#include "toolkit/core/CString.h"

namespace Zorvane {

// The mouse's answer to the status query (command 0x05):
//
// | byte  | field                                   | stored as            |
// |-------|-----------------------------------------|----------------------|
// | 9     | firmware build                          |                      |
// | 10    | firmware major and minor (hex digits)   |                      |
// | 11    | connection mode                         |                      |
// | 12    | online (0: the mouse is not reachable)  |                      |
// | 13    | battery level, percent                  |                      |
// | 14    | charging (1)                            |                      |
// | 17    | current DPI stage                       |                      |
// | 18-29 | stages 0..5, 16-bit v, DPI = (v+1) x 50 | dpi_group0..5_value  |
// | 30    | report rate code                        | report_rate          |
// | 31    | report flag                             | report_flag          |
// | 32    | scroll                                  | scroll_flag          |
// | 33    | lift-off distance                       | liftoff_height       |
// | 34    | sensor                                  | sensor_flag          |
// | 35    | high-speed mode                         | highspeed_mode       |
// | 36    | button response time                    | button_respondtime   |
// | 37-38 | light sleep (16-bit)                    | light_sleep          |
// | 39-40 | deep sleep (16-bit)                     | deep_sleep           |
// | 41    | move wake-up                            | move_wakeup          |
// | 42    | move close-light                        | move_closelight      |
//
// Other bytes are not interpreted. The reply says nothing of dpi_index,
// dpi_count or the seventh stage.
struct StatusReply {
  static constexpr int kReportedStages = 6;

  std::uint8_t firmwareBuild = 0;
  std::uint8_t firmwareMajorMinor = 0;
  int mode = 0;
  bool online = false;
  int battery = 0;
  bool charging = false;
  int dpiStageIndex = 0;
  std::array<int, kReportedStages> stageDpi{};
  int reportRate = 0;
  int reportFlag = 0;
  int scroll = 0;
  int liftOff = 0;
  int sensor = 0;
  int highSpeed = 0;
  int buttonResponse = 0;
  int lightSleep = 0;
  int deepSleep = 0;
  int moveWakeup = 0;
  int moveCloseLight = 0;

  static StatusReply Parse(const Report& reply);

  // Bytes 9 and 10 both 0 mean the mouse has not answered with its state.
  bool HasFirmwareVersion() const { return firmwareBuild != 0 || firmwareMajorMinor != 0; }
  Nuvex::CString FirmwareVersion() const;

  // A configuration key the read-back writes, with its value.
  struct ConfigValue {
    const char16_t* key;
    int value;
  };
  // The 17 keys in reply order (stages 0..5, then report_rate ..
  // move_closelight), to be stored as decimal text.
  std::vector<ConfigValue> ConfigValues() const;
};

}  // namespace Zorvane
