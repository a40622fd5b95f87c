#pragma once

#include <array>

#include "app/config/ConfigStore.h"

namespace Zorvane {

// The configuration keys of one profile that the SetParameter reports carry,
// read as numbers when a task runs (a missing key reads as 0).
struct ProfileSettings {
  static constexpr int kDpiStages = 7;

  int dpiCount = 0;                         // dpi_count
  int dpiIndex = 0;                         // dpi_index
  std::array<int, kDpiStages> dpiStages{};  // dpi_group0_value .. dpi_group6_value
  int reportRate = 0;                       // report_rate
  int scroll = 0;                           // scroll_flag
  int liftOff = 0;                          // liftoff_height
  int sensor = 0;                           // sensor_flag
  int highSpeed = 0;                        // highspeed_mode
  int buttonResponse = 0;                   // button_respondtime
  int lightSleep = 0;                       // light_sleep
  int deepSleep = 0;                        // deep_sleep
  int moveWakeup = 0;                       // move_wakeup

  static ProfileSettings Read(ConfigStore& store, int profile);
};

}  // namespace Zorvane
