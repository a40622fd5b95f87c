#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "app/device/HidVendorReports.h"
#include "app/device/HidapiBackend.h"
#include "tests/support/TempFolder.h"

using Zorvane::HidapiBackend;
using Zorvane::HidVendorReports;

// Without a hidraw node here, what can be run is the refusal of paths that
// are none.
TEST(HidapiBackend, NodesWithoutADescriptorAreNoVendorInterfaces) {
  TestSupport::TempFolder temp;
  const std::string file = temp / "hidraw0";
  { std::ofstream(file) << "not a device"; }
  HidapiBackend backend;
  for (const std::string& path : {std::string("/dev/null"), file, temp / "missing", std::string()}) {
    SCOPED_TRACE(path);
    EXPECT_EQ(HidapiBackend::VendorReportsOf(path).GetStatus(), HidVendorReports::Status::Unreadable);
    EXPECT_FALSE(backend.IsVendorInterface(path));
    EXPECT_EQ(backend.Open(path), nullptr);
  }
}
