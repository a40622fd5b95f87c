#pragma once

#include <string>
#include <string_view>

namespace Zorvane {

class SimulatorBackend;

// The text commands that drive the simulator, one per line (words separated
// by blanks; empty lines and lines starting with '#' do nothing):
//
//   plug wired|dongle|other     unplug wired|dongle|other
//   mouse on|off                link lost|ok
//   dpi                         the DPI button
//   battery LEVEL [charging]    a battery reading, LEVEL 0..100
//   press TYPE VALUE            a button bound to a PC-side function (0..255 each)
//   wake                        the mouse wakes from sleep
//   slow [MS]                   replies after MS ms (300, at most 10000)
//   silent | junk | normal      no replies, garbage replies, proper replies
//   show                        a summary of the world
//   help                        this list
class SimulatorCommands {
 public:
  struct Result {
    bool ok = false;
    std::string message;  // what happened, or why nothing did
  };

  static Result Run(SimulatorBackend& simulator, std::string_view line);
  static const char* Help();
};

}  // namespace Zorvane
