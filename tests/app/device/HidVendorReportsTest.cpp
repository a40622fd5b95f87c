#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/device/HidReportDescriptor.h"
#include "app/device/HidVendorReports.h"
#include "tests/app/device/HidDescriptors.h"

using HidDescriptors::Bytes;
using HidDescriptors::operator+;
using Zorvane::HidReportDescriptor;
using Zorvane::HidVendorReports;
using Status = Zorvane::HidVendorReports::Status;

namespace {

HidVendorReports ReportsOf(const Bytes& bytes) {
  return HidVendorReports(HidReportDescriptor(bytes));
}

}  // namespace

TEST(HidVendorReports, StatusAndLengthsByDescriptor) {
  struct Case {
    std::string name;
    Bytes bytes;
    Status status;
    int input;
    int output;
  };
  const Case cases[] = {
      {"mouse and vendor", HidDescriptors::MouseAndVendor(), Status::Usable, 64, 64},
      {"vendor without report ids", HidDescriptors::Vendor(0, 63, 63), Status::Usable, 64, 64},
      {"shorter reports", HidDescriptors::Vendor(3, 31, 15), Status::Usable, 32, 16},
      {"mouse only", HidDescriptors::Mouse(), Status::NoVendorCollection, 0, 0},
      {"no descriptor", Bytes{}, Status::NoVendorCollection, 0, 0},
      {"input of 65 bytes", HidDescriptors::Mouse() + HidDescriptors::Vendor(6, 64, 63), Status::TooLong, 0, 0},
      {"output of 65 bytes", HidDescriptors::Vendor(6, 63, 64), Status::TooLong, 0, 0},
      {"unnumbered output of 65 bytes", HidDescriptors::Vendor(0, 10, 64), Status::TooLong, 0, 0},
      {"vendor usage page, other usage",
       Bytes{0x06, 0xB2, 0xFF, 0x09, 0x02, 0xA1, 0x01, 0x85, 0x06, 0x75, 0x08, 0x95, 0x3F, 0x81, 0x02, 0xC0},
       Status::NoVendorCollection, 0, 0},
      {"cut short", Bytes{0x06, 0xB2, 0xFF, 0x09, 0x01, 0xA1, 0x01}, Status::Malformed, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const HidVendorReports reports = ReportsOf(c.bytes);
    EXPECT_EQ(reports.GetStatus(), c.status);
    EXPECT_EQ(reports.Usable(), c.status == Status::Usable);
    EXPECT_EQ(reports.InputReportLength(), c.input);
    EXPECT_EQ(reports.OutputReportLength(), c.output);
  }
  EXPECT_EQ(HidVendorReports().GetStatus(), Status::Unreadable);
}

TEST(HidVendorReports, LongestOfSeveralVendorReportsCounts) {
  const Bytes twoReports = {0x06, 0xB2, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x75, 0x08,  //
                            0x85, 0x06, 0x95, 0x3F, 0x81, 0x02,                    // report 6: 63 bytes in
                            0x85, 0x07, 0x95, 0x07, 0x81, 0x02, 0x91, 0x02,        // report 7: 7 in, 7 out
                            0xC0};
  const HidVendorReports reports = ReportsOf(twoReports);
  ASSERT_TRUE(reports.Usable());
  EXPECT_EQ(reports.InputReportLength(), 64);
  EXPECT_EQ(reports.OutputReportLength(), 8);
}

TEST(HidVendorReports, DeliversOnlyVendorInputReports) {
  const HidVendorReports numbered = ReportsOf(HidDescriptors::MouseAndVendor());
  const HidVendorReports unnumbered = ReportsOf(HidDescriptors::Vendor(0, 63, 63));
  const HidVendorReports mouseOnly = ReportsOf(HidDescriptors::Mouse());

  Bytes vendorReport(64);
  for (std::size_t i = 0; i < vendorReport.size(); ++i) vendorReport[i] = static_cast<std::uint8_t>(i * 7);
  vendorReport[0] = 6;
  const Bytes mouseReport = {1, 0x01, 0x05, 0x00, 0xFB, 0xFF, 0x00};
  const Bytes unnumberedReport(vendorReport.begin() + 1, vendorReport.end());
  Bytes unnumberedDelivered = vendorReport;
  unnumberedDelivered[0] = 0;

  struct Case {
    std::string name;
    const HidVendorReports* reports;
    Bytes raw;
    std::size_t outSize;
    Bytes expected;  // empty: dropped
  };
  const Case cases[] = {
      {"vendor report", &numbered, vendorReport, 64, vendorReport},
      {"mouse report", &numbered, mouseReport, 64, {}},
      {"unknown report id", &numbered, Bytes{9, 1, 2, 3}, 64, {}},
      {"output id read back as input", &numbered, Bytes{0, 1, 2}, 64, {}},
      {"short vendor report", &numbered, Bytes{6, 0x05, 0x01}, 64, Bytes{6, 0x05, 0x01}},
      {"cut to the buffer", &numbered, vendorReport, 10, Bytes(vendorReport.begin(), vendorReport.begin() + 10)},
      {"empty read", &numbered, Bytes{}, 64, {}},
      {"no room", &numbered, vendorReport, 0, {}},
      {"unnumbered gets id 0 in front", &unnumbered, unnumberedReport, 64, unnumberedDelivered},
      {"unnumbered cut to the buffer", &unnumbered, unnumberedReport, 3,
       Bytes{0, unnumberedReport[0], unnumberedReport[1]}},
      {"no vendor collection", &mouseOnly, mouseReport, 64, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes out(c.outSize + 4, 0xEE);  // the bytes past outSize must stay untouched
    const std::size_t delivered = c.reports->Deliver(c.raw, std::span(out.data(), c.outSize));
    ASSERT_EQ(delivered, c.expected.size());
    EXPECT_EQ(Bytes(out.begin(), out.begin() + delivered), c.expected);
    EXPECT_EQ(Bytes(out.begin() + c.outSize, out.end()), Bytes(4, 0xEE));
  }
}
