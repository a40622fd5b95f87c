#include "app/device/sim/SimulatedMouse.h"

#include <algorithm>

namespace Zorvane {

using namespace SimulatorProtocol;

namespace {

constexpr std::size_t kMacroPieceMax = 59;  // data bytes 5..63
constexpr std::uint8_t kStatusLength = 38;  // data bytes 5..42

std::uint8_t Low(int value) {
  return static_cast<std::uint8_t>(value & 0xFF);
}

}  // namespace

std::optional<Frame> SimulatedMouse::Handle(const Frame& request, Path path) {
  switch (request[1]) {
    case kStatusQuery:
      return StatusReply(request, path);
    case kVersionQuery:
      return VersionReply(request);
    case kQuery10:
    case kQuery11:
      return Acknowledge(request);
    case kSetParameter:
      SetParameter(request);
      return Acknowledge(request);
    case kKeyTable:
      WriteKeyTable(request);
      return Acknowledge(request);
    case kMacroWrite:
      WriteMacroMemory(request);
      return Acknowledge(request);
    case kResetSettings:
      Reset(request[5]);
      return std::nullopt;
    default:
      return std::nullopt;
  }
}

Frame SimulatedMouse::StatusReply(const Frame& request, Path path) const {
  Frame reply = Acknowledge(request);
  reply[2] = kStatusLength;
  reply[9] = state_.firmwareBuild;
  reply[10] = state_.firmwareMajorMinor;
  reply[11] = path == Path::Cable ? 0 : 1;
  reply[12] = 1;  // a mouse that answers is online
  reply[13] = Low(state_.batteryLevel);
  reply[14] = state_.charging ? 1 : 0;
  reply[17] = Low(state_.dpiIndex);
  for (std::size_t stage = 0; stage < 6; ++stage) PutWord(reply, 18 + 2 * stage, state_.dpiStages[stage]);
  reply[30] = state_.reportRate;
  reply[31] = state_.reportFlag;
  reply[32] = state_.scroll;
  reply[33] = state_.liftOff;
  reply[34] = state_.sensor;
  reply[35] = state_.highSpeed;
  reply[36] = state_.responseTime;
  PutWord(reply, 37, state_.lightSleep);
  PutWord(reply, 39, state_.deepSleep);
  reply[41] = state_.moveWakeup;
  reply[42] = state_.moveCloseLight;
  return reply;
}

Frame SimulatedMouse::VersionReply(const Frame& request) const {
  // The mouse has no dongle version to give: byte 5 stays 0. Through a
  // dongle the dongle answers this query itself.
  return Acknowledge(request);
}

void SimulatedMouse::SetParameter(const Frame& request) {
  switch (request[5]) {
    case kParamDpi:
      SetDpi(request);
      break;
    case kParamReportRate:
      state_.reportRate = request[6];
      break;
    case kParamScroll:
      state_.scroll = request[6];
      break;
    case kParamLiftOff:
      state_.liftOff = request[6];
      break;
    case kParamSensor:
      state_.sensor = request[6];
      break;
    case kParamHighSpeed:
      state_.highSpeed = request[6];
      break;
    case kParamResponseTime:
      state_.responseTime = request[6];
      break;
    case kParamSleep:
      state_.lightSleep = Word(request, 6);
      state_.deepSleep = Word(request, 8);
      break;
    case kParamMoveWakeup:
      state_.moveWakeup = request[6];
      break;
    default:
      break;  // pairing means nothing to the mouse; unknown ids are ignored
  }
}

void SimulatedMouse::SetDpi(const Frame& request) {
  int count = request[6];
  int index = request[7];
  // A stage the mouse does not have would leave the table inconsistent; the
  // firmware refuses the whole parameter instead.
  if (count < 1 || count > SimulatedMouseState::kDpiStages || index >= count) return;
  int dpi = Word(request, 8);
  state_.dpiCount = count;
  state_.dpiIndex = index;
  // Whole steps of 50 DPI; anything below the lowest step becomes 50.
  state_.dpiStages[static_cast<std::size_t>(index)] = static_cast<std::uint16_t>(std::max(dpi / 50, 1) - 1);
}

void SimulatedMouse::WriteKeyTable(const Frame& request) {
  // Nine slots although the length byte announces 32 data bytes: the host
  // sends the ninth all the same and the firmware takes it.
  for (std::size_t slot = 0; slot < state_.keyTable.size(); ++slot)
    std::copy_n(request.begin() + static_cast<std::ptrdiff_t>(5 + 4 * slot), 4, state_.keyTable[slot].begin());
}

void SimulatedMouse::WriteMacroMemory(const Frame& request) {
  std::size_t length = request[2];
  std::size_t address = Word(request, 3);
  if (length > kMacroPieceMax || address + length > state_.macroMemory.size()) return;
  std::copy_n(request.begin() + 5, length, state_.macroMemory.begin() + static_cast<std::ptrdiff_t>(address));
}

void SimulatedMouse::Reset(std::uint8_t selector) {
  const SimulatedMouseState factory;
  if (selector == kResetDpi) {
    state_.dpiCount = factory.dpiCount;
    state_.dpiIndex = factory.dpiIndex;
    state_.dpiStages = factory.dpiStages;
  } else if (selector == kResetAll) {
    // Settings only: the switch, the battery and the firmware stay as they are.
    SimulatedMouseState reset = factory;
    reset.poweredOn = state_.poweredOn;
    reset.batteryLevel = state_.batteryLevel;
    reset.charging = state_.charging;
    reset.firmwareMajorMinor = state_.firmwareMajorMinor;
    reset.firmwareBuild = state_.firmwareBuild;
    state_ = reset;
  }
}

Frame SimulatedMouse::PressDpiButton() {
  state_.dpiIndex = (state_.dpiIndex + 1) % state_.dpiCount;
  return EventReport(kEventDpi, Low(state_.dpiIndex), 0);
}

Frame SimulatedMouse::SetBattery(int level, bool charging) {
  state_.batteryLevel = std::clamp(level, 0, 100);
  state_.charging = charging;
  return EventReport(kEventBattery, Low(state_.batteryLevel), charging ? 1 : 0);
}

Frame SimulatedMouse::PcActionEvent(int type, int value) {
  return EventReport(kEventPcAction, Low(type), Low(value));
}

Frame SimulatedMouse::LinkEvent(bool justPaired) {
  return EventReport(kEventLink, justPaired ? 1 : 0, 0);
}

Frame SimulatedMouse::WakeEvent() {
  return EventReport(kEventWake, 0, 0);
}

}  // namespace Zorvane
