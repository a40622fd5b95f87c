#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Zorvane {

// One top-level collection of a HID interface, as the enumeration lists it.
// An interface with several collections appears once per collection, all
// entries with the same path.
struct HidDeviceInfo {
  std::string path;
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
  std::uint16_t releaseNumber = 0;
  std::uint16_t usagePage = 0;
  std::uint16_t usage = 0;
  int interfaceNumber = -1;  // USB interface, -1 when unknown
};

// An open HID interface. Reports carry their report id in byte 0.
class HidHandle {
 public:
  virtual ~HidHandle() = default;
  // Bytes written, or a value <= 0 on failure.
  virtual int Write(const std::uint8_t* data, std::size_t length) = 0;
  // Bytes of one input report, 0 on time-out, -1 on error.
  virtual int ReadTimeout(std::uint8_t* data, std::size_t length, int milliseconds) = 0;
  // Report lengths of the vendor collection, report id byte included.
  virtual int OutputReportLength() const = 0;
  virtual int InputReportLength() const = 0;
};

// Where HID devices come from: the system's HID devices or the simulator.
// Chosen once at start-up; the device layer knows only this interface.
//
// Thread rule: the device manager serialises its calls; the arrival test may
// run on the UI thread meanwhile, so IsVendorInterface must not share state
// with open handles.
class HidBackend {
 public:
  virtual ~HidBackend() = default;

  // False while the HID subsystem cannot be used; retried by every caller.
  virtual bool Init() = 0;
  // Every HID collection present, no filter.
  virtual std::vector<HidDeviceInfo> Enumerate() = 0;
  // The interface at `path` opened for the vendor collection's reports (on
  // an interface with several collections, reads deliver only those); null
  // when it cannot be opened.
  virtual std::unique_ptr<HidHandle> Open(const std::string& path) = 0;
  // Whether the interface at `path` carries the vendor collection (usage
  // page 0xFFB2, usage 1). Opens and closes it on its own.
  virtual bool IsVendorInterface(const std::string& path) = 0;
};

// The vendor collection every supported mouse and dongle talks through.
constexpr std::uint16_t kVendorUsagePage = 0xFFB2;
constexpr std::uint16_t kVendorUsage = 1;
// Every report of the vendor collection is this long, report id included.
constexpr int kReportLength = 64;

}  // namespace Zorvane
