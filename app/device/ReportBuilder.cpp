#include "app/device/ReportBuilder.h"

#include <algorithm>

#include "app/features/KeyModel.h"

namespace Zorvane {
namespace {

constexpr std::uint8_t kReportId = 0x06;
constexpr std::size_t kDataStart = 5;
constexpr std::size_t kDataLength = kReportLength - kDataStart;  // 59

// The key table's length byte announces 32 data bytes although nine 4-byte
// slots (36 bytes) are sent; kept as the mice have always received it.
constexpr std::uint8_t kKeyTableLength = 0x20;

// Factory code of each slot (key code), the code of its built-in default:
//
// | slot | frame bytes | code        |
// |------|-------------|-------------|
// | 0    | 5-8         | 10 01 00 00 |
// | 1    | 9-12        | 10 02 00 00 |
// | 2    | 13-16       | 10 04 00 00 |
// | 3    | 17-20       | 10 10 00 00 |
// | 4    | 21-24       | 10 08 00 00 |
// | 5    | 25-28       | 10 20 00 00 |
// | 6    | 29-32       | 10 40 00 00 |
// | 7    | 33-36       | 1F 01 00 00 |
// | 8    | 37-40       | 1F 00 00 00 |
constexpr KeySlotCode kFactoryCodes[kKeySlotCount] = {
    {0x10, 0x01, 0x00, 0x00}, {0x10, 0x02, 0x00, 0x00}, {0x10, 0x04, 0x00, 0x00},
    {0x10, 0x10, 0x00, 0x00}, {0x10, 0x08, 0x00, 0x00}, {0x10, 0x20, 0x00, 0x00},
    {0x10, 0x40, 0x00, 0x00}, {0x1F, 0x01, 0x00, 0x00}, {0x1F, 0x00, 0x00, 0x00},
};

std::uint8_t Low(int value) {
  return static_cast<std::uint8_t>(value & 0xFF);
}

void PutWord(Report& report, std::size_t at, int value) {
  report[at] = Low(value);
  report[at + 1] = Low(value >> 8);
}

void PutSlot(Report& report, int slot, const KeySlotCode& code) {
  std::copy(code.begin(), code.end(), report.begin() + kDataStart + 4 * static_cast<std::size_t>(slot));
}

}  // namespace

Report ReportBuilder::Request(std::uint8_t command, std::uint8_t length, std::uint16_t address) {
  Report report{};
  report[0] = kReportId;
  report[1] = command;
  report[2] = length;
  PutWord(report, 3, address);
  return report;
}

Report ReportBuilder::ResetSettings(ResetSelector selector) {
  Report report = Request(kResetSettings, 1);
  report[5] = selector;
  return report;
}

std::optional<Report> ReportBuilder::SetParameter(std::uint8_t parameter, const ProfileSettings& settings) {
  auto withValue = [parameter](std::uint8_t length, int value) {
    Report report = Request(kSetParameter, length);
    report[5] = parameter;
    report[6] = Low(value);
    return report;
  };
  switch (parameter) {
    case kParamDpi: {
      int stages = std::clamp(settings.dpiCount, 1, ProfileSettings::kDpiStages);
      int index = std::clamp(settings.dpiIndex, 0, stages - 1);
      Report report = withValue(5, settings.dpiCount);
      report[7] = Low(index);
      PutWord(report, 8, settings.dpiStages[index]);
      return report;
    }
    case kParamReportRate:
      return withValue(2, settings.reportRate);
    case kParamScroll:
      return withValue(4, settings.scroll);
    case kParamLiftOff:
      return withValue(2, settings.liftOff);
    case kParamSensor:
      return withValue(2, settings.sensor);
    case kParamHighSpeed:
      return withValue(2, settings.highSpeed);
    case kParamPairing:
      return withValue(1, 0);
    case kParamButtonResponse:
      return withValue(2, settings.buttonResponse);
    case kParamSleep: {
      Report report = Request(kSetParameter, 5);
      report[5] = parameter;
      PutWord(report, 6, settings.lightSleep);
      PutWord(report, 8, settings.deepSleep);
      return report;
    }
    case kParamMoveWakeup:
      return withValue(2, settings.moveWakeup);
    default:
      return std::nullopt;
  }
}

std::optional<KeySlotCode> ReportBuilder::FactoryCode(int slot) {
  if (slot < 0 || slot >= kKeySlotCount) return std::nullopt;
  return kFactoryCodes[slot];
}

Report ReportBuilder::KeyTable(const std::vector<KeyAssignment>& keys, const std::vector<MacroRecord>& macrosOnDevice) {
  Report report = Request(kKeyTable, kKeyTableLength);
  for (int slot = 0; slot < kKeySlotCount; ++slot) PutSlot(report, slot, kFactoryCodes[slot]);
  for (const KeyAssignment& key : keys) {
    if (key.key_code < 0 || key.key_code >= kKeySlotCount) continue;  // no slot: would land past the table
    if (std::optional<KeySlotCode> code = KeyModel::DeviceCode(key, macrosOnDevice))
      PutSlot(report, key.key_code, *code);
  }
  return report;
}

Report ReportBuilder::MacroWrite(std::uint16_t address, std::uint8_t length, std::span<const std::uint8_t> data) {
  Report report = Request(kMacroWrite, length, address);
  std::size_t count = std::min(data.size(), kDataLength);
  std::copy(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(count), report.begin() + kDataStart);
  return report;
}

}  // namespace Zorvane
