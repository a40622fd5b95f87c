#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace Zorvane {

// Everything the simulated mouse keeps. Default values are the factory
// state; a factory reset returns the settings to them.
struct SimulatedMouseState {
  static constexpr int kDpiStages = 7;  // the status reply shows the first six
  static constexpr int kKeySlots = 9;
  // Room for the 4000-byte image plus the last piece's full 59 data bytes.
  static constexpr std::size_t kMacroMemorySize = 4096;

  using KeySlot = std::array<std::uint8_t, 4>;

  // Firmware version as the status reply carries it: byte 10 holds the
  // major and minor digits, byte 9 the build ("1.0.10").
  std::uint8_t firmwareMajorMinor = 0x10;
  std::uint8_t firmwareBuild = 10;

  bool poweredOn = true;  // the power switch; the cable powers the mouse regardless
  int batteryLevel = 80;  // percent
  bool charging = false;

  // DPI stages in firmware units v: DPI = (v + 1) * 50.
  int dpiCount = 6;
  int dpiIndex = 1;
  std::array<std::uint16_t, kDpiStages> dpiStages = {7, 15, 31, 63, 127, 239, 319};

  std::uint8_t reportRate = 1;
  std::uint8_t reportFlag = 0;
  std::uint8_t scroll = 0;
  std::uint8_t liftOff = 1;
  std::uint8_t sensor = 0;
  std::uint8_t highSpeed = 0;
  std::uint8_t responseTime = 4;
  std::uint16_t lightSleep = 60;
  std::uint16_t deepSleep = 600;
  std::uint8_t moveWakeup = 1;
  std::uint8_t moveCloseLight = 0;

  // Slot k holds the device code of key code k.
  std::array<KeySlot, kKeySlots> keyTable = {{{0x10, 0x01, 0x00, 0x00},
                                              {0x10, 0x02, 0x00, 0x00},
                                              {0x10, 0x04, 0x00, 0x00},
                                              {0x10, 0x10, 0x00, 0x00},
                                              {0x10, 0x08, 0x00, 0x00},
                                              {0x10, 0x20, 0x00, 0x00},
                                              {0x10, 0x40, 0x00, 0x00},
                                              {0x1F, 0x01, 0x00, 0x00},
                                              {0x1F, 0x00, 0x00, 0x00}}};

  std::vector<std::uint8_t> macroMemory = std::vector<std::uint8_t>(kMacroMemorySize, 0);

  int StageDpi(int stage) const { return (dpiStages.at(static_cast<std::size_t>(stage)) + 1) * 50; }
};

}  // namespace Zorvane
