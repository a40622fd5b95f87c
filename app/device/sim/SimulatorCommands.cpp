#include "app/device/sim/SimulatorCommands.h"

#include <charconv>
#include <cstdio>
#include <optional>
#include <vector>

#include "app/device/sim/SimulatorBackend.h"

namespace Zorvane {
namespace {

using Result = SimulatorCommands::Result;

std::vector<std::string_view> Words(std::string_view line) {
  std::vector<std::string_view> words;
  std::size_t at = 0;
  while (at < line.size()) {
    std::size_t start = line.find_first_not_of(" \t\r\n", at);
    if (start == std::string_view::npos) break;
    std::size_t end = line.find_first_of(" \t\r\n", start);
    if (end == std::string_view::npos) end = line.size();
    words.push_back(line.substr(start, end - start));
    at = end;
  }
  return words;
}

std::optional<int> Number(std::string_view word, int low, int high) {
  int value = 0;
  auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
  if (error != std::errc() || end != word.data() + word.size() || value < low || value > high) return std::nullopt;
  return value;
}

std::optional<SimulatedPort> Port(std::string_view word) {
  if (word == "wired") return SimulatedPort::Wired;
  if (word == "dongle") return SimulatedPort::Dongle;
  if (word == "other") return SimulatedPort::Other;
  return std::nullopt;
}

Result Done(std::string message) {
  return {true, std::move(message)};
}

Result Refused(std::string message) {
  return {false, std::move(message)};
}

Result Sent(bool reached, const std::string& what) {
  if (reached) return Done(what);
  return Done(what + " (the mouse is unreachable: nobody heard it)");
}

std::string Version(int majorMinor, int build) {
  char text[32];
  std::snprintf(text, sizeof text, "%x.%x.%d", majorMinor >> 4, majorMinor & 0x0F, build);
  return text;
}

std::string Describe(const SimulatorSnapshot& world) {
  static const char* const kModes[] = {"normal", "slow", "silent", "junk"};
  const SimulatedMouseState& mouse = world.mouse;
  std::string text =
      std::string("cable ") + (world.wiredPlugged ? "in" : "out") + ", dongle " + (world.donglePlugged ? "in" : "out");
  if (world.donglePlugged)
    text += world.linked ? " (linked)" : world.pairing ? " (pairing)" : world.paired ? " (not linked)" : " (unpaired)";
  text += std::string(", other keyboard ") + (world.otherPlugged ? "in" : "out");
  text += std::string("; mouse ") + (mouse.poweredOn ? "on" : "off") + (world.mouseInRange ? "" : ", out of range");
  text += ", battery " + std::to_string(mouse.batteryLevel) + "%" + (mouse.charging ? " charging" : "");
  text += ", DPI stage " + std::to_string(mouse.dpiIndex) + " of " + std::to_string(mouse.dpiCount) + " (" +
          std::to_string(mouse.StageDpi(mouse.dpiIndex)) + ")";
  text += "; firmware " + Version(mouse.firmwareMajorMinor, mouse.firmwareBuild) + ", dongle " +
          Version(world.dongleFirmwareMajorMinor, world.dongleFirmwareBuild);
  text += std::string("; replies ") + kModes[static_cast<int>(world.responseMode)];
  return text;
}

}  // namespace

const char* SimulatorCommands::Help() {
  return "commands: plug wired|dongle|other, unplug wired|dongle|other, mouse on|off, link lost|ok, dpi, "
         "battery LEVEL [charging], press TYPE VALUE, wake, slow [MS], silent, junk, normal, show, help";
}

SimulatorCommands::Result SimulatorCommands::Run(SimulatorBackend& simulator, std::string_view line) {
  std::vector<std::string_view> words = Words(line);
  if (words.empty() || words[0].front() == '#') return Done("");
  std::string_view verb = words[0];
  std::size_t count = words.size();

  if ((verb == "plug" || verb == "unplug") && count == 2) {
    std::optional<SimulatedPort> port = Port(words[1]);
    if (!port) return Refused("plug and unplug take wired, dongle or other");
    bool plug = verb == "plug";
    bool changed = plug ? simulator.Plug(*port) : simulator.Unplug(*port);
    std::string what(words[1]);
    return Done(what + (changed ? (plug ? " plugged in" : " unplugged") : (plug ? " was plugged in" : " was not in")));
  }
  if (verb == "mouse" && count == 2 && (words[1] == "on" || words[1] == "off")) {
    simulator.SwitchMouse(words[1] == "on");
    return Done(std::string("mouse switched ") + std::string(words[1]));
  }
  if (verb == "link" && count == 2 && (words[1] == "lost" || words[1] == "ok")) {
    simulator.SetMouseInRange(words[1] == "ok");
    return Done(words[1] == "ok" ? "mouse back in range" : "mouse out of range");
  }
  if (verb == "dpi" && count == 1) return Sent(simulator.PressDpiButton(), "DPI button pressed");
  if (verb == "battery" && (count == 2 || (count == 3 && words[2] == "charging"))) {
    std::optional<int> level = Number(words[1], 0, 100);
    if (!level) return Refused("battery takes a level of 0 to 100");
    return Sent(simulator.SetBattery(*level, count == 3), "battery " + std::to_string(*level) + "%");
  }
  if (verb == "press" && count == 3) {
    std::optional<int> type = Number(words[1], 0, 255);
    std::optional<int> value = Number(words[2], 0, 255);
    if (!type || !value) return Refused("press takes a function type and a value, 0 to 255 each");
    return Sent(simulator.PressPcActionButton(*type, *value), "button pressed");
  }
  if (verb == "wake" && count == 1) return Sent(simulator.WakeMouse(), "mouse woke up");
  if (verb == "slow" && count <= 2) {
    std::optional<int> delay =
        count == 2 ? Number(words[1], 0, 10000) : static_cast<int>(SimulatorBackend::kSlowDelay.count());
    if (!delay) return Refused("slow takes a delay of 0 to 10000 ms");
    simulator.SetResponseMode(ResponseMode::Slow, std::chrono::milliseconds(*delay));
    return Done("replies after " + std::to_string(*delay) + " ms");
  }
  if (count == 1 && (verb == "silent" || verb == "junk" || verb == "normal")) {
    ResponseMode mode = verb == "silent" ? ResponseMode::Silent
                        : verb == "junk" ? ResponseMode::Junk
                                         : ResponseMode::Normal;
    simulator.SetResponseMode(mode);
    return Done("replies " + std::string(verb));
  }
  if (verb == "show" && count == 1) return Done(Describe(simulator.Snapshot()));
  if (verb == "help" && count == 1) return Done(Help());
  return Refused("not understood: '" + std::string(line.substr(0, 80)) + "'; " + Help());
}

}  // namespace Zorvane
