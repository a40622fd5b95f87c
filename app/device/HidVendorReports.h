#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "app/device/HidReportDescriptor.h"

namespace Zorvane {

// What the program uses of an interface's report descriptor: the reports of
// the vendor collection (usage page 0xFFB2, usage 1).
//
// A hidraw node delivers the input reports of every collection of its USB
// interface; Deliver() lets through only the vendor collection's, which is
// what a handle opened for that one collection would read.
class HidVendorReports {
 public:
  enum class Status {
    Usable,
    Unreadable,          // no descriptor could be read
    Malformed,           // the descriptor does not parse
    NoVendorCollection,  // no collection with the vendor usage
    TooLong,             // a vendor input or output report above kReportLength
  };

  // Unreadable.
  HidVendorReports() = default;
  explicit HidVendorReports(const HidReportDescriptor& descriptor);

  Status GetStatus() const { return status_; }
  bool Usable() const { return status_ == Status::Usable; }
  // The longest vendor report of the kind, report id byte included (also
  // when the descriptor numbers no reports: the caller's reports always lead
  // with the id); 0 when there is none or the descriptor is not usable.
  int InputReportLength() const { return inputLength_; }
  int OutputReportLength() const { return outputLength_; }

  // Turns one report as read from the node into the caller's form, report id
  // in byte 0 (a 0 put in front when reports carry no id), cut to the size of
  // `out`. Returns its length, or 0 when it is not a vendor input report and
  // is to be dropped (also for an empty read or an empty `out`).
  std::size_t Deliver(std::span<const std::uint8_t> raw, std::span<std::uint8_t> out) const;

 private:
  Status status_ = Status::Unreadable;
  bool numbered_ = false;
  std::array<bool, 256> vendorInput_{};  // by report id
  int inputLength_ = 0;
  int outputLength_ = 0;
};

}  // namespace Zorvane
