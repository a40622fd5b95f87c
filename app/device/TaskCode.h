#pragma once

namespace Zorvane {

// Codes of the device worker's queue. The queue holds plain numbers; the
// names are for reading.
//
//  code  queued by                                   work
//   1    start-up                                    first read-back, unless done or no device
//   2    device arrival, end of pairing              wait 1 s, re-enumerate, read back, then code 1
//   3    device removal                              wait 0.5 s, re-enumerate, read back
//   4    another model chosen                        profiles, pages, read back, close wait dialog
//   5    profile switch, profile import              refresh pages, write everything
//   6    macro change, every read-back               upload the macro memory
//   7    key assignment saved                        send the key table
//  10-18 settings pages                              set one parameter on the mouse
//  22    page reset                                  lighting refresh or DPI reset command
//  23    restore all defaults                        factory reset, read back, refresh
//  9,24  lighting change, import (large models)      nothing
enum TaskCode : int {
  kInitialReadBack = 1,
  kDeviceArrived = 2,
  kDeviceRemoved = 3,
  kModelSwitched = 4,
  kWriteAll = 5,
  kWriteMacros = 6,
  kWriteKeys = 7,
  kLightingChanged = 9,
  kWriteDpi = 10,
  kWriteReportRate = 11,
  kWriteSensor = 12,
  kWriteButtonResponse = 13,
  kWriteScroll = 14,
  kWriteLiftOff = 15,
  kWriteHighSpeed = 16,
  kWriteSleep = 17,
  kWriteMoveWakeup = 18,
  kPageReset = 22,
  kFactoryReset = 23,
  kLightingImported = 24,
};

}  // namespace Zorvane
