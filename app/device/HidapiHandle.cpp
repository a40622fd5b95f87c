#include "app/device/HidapiHandle.h"

#include <hidapi.h>

#include <algorithm>
#include <chrono>

namespace Zorvane {

HidapiHandle::HidapiHandle(hid_device_* device, const HidVendorReports& reports) : device_(device), reports_(reports) {}

HidapiHandle::~HidapiHandle() {
  hid_close(device_);
}

int HidapiHandle::Write(const std::uint8_t* data, std::size_t length) {
  if (data == nullptr || length == 0) return -1;
  return hid_write(device_, data, length);
}

int HidapiHandle::ReadTimeout(std::uint8_t* data, std::size_t length, int milliseconds) {
  if (data == nullptr || length == 0) return -1;
  return ReadFiltered(
      reports_,
      [this](std::uint8_t* buffer, std::size_t size, int wait) {
        return hid_read_timeout(device_, buffer, size, wait);
      },
      scratch_, std::span(data, length), milliseconds);
}

int HidapiHandle::ReadFiltered(const HidVendorReports& reports, const RawRead& read, std::span<std::uint8_t> scratch,
                               std::span<std::uint8_t> out, int milliseconds) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(std::max(milliseconds, 0));
  int afterDeadline = 0;
  for (;;) {
    int wait = -1;
    if (milliseconds >= 0) {
      auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
      wait = static_cast<int>(std::max<decltype(left)>(left, 0));
    }
    const int got = read(scratch.data(), scratch.size(), wait);
    if (got <= 0) return got < 0 ? -1 : 0;
    const std::size_t delivered =
        reports.Deliver(scratch.first(std::min(static_cast<std::size_t>(got), scratch.size())), out);
    if (delivered > 0) return static_cast<int>(delivered);
    if (wait == 0 && ++afterDeadline >= kQueuedReports) return 0;
  }
}

}  // namespace Zorvane
