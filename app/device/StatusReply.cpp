#include "app/device/StatusReply.h"

#include "app/device/InputReport.h"

namespace Zorvane {
namespace {

int Word(const Report& reply, std::size_t at) {
  return reply[at] | (reply[at + 1] << 8);
}

}  // namespace

StatusReply StatusReply::Parse(const Report& reply) {
  StatusReply status;
  status.firmwareBuild = reply[9];
  status.firmwareMajorMinor = reply[10];
  status.mode = reply[11];
  status.online = reply[12] != 0;
  status.battery = reply[13];
  status.charging = reply[14] == 1;
  status.dpiStageIndex = reply[17];
  for (int stage = 0; stage < kReportedStages; ++stage)
    status.stageDpi[stage] = (Word(reply, 18 + 2 * static_cast<std::size_t>(stage)) + 1) * 50;
  status.reportRate = reply[30];
  status.reportFlag = reply[31];
  status.scroll = reply[32];
  status.liftOff = reply[33];
  status.sensor = reply[34];
  status.highSpeed = reply[35];
  status.buttonResponse = reply[36];
  status.lightSleep = Word(reply, 37);
  status.deepSleep = Word(reply, 39);
  status.moveWakeup = reply[41];
  status.moveCloseLight = reply[42];
  return status;
}

Nuvex::CString StatusReply::FirmwareVersion() const {
  return InputReport::VersionText(firmwareMajorMinor, firmwareBuild);
}

std::vector<StatusReply::ConfigValue> StatusReply::ConfigValues() const {
  return {
      {u"dpi_group0_value", stageDpi[0]},
      {u"dpi_group1_value", stageDpi[1]},
      {u"dpi_group2_value", stageDpi[2]},
      {u"dpi_group3_value", stageDpi[3]},
      {u"dpi_group4_value", stageDpi[4]},
      {u"dpi_group5_value", stageDpi[5]},
      {u"report_rate", reportRate},
      {u"report_flag", reportFlag},
      {u"scroll_flag", scroll},
      {u"liftoff_height", liftOff},
      {u"sensor_flag", sensor},
      {u"highspeed_mode", highSpeed},
      {u"button_respondtime", buttonResponse},
      {u"light_sleep", lightSleep},
      {u"deep_sleep", deepSleep},
      {u"move_wakeup", moveWakeup},
      {u"move_closelight", moveCloseLight},
  };
}

}  // namespace Zorvane
