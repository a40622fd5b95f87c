#include "app/device/HidReportDescriptor.h"

#include <algorithm>
#include <array>

namespace Zorvane {

namespace {

constexpr int kMainItem = 0;
constexpr int kGlobalItem = 1;
constexpr int kLocalItem = 2;

constexpr int kInputTag = 0x8;
constexpr int kOutputTag = 0x9;
constexpr int kCollectionTag = 0xA;
constexpr int kFeatureTag = 0xB;
constexpr int kEndCollectionTag = 0xC;

constexpr int kUsagePageTag = 0x0;
constexpr int kReportSizeTag = 0x7;
constexpr int kReportIdTag = 0x8;
constexpr int kReportCountTag = 0x9;
constexpr int kPushTag = 0xA;
constexpr int kPopTag = 0xB;

constexpr int kUsageTag = 0x0;

constexpr std::uint8_t kLongItemPrefix = 0xFE;

// Input, output, feature: the three kinds of report.
constexpr int kKinds = 3;
constexpr int kIds = 256;

struct GlobalState {
  std::uint32_t usagePage = 0;
  std::uint32_t reportSize = 0;
  std::uint32_t reportCount = 0;
  std::uint8_t reportId = 0;
};

int KindOf(int tag) {
  switch (tag) {
    case kInputTag:
      return 0;
    case kOutputTag:
      return 1;
    default:
      return 2;
  }
}

int BytesOf(std::uint64_t bits) {
  return static_cast<int>((bits + 7) / 8);
}

}  // namespace

HidReportDescriptor::HidReportDescriptor(std::span<const std::uint8_t> bytes) {
  Parse(bytes);
}

void HidReportDescriptor::Parse(std::span<const std::uint8_t> bytes) {
  GlobalState global;
  std::vector<GlobalState> pushed;
  // Only the first usage of a main item matters: it names a collection.
  bool haveUsage = false;
  std::uint32_t usage = 0;
  bool usageHasPage = false;

  int depth = 0;
  int top = -1;  // index of the open top-level collection
  // The whole length of every report, and which kinds of each report have
  // fields inside each collection.
  std::vector<std::uint64_t> reportBits(kKinds * kIds, 0);
  std::vector<std::map<std::uint8_t, std::array<bool, kKinds>>> present;
  bool unnumberedFields = false;

  std::size_t pos = 0;
  while (pos < bytes.size()) {
    const std::uint8_t prefix = bytes[pos];
    if (prefix == kLongItemPrefix) {
      // No long item is defined; skipped whole.
      if (bytes.size() - pos < 3 || bytes.size() - pos - 3 < bytes[pos + 1]) {
        valid_ = false;
        break;
      }
      pos += 3 + bytes[pos + 1];
      continue;
    }
    const std::size_t dataSize = (prefix & 3) == 3 ? 4 : (prefix & 3);
    if (bytes.size() - pos - 1 < dataSize) {
      valid_ = false;
      break;
    }
    std::uint32_t data = 0;
    for (std::size_t i = 0; i < dataSize; ++i) data |= std::uint32_t{bytes[pos + 1 + i]} << (8 * i);
    pos += 1 + dataSize;
    const int type = (prefix >> 2) & 3;
    const int tag = prefix >> 4;

    if (type == kMainItem) {
      if (tag == kCollectionTag) {
        if (depth == kMaxNesting) {
          valid_ = false;
          break;
        }
        if (depth == 0) {
          HidCollection collection;
          collection.usagePage = static_cast<std::uint16_t>(usageHasPage ? usage >> 16 : global.usagePage);
          collection.usage = static_cast<std::uint16_t>(haveUsage ? usage : 0);
          collections_.push_back(collection);
          present.emplace_back();
          top = static_cast<int>(collections_.size()) - 1;
        }
        ++depth;
      } else if (tag == kEndCollectionTag) {
        if (depth == 0) {
          valid_ = false;
          break;
        }
        --depth;
      } else if (tag == kInputTag || tag == kOutputTag || tag == kFeatureTag) {
        const int kind = KindOf(tag);
        const std::uint64_t bits =
            std::min<std::uint64_t>(std::uint64_t{global.reportSize} * global.reportCount, kMaxReportBits);
        std::uint64_t& total = reportBits[kind * kIds + global.reportId];
        total = std::min(total + bits, kMaxReportBits);
        if (global.reportId == 0)
          unnumberedFields = true;
        else
          numbersReports_ = true;
        if (depth > 0) {
          auto [entry, added] = present[top].try_emplace(global.reportId);
          if (added) entry->second.fill(false);
          entry->second[kind] = true;
        }
      }
      haveUsage = false;
      usageHasPage = false;
    } else if (type == kGlobalItem) {
      switch (tag) {
        case kUsagePageTag:
          global.usagePage = data;
          break;
        case kReportSizeTag:
          global.reportSize = data;
          break;
        case kReportCountTag:
          global.reportCount = data;
          break;
        case kReportIdTag:
          if (data == 0 || data >= kIds) valid_ = false;
          global.reportId = static_cast<std::uint8_t>(data);
          break;
        case kPushTag:
          if (static_cast<int>(pushed.size()) == kMaxPushes)
            valid_ = false;
          else
            pushed.push_back(global);
          break;
        case kPopTag:
          if (pushed.empty()) {
            valid_ = false;
          } else {
            global = pushed.back();
            pushed.pop_back();
          }
          break;
        default:
          break;
      }
      if (!valid_) break;
    } else if (type == kLocalItem && tag == kUsageTag && !haveUsage) {
      haveUsage = true;
      usage = data;
      // A four-byte usage carries its own page in the upper half.
      usageHasPage = dataSize == 4;
    }
  }
  if (depth != 0) valid_ = false;
  // Reports either all carry an id or none does; a mix has no meaning on the wire.
  if (unnumberedFields && numbersReports_) valid_ = false;

  for (std::size_t i = 0; i < collections_.size(); ++i) {
    for (const auto& [id, kinds] : present[i]) {
      HidReportLengths& lengths = collections_[i].reports[id];
      if (kinds[0]) lengths.input = BytesOf(reportBits[0 * kIds + id]);
      if (kinds[1]) lengths.output = BytesOf(reportBits[1 * kIds + id]);
      if (kinds[2]) lengths.feature = BytesOf(reportBits[2 * kIds + id]);
    }
  }
}

}  // namespace Zorvane
