#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <deque>
#include <vector>

#include "app/device/HidReportDescriptor.h"
#include "app/device/HidVendorReports.h"
#include "app/device/HidapiHandle.h"
#include "tests/app/device/HidDescriptors.h"

using HidDescriptors::Bytes;
using Zorvane::HidapiHandle;
using Zorvane::HidReportDescriptor;
using Zorvane::HidVendorReports;

namespace {

const Bytes kMouseReport = {1, 0x01, 0x05, 0x00, 0xFB, 0xFF, 0x00};
const Bytes kVendorReport = {6, 0x05, 0x01, 0x02};

// A node whose reads come from a script: each entry is a report, an empty
// entry a time-out. Past the script every read times out at once. It notes
// the wait each read was given.
class ScriptedNode {
 public:
  explicit ScriptedNode(std::deque<Bytes> script, bool failAtEnd = false)
      : script_(std::move(script)), failAtEnd_(failAtEnd) {}

  HidapiHandle::RawRead Reader() {
    return [this](std::uint8_t* buffer, std::size_t length, int milliseconds) {
      waits_.push_back(milliseconds);
      if (script_.empty()) return failAtEnd_ ? -1 : 0;
      Bytes report = script_.front();
      script_.pop_front();
      const std::size_t n = std::min(report.size(), length);
      std::copy_n(report.begin(), n, buffer);
      return static_cast<int>(n);
    };
  }
  const std::vector<int>& Waits() const { return waits_; }

 private:
  std::deque<Bytes> script_;
  bool failAtEnd_;
  std::vector<int> waits_;
};

struct Read {
  int result;
  Bytes report;
};

Read ReadFrom(ScriptedNode& node, int milliseconds) {
  static const HidVendorReports reports{HidReportDescriptor(HidDescriptors::MouseAndVendor())};
  std::array<std::uint8_t, 256> scratch{};
  Bytes out(64);
  const int result = HidapiHandle::ReadFiltered(reports, node.Reader(), scratch, out, milliseconds);
  out.resize(std::max(result, 0));
  return {result, out};
}

}  // namespace

TEST(HidapiHandle, MouseReportsAreSkippedUntilTheVendorReport) {
  ScriptedNode node({kMouseReport, kMouseReport, kVendorReport, kMouseReport});
  const Read read = ReadFrom(node, 100);
  EXPECT_EQ(read.result, static_cast<int>(kVendorReport.size()));
  EXPECT_EQ(read.report, kVendorReport);
  EXPECT_EQ(node.Waits().size(), 3u);  // the report behind it stays queued
}

TEST(HidapiHandle, OutcomesOfARead) {
  struct Case {
    const char* name;
    std::deque<Bytes> script;
    bool failAtEnd;
    int result;
  };
  const Case cases[] = {
      {"time-out", {}, false, 0},
      {"only mouse reports, then time-out", {kMouseReport, kMouseReport}, false, 0},
      {"error", {}, true, -1},
      {"error after mouse reports", {kMouseReport}, true, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedNode node(c.script, c.failAtEnd);
    EXPECT_EQ(ReadFrom(node, 100).result, c.result);
  }
}

TEST(HidapiHandle, WaitsShrinkToTheTimeOutAndNeverGrow) {
  ScriptedNode node({kMouseReport, kMouseReport, kMouseReport});
  ReadFrom(node, 100);
  const std::vector<int>& waits = node.Waits();
  ASSERT_EQ(waits.size(), 4u);
  EXPECT_LE(waits.front(), 100);
  EXPECT_GE(waits.front(), 90);
  EXPECT_TRUE(std::is_sorted(waits.rbegin(), waits.rend()));
  EXPECT_GE(waits.back(), 0);
}

TEST(HidapiHandle, QueuedReportsAreLookedThroughAfterTheTimeOut) {
  // Time-out 0: the reports already queued are read without waiting.
  ScriptedNode behind({kMouseReport, kMouseReport, kVendorReport});
  EXPECT_EQ(ReadFrom(behind, 0).report, kVendorReport);

  // A node that never stops delivering mouse reports ends the read anyway.
  std::deque<Bytes> flood(HidapiHandle::kQueuedReports * 4, kMouseReport);
  ScriptedNode flooded(flood);
  EXPECT_EQ(ReadFrom(flooded, 0).result, 0);
  EXPECT_EQ(flooded.Waits().size(), static_cast<std::size_t>(HidapiHandle::kQueuedReports));
  EXPECT_TRUE(std::all_of(flooded.Waits().begin(), flooded.Waits().end(), [](int wait) { return wait == 0; }));
}

TEST(HidapiHandle, NegativeTimeOutWaitsWithoutLimit) {
  ScriptedNode node({kMouseReport, kVendorReport});
  EXPECT_EQ(ReadFrom(node, -1).report, kVendorReport);
  EXPECT_EQ(node.Waits(), (std::vector<int>{-1, -1}));
}
