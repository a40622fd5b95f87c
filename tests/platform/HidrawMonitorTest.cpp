#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>

#include "platform/HidrawMonitor.h"

using Platform::HidrawEvent;
using Platform::HidrawMonitor;

TEST(HidrawMonitor, IdentityFromDevicePath) {
  struct Case {
    const char* devpath;
    bool found;
    std::uint16_t vendorId;
    std::uint16_t productId;
    int interfaceNumber;
  };
  const Case cases[] = {
      {"/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.1/0003:1209:0001.0005/hidraw/hidraw3", true, 0x1209, 0x0001, 1},
      // Behind a hub, a second configuration, interface 12 (decimal in the name).
      {"/devices/pci0000:00/0000:00:14.0/usb3/3-1/3-1.4/3-1.4:2.12/0003:1209:00AB.000F/hidraw/hidraw10", true, 0x1209,
       0x00AB, 12},
      {"/devices/platform/x/usb1/1-1/1-1:1.0/0003:abcd:ef01.0001/hidraw/hidraw0", true, 0xABCD, 0xEF01, 0},
      // Bluetooth (bus 0005): no USB interface.
      {"/devices/virtual/misc/uhid/0005:046D:B01A.0003/hidraw/hidraw4", true, 0x046D, 0xB01A, -1},
      // USB bus, but the parent is no interface.
      {"/devices/virtual/misc/uhid/0003:1209:0001.0007/hidraw/hidraw5", true, 0x1209, 0x0001, -1},
      {"/devices/virtual/hidraw/hidraw0", false, 0, 0, -1},
      {"", false, 0, 0, -1},
      {"/devices/x/0003:12G9:0001.0005/hidraw/hidraw3", false, 0, 0, -1},
      {"/devices/x/0003:1209:0001/hidraw/hidraw3", false, 0, 0, -1},
      {"/devices/x/0003:1209:0001.0005x/hidraw/hidraw3", false, 0, 0, -1},
      {"/devices/x/1-2:1.x/0003:1209:0001.0005/hidraw/hidraw3", true, 0x1209, 0x0001, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.devpath);
    HidrawEvent event;
    ASSERT_EQ(HidrawMonitor::ParseDevpath(c.devpath, event), c.found);
    EXPECT_EQ(event.vendorId, c.vendorId);
    EXPECT_EQ(event.productId, c.productId);
    EXPECT_EQ(event.interfaceNumber, c.interfaceNumber);
  }
}

TEST(HidrawMonitor, IdentityFromHidId) {
  struct Case {
    const char* text;
    bool found;
    std::uint16_t vendorId;
    std::uint16_t productId;
  };
  const Case cases[] = {
      {"0003:00001209:00000001", true, 0x1209, 0x0001},
      {"0005:0000046D:0000B01A", true, 0x046D, 0xB01A},
      {"0003:0000abcd:0000ef01", true, 0xABCD, 0xEF01},
      {"0003:00011209:00000001", false, 0, 0},  // beyond 16 bits
      {"0003:1209:0001", false, 0, 0},
      {"0003:00001209:0000000", false, 0, 0},
      {"0003-00001209-00000001", false, 0, 0},
      {"0003:0000120G:00000001", false, 0, 0},
      {"", false, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::uint16_t vendorId = 0, productId = 0;
    EXPECT_EQ(HidrawMonitor::ParseHidId(c.text, vendorId, productId), c.found);
    EXPECT_EQ(vendorId, c.vendorId);
    EXPECT_EQ(productId, c.productId);
  }
}

TEST(HidrawMonitor, StartsAndStopsPromptly) {
  std::atomic<int> events = 0;
  HidrawMonitor monitor([&](const HidrawEvent&) { ++events; });
  EXPECT_FALSE(monitor.Running());
  if (!monitor.Start()) {
    // Some sandboxes offer no udev monitor: a failed start leaves nothing
    // running and stopping stays harmless.
    EXPECT_FALSE(monitor.Running());
    monitor.Stop();
    return;
  }
  EXPECT_TRUE(monitor.Running());
  EXPECT_TRUE(monitor.Start());  // already running
  for (int round = 0; round < 3; ++round) {
    const auto before = std::chrono::steady_clock::now();
    monitor.Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(500));
    EXPECT_FALSE(monitor.Running());
    ASSERT_TRUE(monitor.Start());
  }
  // Nodes present at the start are remembered, never reported.
  EXPECT_EQ(events, 0);
}
