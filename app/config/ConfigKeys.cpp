#include "app/config/ConfigKeys.h"

namespace Zorvane {
namespace {

// A new profile and a reset differ in dpi_flag (5 / 4) and in the fourth
// DPI stage (2400 / 3200); "version" keeps the value it was created with.
constexpr ConfigKeyDefault kDefaults[] = {
    {"version", "1.0.1", nullptr},
    {"lightmode", "3", "3"},
    {"sleep_light", "1", "1"},
    {"deep_sleep", "60", "60"},
    {"light_sleep", "60", "60"},
    {"move_wakeup", "0", "0"},
    {"move_closelight", "1", "1"},
    {"report_rate", "2", "2"},
    {"report_count", "7", "7"},
    {"report_flag", "15", "15"},
    {"button_respondtime", "1", "1"},
    {"sensor_flag", "53", "53"},
    {"liftoff_height", "1", "1"},
    {"scroll_flag", "1", "1"},
    {"e-sports_flag", "0", "0"},
    {"highspeed_mode", "0", "0"},
    {"leftbtn_lock", "1", "1"},
    {"dpi_flag", "5", "4"},
    {"dpi_index", "1", "1"},
    {"dpi_count", "7", "7"},
    {"dpi_group0_value", "800", "800"},
    {"dpi_group1_value", "1200", "1200"},
    {"dpi_group2_value", "1600", "1600"},
    {"dpi_group3_value", "2400", "3200"},
    {"dpi_group4_value", "5000", "5000"},
    {"dpi_group5_value", "12000", "12000"},
    {"dpi_group6_value", "24000", "24000"},
    {"dpi_group0_rgb", "255", "255"},            // red
    {"dpi_group1_rgb", "16776960", "16776960"},  // cyan
    {"dpi_group2_rgb", "65535", "65535"},        // yellow
    {"dpi_group3_rgb", "13353215", "13353215"},  // pink
    {"dpi_group4_rgb", "65280", "65280"},        // green
    {"dpi_group5_rgb", "16711935", "16711935"},  // magenta
    {"dpi_group6_rgb", "16711680", "16711680"},  // blue
    {"notify_dpi", "1", "1"},
    {"notify_light", "1", "1"},
    {"notify_devsleep", "1", "1"},
    {"notify_reporterate", "1", "1"},
    {"notify_lowbattery", "1", "1"},
    {"notify_fardistance", "1", "1"},
};

}  // namespace

std::span<const ConfigKeyDefault> ConfigKeys::Defaults() {
  return kDefaults;
}

}  // namespace Zorvane
