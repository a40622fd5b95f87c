#include "app/device/ProfileSettings.h"

#include "toolkit/core/WideAtoi.h"

namespace Zorvane {

using Nuvex::CString;

ProfileSettings ProfileSettings::Read(ConfigStore& store, int profile) {
  auto number = [&](const CString& key) {
    CString value;
    store.GetConfigValue(profile, key, value);  // a missing key leaves "" and reads as 0
    return Nuvex::WideAtoi(value);
  };
  ProfileSettings settings;
  settings.dpiCount = number(u"dpi_count");
  settings.dpiIndex = number(u"dpi_index");
  for (int stage = 0; stage < kDpiStages; ++stage)
    settings.dpiStages[stage] = number(CString().Format(u"dpi_group%d_value", stage));
  settings.reportRate = number(u"report_rate");
  settings.scroll = number(u"scroll_flag");
  settings.liftOff = number(u"liftoff_height");
  settings.sensor = number(u"sensor_flag");
  settings.highSpeed = number(u"highspeed_mode");
  settings.buttonResponse = number(u"button_respondtime");
  settings.lightSleep = number(u"light_sleep");
  settings.deepSleep = number(u"deep_sleep");
  settings.moveWakeup = number(u"move_wakeup");
  return settings;
}

}  // namespace Zorvane
