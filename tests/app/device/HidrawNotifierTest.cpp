#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "app/device/HidrawNotifier.h"

using Platform::HidrawEvent;
using Zorvane::DeviceNotice;
using Zorvane::HidrawNotifier;

TEST(HidrawNotifier, InterfacePaths) {
  struct Case {
    std::uint16_t vendorId;
    std::uint16_t productId;
    int interfaceNumber;
    const char* sysname;
    const char* path;
  };
  const Case cases[] = {
      {0x1209, 0x0001, 1, "hidraw3", "HID#VID_1209&PID_0001&MI_01#hidraw3"},
      {0xabcd, 0x00ef, 0x1f, "hidraw12", "HID#VID_ABCD&PID_00EF&MI_1F#hidraw12"},
      {0xFFFF, 0xFFFF, 0xFF, "hidraw0", "HID#VID_FFFF&PID_FFFF&MI_FF#hidraw0"},
      {0x1209, 0x0002, 0, "hidraw1", "HID#VID_1209&PID_0002&MI_00#hidraw1"},
      // Not a USB interface (Bluetooth, a virtual device): no MI part.
      {0x046d, 0xb01a, -1, "hidraw4", "HID#VID_046D&PID_B01A#hidraw4"},
      {0x1209, 0x0001, 256, "hidraw4", "HID#VID_1209&PID_0001#hidraw4"},
      {0, 0, -1, "", "HID#VID_0000&PID_0000#"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(HidrawNotifier::InterfacePath(c.vendorId, c.productId, c.interfaceNumber, c.sysname), c.path);
  }
}

TEST(HidrawNotifier, EventsBecomeNotices) {
  HidrawEvent event;
  event.action = HidrawEvent::Action::Add;
  event.sysname = "hidraw3";
  event.devnode = "/dev/hidraw3";
  event.vendorId = 0x1209;
  event.productId = 0x0004;
  event.interfaceNumber = 1;
  DeviceNotice arrival = HidrawNotifier::ToNotice(event);
  EXPECT_EQ(arrival.kind, DeviceNotice::Kind::Arrival);
  EXPECT_EQ(arrival.interfacePath, "HID#VID_1209&PID_0004&MI_01#hidraw3");
  EXPECT_EQ(arrival.openPath, "/dev/hidraw3");

  event.action = HidrawEvent::Action::Remove;
  DeviceNotice removal = HidrawNotifier::ToNotice(event);
  EXPECT_EQ(removal.kind, DeviceNotice::Kind::Removal);
  EXPECT_EQ(removal.interfacePath, arrival.interfacePath);
  EXPECT_EQ(removal.openPath, "/dev/hidraw3");
}

TEST(HidrawNotifier, StartsAndStopsPromptly) {
  HidrawNotifier notifier([](const DeviceNotice&) {});
  if (!notifier.Start()) {
    // Without udev's monitor (some sandboxes) the program runs without
    // hot-plug; stopping what never ran is harmless.
    notifier.Stop();
    return;
  }
  const auto before = std::chrono::steady_clock::now();
  notifier.Stop();
  EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(500));
  EXPECT_TRUE(notifier.Start());
  // The destructor stops it again.
}
