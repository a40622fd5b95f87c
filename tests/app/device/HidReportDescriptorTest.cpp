#include <gtest/gtest.h>

#include <random>
#include <string>

#include "app/device/HidReportDescriptor.h"
#include "tests/app/device/HidDescriptors.h"

using HidDescriptors::Bytes;
using HidDescriptors::operator+;
using Zorvane::HidReportDescriptor;
using Zorvane::HidReportLengths;

TEST(HidReportDescriptor, MouseAndVendorCollectionsOnOneInterface) {
  const HidReportDescriptor descriptor(HidDescriptors::MouseAndVendor());
  ASSERT_TRUE(descriptor.Valid());
  EXPECT_TRUE(descriptor.NumbersReports());
  ASSERT_EQ(descriptor.Collections().size(), 2u);

  const auto& mouse = descriptor.Collections()[0];
  EXPECT_EQ(mouse.usagePage, 0x01);
  EXPECT_EQ(mouse.usage, 0x02);
  ASSERT_EQ(mouse.reports.size(), 1u);
  // The fields of the nested physical collection count for the top level.
  EXPECT_EQ(mouse.reports.at(1), (HidReportLengths{6, 0, 0}));

  const auto& vendor = descriptor.Collections()[1];
  EXPECT_EQ(vendor.usagePage, 0xFFB2);
  EXPECT_EQ(vendor.usage, 0x01);
  ASSERT_EQ(vendor.reports.size(), 1u);
  EXPECT_EQ(vendor.reports.at(6), (HidReportLengths{63, 63, 0}));
}

TEST(HidReportDescriptor, UnnumberedReportsHaveIdZero) {
  const HidReportDescriptor descriptor(HidDescriptors::Vendor(0, 63, 63));
  ASSERT_TRUE(descriptor.Valid());
  EXPECT_FALSE(descriptor.NumbersReports());
  ASSERT_EQ(descriptor.Collections().size(), 1u);
  EXPECT_EQ(descriptor.Collections()[0].reports.at(0), (HidReportLengths{63, 63, 0}));
}

TEST(HidReportDescriptor, ReportSpreadOverCollectionsHasItsWholeLength) {
  // Report 6's input gets 2 bytes in the mouse collection and 63 in the
  // vendor one: on the wire it is 65 bytes, whichever collection asks.
  const Bytes mouseWithReport6 = {0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x85, 0x06,
                                  0x75, 0x08, 0x95, 0x02, 0x81, 0x02, 0xC0};
  const HidReportDescriptor descriptor(mouseWithReport6 + HidDescriptors::Vendor(6, 63, 10));
  ASSERT_TRUE(descriptor.Valid());
  ASSERT_EQ(descriptor.Collections().size(), 2u);
  EXPECT_EQ(descriptor.Collections()[0].reports.at(6), (HidReportLengths{65, 0, 0}));
  EXPECT_EQ(descriptor.Collections()[1].reports.at(6), (HidReportLengths{65, 10, 0}));
}

TEST(HidReportDescriptor, UsagePageFromFourByteUsagePushAndPop) {
  struct Case {
    std::string name;
    Bytes bytes;
    std::uint16_t usagePage;
    std::uint16_t usage;
  };
  const Case cases[] = {
      // A four-byte usage names its page itself, whatever the global page.
      {"extended usage", {0x05, 0x01, 0x0B, 0x01, 0x00, 0xB2, 0xFF, 0xA1, 0x01, 0xC0}, 0xFFB2, 0x0001},
      // Pop brings back the page that push saved.
      {"push and pop", {0x06, 0xB2, 0xFF, 0xA4, 0x05, 0x01, 0xB4, 0x09, 0x01, 0xA1, 0x01, 0xC0}, 0xFFB2, 0x0001},
      // The first usage before a collection names it; later ones do not.
      {"first usage", {0x05, 0x01, 0x09, 0x06, 0x09, 0x02, 0xA1, 0x01, 0xC0}, 0x0001, 0x0006},
      // Usages do not outlive the main item they belong to.
      {"usage used up", {0x05, 0x01, 0x09, 0x02, 0x75, 0x08, 0x95, 0x01, 0x81, 0x02, 0xA1, 0x01, 0xC0}, 0x0001, 0x0000},
      // Long items carry nothing the kernel uses and are stepped over.
      {"long item", {0xFE, 0x02, 0x10, 0xAA, 0xBB, 0x06, 0xB2, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0xC0}, 0xFFB2, 0x0001},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const HidReportDescriptor descriptor(c.bytes);
    ASSERT_TRUE(descriptor.Valid());
    ASSERT_EQ(descriptor.Collections().size(), 1u);
    EXPECT_EQ(descriptor.Collections()[0].usagePage, c.usagePage);
    EXPECT_EQ(descriptor.Collections()[0].usage, c.usage);
  }
}

TEST(HidReportDescriptor, PopRestoresReportIdAndSizes) {
  const Bytes bytes = {0x06, 0xB2, 0xFF, 0x09, 0x01, 0xA1, 0x01,  // vendor collection
                       0x85, 0x06, 0x75, 0x08, 0x95, 0x3F,        // report 6, 63 bytes
                       0xA4,                                      // push
                       0x85, 0x07, 0x95, 0x02, 0x81, 0x02,        // report 7 input, 2 bytes
                       0xB4,                                      // pop
                       0x81, 0x02,                                // report 6 input, 63 bytes
                       0xC0};
  const HidReportDescriptor descriptor(bytes);
  ASSERT_TRUE(descriptor.Valid());
  const auto& reports = descriptor.Collections().at(0).reports;
  EXPECT_EQ(reports.at(6), (HidReportLengths{63, 0, 0}));
  EXPECT_EQ(reports.at(7), (HidReportLengths{2, 0, 0}));
}

TEST(HidReportDescriptor, EnormousFieldsSaturate) {
  // Report size and count of 2^32 - 1 each: the product would overflow.
  const Bytes bytes = {
      0x06, 0xB2, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x06,  // vendor collection, report 6
      0x77, 0xFF, 0xFF, 0xFF, 0xFF,                          // report size
      0x97, 0xFF, 0xFF, 0xFF, 0xFF,                          // report count
      0x81, 0x02, 0x81, 0x02,                                // two inputs
      0xC0,
  };
  const HidReportDescriptor descriptor(bytes);
  ASSERT_TRUE(descriptor.Valid());
  EXPECT_EQ(descriptor.Collections().at(0).reports.at(6).input,
            static_cast<int>(HidReportDescriptor::kMaxReportBits / 8));
}

TEST(HidReportDescriptor, MalformedDescriptorsAreInvalid) {
  struct Case {
    std::string name;
    Bytes bytes;
  };
  const Bytes vendor = HidDescriptors::Vendor(6, 63, 63);
  const Case cases[] = {
      {"short item cut", Bytes{0x06, 0xB2}},
      {"four-byte item cut", Bytes{0x0B, 0x01, 0x00, 0xB2}},
      {"vendor descriptor cut", Bytes(vendor.begin(), vendor.end() - 3)},
      {"long item header cut", Bytes{0xFE, 0x04}},
      {"long item data cut", Bytes{0xFE, 0x05, 0x00, 0x01, 0x02}},
      {"end without collection", Bytes{0xC0}},
      {"collection never ended", Bytes{0x09, 0x01, 0xA1, 0x01}},
      {"pop without push", Bytes{0xB4}},
      {"report id 0", Bytes{0x85, 0x00}},
      {"report id 256", Bytes{0x86, 0x00, 0x01}},
      {"pushes beyond the limit", Bytes(HidReportDescriptor::kMaxPushes + 1, 0xA4)},
      {"numbered and unnumbered fields",
       Bytes{0x09, 0x01, 0xA1, 0x01, 0x75, 0x08, 0x95, 0x01, 0x81, 0x02, 0x85, 0x02, 0x81, 0x02, 0xC0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(HidReportDescriptor(c.bytes).Valid());
  }
}

TEST(HidReportDescriptor, NestingIsBounded) {
  auto nested = [](int levels) {
    Bytes bytes;
    for (int i = 0; i < levels; ++i) bytes = bytes + Bytes{0xA1, 0x00};
    for (int i = 0; i < levels; ++i) bytes.push_back(0xC0);
    return bytes;
  };
  EXPECT_TRUE(HidReportDescriptor(nested(HidReportDescriptor::kMaxNesting)).Valid());
  EXPECT_FALSE(HidReportDescriptor(nested(HidReportDescriptor::kMaxNesting + 1)).Valid());
}

TEST(HidReportDescriptor, EmptyDescriptorHasNoCollections) {
  const HidReportDescriptor descriptor(Bytes{});
  EXPECT_TRUE(descriptor.Valid());
  EXPECT_TRUE(descriptor.Collections().empty());
}

TEST(HidReportDescriptor, RandomBytesNeverCrash) {
  // Junk, and real descriptors with single bytes changed: each parse must
  // end, with collections whose lengths stay within the limit.
  std::mt19937 random(20260101);
  const Bytes real = HidDescriptors::MouseAndVendor();
  for (int round = 0; round < 4000; ++round) {
    Bytes bytes;
    if (round % 2 == 0) {
      bytes.resize(random() % 200);
      for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random());
    } else {
      bytes = real;
      for (int flips = 0; flips < 3; ++flips) bytes[random() % bytes.size()] = static_cast<std::uint8_t>(random());
    }
    const HidReportDescriptor descriptor(bytes);
    EXPECT_LE(descriptor.Collections().size(), bytes.size() / 2);
    for (const auto& collection : descriptor.Collections()) {
      for (const auto& [id, lengths] : collection.reports) {
        ASSERT_LE(lengths.input, static_cast<int>(HidReportDescriptor::kMaxReportBits / 8));
        ASSERT_GE(lengths.input, 0);
      }
    }
  }
}
