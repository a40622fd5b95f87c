#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <span>
#include <vector>

namespace Zorvane {

// Lengths of one report in bytes, the report id byte not counted; 0 when the
// report has no fields of that kind.
struct HidReportLengths {
  int input = 0;
  int output = 0;
  int feature = 0;

  friend bool operator==(const HidReportLengths&, const HidReportLengths&) = default;
};

// A top-level collection and the reports that carry its fields.
struct HidCollection {
  std::uint16_t usagePage = 0;
  std::uint16_t usage = 0;
  // Report id (0 when the descriptor numbers no reports) -> the whole
  // report's lengths. A kind of report counts only when one of its fields
  // lies in this collection.
  std::map<std::uint8_t, HidReportLengths> reports;
};

// The top-level collections of a HID report descriptor, as the kernel sees
// them on a hidraw node.
//
// The bytes come from the device, so parsing takes anything: it is one pass
// over the bytes with bounded nesting and push depth, lengths saturate
// instead of overflowing, and a descriptor the kernel would not accept
// (truncated item, unbalanced collection or pop, report id 0 or above 255)
// makes Valid() false.
class HidReportDescriptor {
 public:
  static constexpr int kMaxNesting = 64;
  static constexpr int kMaxPushes = 16;
  // Far above any real report (the kernel stops at 16 KiB); keeps every
  // length within an int.
  static constexpr std::uint64_t kMaxReportBits = std::uint64_t{1} << 20;

  explicit HidReportDescriptor(std::span<const std::uint8_t> bytes);

  bool Valid() const { return valid_; }
  // Whether reports carry a report id byte on the wire.
  bool NumbersReports() const { return numbersReports_; }
  // In descriptor order; those found before a fault when it is not valid.
  const std::vector<HidCollection>& Collections() const { return collections_; }

 private:
  void Parse(std::span<const std::uint8_t> bytes);

  bool valid_ = true;
  bool numbersReports_ = false;
  std::vector<HidCollection> collections_;
};

}  // namespace Zorvane
