#include "app/device/InputReport.h"

namespace Zorvane {
namespace {

constexpr std::uint8_t kEventMark = 0xFA;
constexpr std::uint8_t kLinkReportId = 0xC0;

char16_t HexDigit(int value) {
  return static_cast<char16_t>(value < 10 ? u'0' + value : u'a' + value - 10);
}

}  // namespace

std::optional<InputReport::Event> InputReport::ParseEvent(const Report& report) {
  if (report[1] != kEventMark) return std::nullopt;
  return Event{report[5], report[6], report[7]};
}

std::optional<bool> InputReport::ParseDongleLink(std::span<const std::uint8_t> report) {
  if (report.size() < 2 || report[0] != kLinkReportId) return std::nullopt;
  return report[1] == 1;
}

std::optional<Nuvex::CString> InputReport::ParseDongleVersion(const Report& reply) {
  if (reply[5] != 1) return std::nullopt;
  return VersionText(reply[10], reply[9]);
}

Nuvex::CString InputReport::VersionText(std::uint8_t majorMinor, std::uint8_t build) {
  Nuvex::CString major(HexDigit(majorMinor >> 4), 1);
  Nuvex::CString minor(HexDigit(majorMinor & 0x0F), 1);
  return Nuvex::CString().Format(u"%s.%s.%d", major, minor, static_cast<int>(build));
}

}  // namespace Zorvane
