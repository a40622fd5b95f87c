#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The report format as the simulated firmware sees it. Kept apart from the
// host's own definitions on purpose: the simulator stands for a device built
// by someone else, so a host-side slip must not be mirrored here.
namespace Zorvane::SimulatorProtocol {

// One report as it travels, report id in byte 0. Usually 64 bytes; junk
// replies may be shorter.
using Frame = std::vector<std::uint8_t>;

constexpr std::size_t kFrameLength = 64;
constexpr std::uint8_t kReportId = 0x06;      // requests, replies and events
constexpr std::uint8_t kLinkReportId = 0xC0;  // dongle link reports
constexpr std::uint8_t kEventMark = 0xFA;     // byte 1 of an event report

// Byte 1 of a request.
constexpr std::uint8_t kStatusQuery = 0x05;
constexpr std::uint8_t kVersionQuery = 0x07;
constexpr std::uint8_t kResetSettings = 0x0F;
constexpr std::uint8_t kQuery10 = 0x10;
constexpr std::uint8_t kQuery11 = 0x11;
constexpr std::uint8_t kKeyTable = 0x12;
constexpr std::uint8_t kSetParameter = 0x13;
constexpr std::uint8_t kMacroWrite = 0x31;

// Byte 5 of a SetParameter request.
constexpr std::uint8_t kParamDpi = 0x01;
constexpr std::uint8_t kParamReportRate = 0x02;
constexpr std::uint8_t kParamScroll = 0x05;
constexpr std::uint8_t kParamLiftOff = 0x06;
constexpr std::uint8_t kParamSensor = 0x07;
constexpr std::uint8_t kParamHighSpeed = 0x08;
constexpr std::uint8_t kParamPairing = 0x09;
constexpr std::uint8_t kParamResponseTime = 0x0A;
constexpr std::uint8_t kParamSleep = 0x0B;
constexpr std::uint8_t kParamMoveWakeup = 0x0C;

// Byte 5 of a ResetSettings request.
constexpr std::uint8_t kResetDpi = 0x08;
constexpr std::uint8_t kResetAll = 0xFF;

// Byte 5 of an event report.
constexpr std::uint8_t kEventLink = 1;
constexpr std::uint8_t kEventDpi = 2;
constexpr std::uint8_t kEventBattery = 3;
constexpr std::uint8_t kEventWake = 6;
constexpr std::uint8_t kEventPcAction = 0x50;

inline std::uint16_t Word(const Frame& frame, std::size_t at) {
  return static_cast<std::uint16_t>(frame[at] | (frame[at + 1] << 8));
}

inline void PutWord(Frame& frame, std::size_t at, std::uint16_t value) {
  frame[at] = static_cast<std::uint8_t>(value & 0xFF);
  frame[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

// A reply starts like its request: report id, command, length, address. The
// firmware's acknowledgement of a write is just that header.
inline Frame Acknowledge(const Frame& request) {
  Frame reply(kFrameLength, 0);
  for (std::size_t i = 0; i < 5 && i < request.size(); ++i) reply[i] = request[i];
  reply[2] = 0;
  return reply;
}

inline Frame EventReport(std::uint8_t code, std::uint8_t data6, std::uint8_t data7) {
  Frame event(kFrameLength, 0);
  event[0] = kReportId;
  event[1] = kEventMark;
  event[2] = 3;
  event[5] = code;
  event[6] = data6;
  event[7] = data7;
  return event;
}

inline Frame LinkReport(bool linked) {
  Frame report(kFrameLength, 0);
  report[0] = kLinkReportId;
  report[1] = linked ? 1 : 0;
  return report;
}

}  // namespace Zorvane::SimulatorProtocol
