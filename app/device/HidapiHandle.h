#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

#include "app/device/HidBackend.h"
#include "app/device/HidVendorReports.h"

struct hid_device_;

namespace Zorvane {

// An interface opened through hidapi, reading only its vendor collection's
// input reports. Closes the device when it goes.
class HidapiHandle final : public HidHandle {
 public:
  // Takes ownership of `device`; `reports` must be usable.
  HidapiHandle(hid_device_* device, const HidVendorReports& reports);
  ~HidapiHandle() override;
  HidapiHandle(const HidapiHandle&) = delete;
  HidapiHandle& operator=(const HidapiHandle&) = delete;

  int Write(const std::uint8_t* data, std::size_t length) override;
  // Reports of the interface's other collections are dropped and the wait
  // goes on for what is left of `milliseconds` (< 0: without limit). When it
  // is used up, reports already queued are still looked through, a bounded
  // number, so a reply behind a burst of mouse reports is not missed.
  int ReadTimeout(std::uint8_t* data, std::size_t length, int milliseconds) override;
  int OutputReportLength() const override { return reports_.OutputReportLength(); }
  int InputReportLength() const override { return reports_.InputReportLength(); }

  // One raw read from the node into the buffer, waiting at most the given
  // milliseconds (< 0: without limit): bytes read, 0 on time-out, < 0 on error.
  using RawRead = std::function<int(std::uint8_t* buffer, std::size_t length, int milliseconds)>;
  // ReadTimeout's loop over `read`, with `scratch` for the raw reports.
  static int ReadFiltered(const HidVendorReports& reports, const RawRead& read, std::span<std::uint8_t> scratch,
                          std::span<std::uint8_t> out, int milliseconds);
  // Reports looked through after the time-out: a hidraw reader's queue holds this many.
  static constexpr int kQueuedReports = 64;

 private:
  hid_device_* device_;
  HidVendorReports reports_;
  // Other collections' reports may be longer; what they hold beyond this is
  // not needed to drop them.
  std::array<std::uint8_t, 256> scratch_{};
};

}  // namespace Zorvane
