#include "app/device/HidVendorReports.h"

#include <algorithm>

#include "app/device/HidBackend.h"

namespace Zorvane {

HidVendorReports::HidVendorReports(const HidReportDescriptor& descriptor) {
  if (!descriptor.Valid()) {
    status_ = Status::Malformed;
    return;
  }
  numbered_ = descriptor.NumbersReports();
  // Should a device name the vendor usage twice, the reports of both count.
  bool found = false;
  int input = 0;
  int output = 0;
  std::array<bool, 256> vendorInput{};
  for (const HidCollection& collection : descriptor.Collections()) {
    if (collection.usagePage != kVendorUsagePage || collection.usage != kVendorUsage) continue;
    found = true;
    for (const auto& [id, lengths] : collection.reports) {
      if (lengths.input > 0) {
        vendorInput[id] = true;
        input = std::max(input, 1 + lengths.input);
      }
      if (lengths.output > 0) output = std::max(output, 1 + lengths.output);
    }
  }
  if (!found) {
    status_ = Status::NoVendorCollection;
    return;
  }
  // Requests and replies live in buffers of kReportLength bytes; a longer
  // report could not be written whole or would be read cut.
  if (input > kReportLength || output > kReportLength) {
    status_ = Status::TooLong;
    return;
  }
  status_ = Status::Usable;
  vendorInput_ = vendorInput;
  inputLength_ = input;
  outputLength_ = output;
}

std::size_t HidVendorReports::Deliver(std::span<const std::uint8_t> raw, std::span<std::uint8_t> out) const {
  if (raw.empty() || out.empty()) return 0;
  if (numbered_) {
    if (!vendorInput_[raw[0]]) return 0;
    const std::size_t length = std::min(raw.size(), out.size());
    std::copy_n(raw.begin(), length, out.begin());
    return length;
  }
  // Without ids the interface has one input report, and it is the vendor
  // collection's when that has input fields at all.
  if (!vendorInput_[0]) return 0;
  out[0] = 0;
  const std::size_t length = std::min(raw.size(), out.size() - 1);
  std::copy_n(raw.begin(), length, out.begin() + 1);
  return length + 1;
}

}  // namespace Zorvane
