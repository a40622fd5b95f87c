// The simulator as a HID backend: enumeration, hot-plug notices, handles and
// their queues, the answer modes, and use from several threads.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <mutex>
#include <set>
#include <thread>

#include "app/device/sim/SimulatorBackend.h"
#include "tests/app/device/sim/SimulatorTestSupport.h"

using namespace Zorvane;
using namespace std::chrono_literals;
using SimTest::Exchange;
using SimTest::Frame;
using SimTest::Read;
using SimTest::Request;

namespace {

const Frame kStatusQuery = Request({0x06, 0x05});

struct Entry {
  std::uint16_t productId;
  int interfaceNumber;
  std::uint16_t usagePage;
  std::uint16_t usage;
  bool operator==(const Entry&) const = default;
};

class NoticeLog {
 public:
  DeviceNoticeSink Sink() {
    return [this](const DeviceNotice& notice) {
      std::lock_guard lock(mutex_);
      notices_.push_back(notice);
    };
  }
  std::vector<DeviceNotice> Take() {
    std::lock_guard lock(mutex_);
    return std::exchange(notices_, {});
  }

 private:
  std::mutex mutex_;
  std::vector<DeviceNotice> notices_;
};

TEST(SimulatorBackend, EnumeratesEveryCollectionOnePathPerInterface) {
  SimulatorBackend simulator;
  EXPECT_TRUE(simulator.Init());
  EXPECT_TRUE(simulator.Enumerate().empty());
  simulator.PlugDefaultSetup();
  simulator.Plug(SimulatedPort::Other);

  std::vector<HidDeviceInfo> list = simulator.Enumerate();
  std::vector<Entry> entries;
  for (const HidDeviceInfo& info : list) {
    EXPECT_EQ(info.vendorId, 0x1209);
    entries.push_back({info.productId, info.interfaceNumber, info.usagePage, info.usage});
  }
  EXPECT_EQ(entries, (std::vector<Entry>{
                         {0x0001, 0, 0x0001, 0x0002},  // cable: the mouse collection
                         {0x0001, 1, 0x0001, 0x0006},  // keyboard,
                         {0x0001, 1, 0x000C, 0x0001},  // consumer control
                         {0x0001, 1, 0xFFB2, 0x0001},  // and vendor collection on interface 1
                         {0x0002, 0, 0x0001, 0x0002},  // the dongle alike
                         {0x0002, 1, 0x0001, 0x0006},
                         {0x0002, 1, 0x000C, 0x0001},
                         {0x0002, 1, 0xFFB2, 0x0001},
                         {0x000A, 0, 0x0001, 0x0006},  // an unrelated keyboard
                         {0x000A, 0, 0x000C, 0x0001},
                     }));
  // Collections of one interface share its path; interfaces have their own.
  EXPECT_EQ(list[1].path, list[3].path);
  EXPECT_NE(list[0].path, list[1].path);
  EXPECT_NE(list[3].path, list[7].path);
  std::set<std::string> paths;
  for (const HidDeviceInfo& info : list) paths.insert(info.path);
  EXPECT_EQ(paths.size(), 5u);
  EXPECT_NE(list[0].releaseNumber, 0);

  EXPECT_TRUE(simulator.IsVendorInterface(list[3].path));
  EXPECT_TRUE(simulator.IsVendorInterface(list[7].path));
  EXPECT_FALSE(simulator.IsVendorInterface(list[0].path));
  EXPECT_FALSE(simulator.IsVendorInterface(list[8].path));
  EXPECT_FALSE(simulator.IsVendorInterface("/dev/hidraw0"));
  EXPECT_EQ(simulator.Open("/dev/hidraw0"), nullptr);
}

TEST(SimulatorBackend, AnInterfaceWithoutTheVendorCollectionCarriesNoReports) {
  SimulatorBackend simulator;
  simulator.Plug(SimulatedPort::Wired);
  auto mouseInterface = simulator.Open(simulator.Enumerate()[0].path);
  ASSERT_TRUE(mouseInterface);
  EXPECT_EQ(mouseInterface->OutputReportLength(), 0);
  EXPECT_EQ(mouseInterface->InputReportLength(), 0);
  EXPECT_EQ(mouseInterface->Write(kStatusQuery.data(), 64), -1);
  simulator.PressDpiButton();
  EXPECT_TRUE(Read(*mouseInterface).empty());

  auto vendor = SimTest::OpenVendor(simulator, SimulatedPort::Wired);
  EXPECT_EQ(vendor->OutputReportLength(), 64);
  EXPECT_EQ(vendor->InputReportLength(), 64);
}

TEST(SimulatorBackend, RefusesWritesTheDeviceCannotTake) {
  SimulatorBackend simulator;
  simulator.Plug(SimulatedPort::Wired);
  auto wired = SimTest::OpenVendor(simulator, SimulatedPort::Wired);
  Frame tooLong = kStatusQuery;
  tooLong.push_back(0);
  Frame otherId = kStatusQuery;
  otherId[0] = 0x05;
  EXPECT_EQ(wired->Write(tooLong.data(), tooLong.size()), -1);
  EXPECT_EQ(wired->Write(otherId.data(), otherId.size()), -1);
  EXPECT_EQ(wired->Write(kStatusQuery.data(), 0), -1);
  EXPECT_TRUE(Read(*wired).empty());
  // A short write is padded with zeros, as the report's length fixes it.
  EXPECT_EQ(wired->Write(kStatusQuery.data(), 2), 2);
  EXPECT_EQ(Read(*wired, 100).size(), 64u);
}

TEST(SimulatorBackend, RaisesANoticePerInterfaceOnPlugAndUnplug) {
  NoticeLog log;
  SimulatorBackend simulator(SimulatorModel{0x1209, 0x0003, 0x0004});  // model 102
  simulator.SetNoticeSink(log.Sink());

  EXPECT_TRUE(simulator.Plug(SimulatedPort::Wired));
  std::vector<DeviceNotice> arrived = log.Take();
  ASSERT_EQ(arrived.size(), 2u);
  EXPECT_EQ(arrived[0].kind, DeviceNotice::Kind::Arrival);
  EXPECT_EQ(arrived[0].interfacePath, "HID#VID_1209&PID_0003&MI_00#SIM-HIDRAW0");
  EXPECT_EQ(arrived[1].interfacePath, "HID#VID_1209&PID_0003&MI_01#SIM-HIDRAW1");
  // The open path is what the enumeration lists and the arrival test opens.
  EXPECT_EQ(arrived[1].openPath, simulator.Enumerate().back().path);
  EXPECT_TRUE(simulator.IsVendorInterface(arrived[1].openPath));

  EXPECT_FALSE(simulator.Plug(SimulatedPort::Wired));  // already in
  EXPECT_TRUE(log.Take().empty());

  EXPECT_TRUE(simulator.Plug(SimulatedPort::Dongle));
  EXPECT_EQ(log.Take()[1].interfacePath, "HID#VID_1209&PID_0004&MI_01#SIM-HIDRAW3");

  EXPECT_TRUE(simulator.Unplug(SimulatedPort::Wired));
  std::vector<DeviceNotice> removed = log.Take();
  ASSERT_EQ(removed.size(), 2u);
  EXPECT_EQ(removed[0].kind, DeviceNotice::Kind::Removal);
  EXPECT_EQ(removed[1].kind, DeviceNotice::Kind::Removal);
  EXPECT_EQ(removed[1].interfacePath, arrived[1].interfacePath);
  EXPECT_FALSE(simulator.Unplug(SimulatedPort::Wired));
  EXPECT_TRUE(log.Take().empty());

  // Freed nodes are taken again, lowest first, as the kernel does.
  simulator.Plug(SimulatedPort::Wired);
  EXPECT_EQ(log.Take()[1].interfacePath, "HID#VID_1209&PID_0003&MI_01#SIM-HIDRAW1");
}

TEST(SimulatorBackend, ASinkMayLookAtTheInterfaceItIsToldAbout) {
  SimulatorBackend simulator;
  std::vector<bool> vendor;
  simulator.SetNoticeSink(
      [&](const DeviceNotice& notice) { vendor.push_back(simulator.IsVendorInterface(notice.openPath)); });
  simulator.Plug(SimulatedPort::Dongle);
  EXPECT_EQ(vendor, (std::vector<bool>{false, true}));
}

TEST(SimulatorBackend, AHandleFailsForGoodOnceItsDeviceIsUnplugged) {
  SimulatorBackend simulator;
  simulator.PlugDefaultSetup();
  auto wired = SimTest::OpenVendor(simulator, SimulatedPort::Wired);
  auto dongle = SimTest::OpenVendor(simulator, SimulatedPort::Dongle);
  simulator.PressDpiButton();  // queued, then lost with the device

  // A read waiting on another thread is woken by the unplug.
  auto waiting = std::async(std::launch::async, [&] {
    Frame buffer(64);
    return dongle->ReadTimeout(buffer.data(), 64, 10000);
  });
  std::this_thread::sleep_for(20ms);
  simulator.Unplug(SimulatedPort::Wired);
  simulator.Unplug(SimulatedPort::Dongle);
  ASSERT_EQ(waiting.wait_for(5s), std::future_status::ready);
  EXPECT_EQ(waiting.get(), -1);

  Frame buffer(64);
  EXPECT_EQ(wired->ReadTimeout(buffer.data(), 64, 0), -1);
  EXPECT_EQ(wired->Write(kStatusQuery.data(), 64), -1);

  // The same node comes back, but the old handle belongs to the old device.
  simulator.Plug(SimulatedPort::Wired);
  EXPECT_EQ(wired->Write(kStatusQuery.data(), 64), -1);
  auto fresh = SimTest::OpenVendor(simulator, SimulatedPort::Wired);
  EXPECT_EQ(Exchange(*fresh, kStatusQuery).size(), 64u);
  EXPECT_EQ(wired->ReadTimeout(buffer.data(), 64, 0), -1);
}

TEST(SimulatorBackend, ReportsGoToEveryHandleOfTheirInterfaceOnly) {
  SimulatorBackend simulator;
  simulator.PlugDefaultSetup();
  auto first = SimTest::OpenVendor(simulator, SimulatedPort::Wired);
  auto second = SimTest::OpenVendor(simulator, SimulatedPort::Wired);
  auto dongle = SimTest::OpenVendor(simulator, SimulatedPort::Dongle);
  EXPECT_EQ(simulator.Snapshot().openHandles, 3);

  ASSERT_EQ(first->Write(kStatusQuery.data(), 64), 64);
  auto late = SimTest::OpenVendor(simulator, SimulatedPort::Wired);
  EXPECT_EQ(Read(*first)[1], 0x05);
  EXPECT_EQ(Read(*second)[1], 0x05);  // hidraw hands input reports to every reader
  EXPECT_TRUE(Read(*late).empty());   // but not to one that opened afterwards
  EXPECT_TRUE(Read(*dongle).empty());

  // A short buffer gets the start of the report.
  simulator.PressDpiButton();
  std::uint8_t head[8] = {};
  EXPECT_EQ(first->ReadTimeout(head, sizeof head, 0), 8);
  EXPECT_EQ(head[1], 0xFA);

  late.reset();
  EXPECT_EQ(simulator.Snapshot().openHandles, 3);
}

TEST(SimulatorBackend, SlowRepliesComeLateButInOrder) {
  SimulatorBackend simulator;
  simulator.Plug(SimulatedPort::Wired);
  auto wired = SimTest::OpenVendor(simulator, SimulatedPort::Wired);
  simulator.SetResponseMode(ResponseMode::Slow, 1000ms);
  ASSERT_EQ(wired->Write(kStatusQuery.data(), 64), 64);
  simulator.PressDpiButton();  // an event behind the pending reply waits for it
  EXPECT_TRUE(Read(*wired, 50).empty());
  Frame reply = Read(*wired, 5000);
  ASSERT_EQ(reply.size(), 64u);
  EXPECT_EQ(reply[1], 0x05);
  EXPECT_EQ(Read(*wired, 0)[1], 0xFA);
  EXPECT_EQ(simulator.Snapshot().responseMode, ResponseMode::Slow);
}

TEST(SimulatorBackend, SilentDevicesTakeRequestsWithoutAnswering) {
  SimulatorBackend simulator;
  simulator.Plug(SimulatedPort::Wired);
  auto wired = SimTest::OpenVendor(simulator, SimulatedPort::Wired);
  simulator.SetResponseMode(ResponseMode::Silent);
  EXPECT_TRUE(Exchange(*wired, kStatusQuery).empty());
  EXPECT_TRUE(Exchange(*wired, Request({0x06, 0x13, 0x02, 0x00, 0x00, 0x02, 0x04})).empty());
  EXPECT_EQ(simulator.Snapshot().mouse.reportRate, 4);
  simulator.PressDpiButton();  // events still come
  EXPECT_EQ(Read(*wired)[1], 0xFA);
  simulator.SetResponseMode(ResponseMode::Normal);
  EXPECT_EQ(Exchange(*wired, kStatusQuery).size(), 64u);
}

TEST(SimulatorBackend, JunkNeverPassesForAReplyAnEventOrALinkReport) {
  SimulatorBackend simulator;
  simulator.Plug(SimulatedPort::Wired);
  auto wired = SimTest::OpenVendor(simulator, SimulatedPort::Wired);
  simulator.SetResponseMode(ResponseMode::Junk);
  bool wrongId = false, shortReport = false, otherCommand = false;
  for (int i = 0; i < 30; ++i) {
    Frame junk = Exchange(*wired, kStatusQuery);
    ASSERT_FALSE(junk.empty());
    if (junk[0] != 0x06) wrongId = true;
    if (junk.size() < 64) shortReport = true;
    if (junk[0] == 0x06 && junk.size() == 64) otherCommand = true;
    EXPECT_TRUE(junk[0] != 0x06 || junk.size() < 64 || junk[1] != 0x05) << "looks like a status reply";
    EXPECT_NE(junk[0], 0xC0);
    if (junk.size() > 1) {
      EXPECT_NE(junk[1], 0xFA);
    }
  }
  EXPECT_TRUE(wrongId && shortReport && otherCommand);
}

TEST(SimulatorBackend, AWaitingReadLetsOtherThreadsDriveTheWorld) {
  SimulatorBackend simulator;
  simulator.Plug(SimulatedPort::Dongle);
  auto dongle = SimTest::OpenVendor(simulator, SimulatedPort::Dongle);
  std::atomic<bool> reading{false};
  auto waiting = std::async(std::launch::async, [&] {
    reading = true;
    return Read(*dongle, 10000);
  });
  while (!reading) std::this_thread::yield();
  std::this_thread::sleep_for(20ms);
  // Would hang here if the reader held the world's lock while it waits.
  EXPECT_TRUE(simulator.Snapshot().donglePlugged);
  EXPECT_TRUE(simulator.SetBattery(15, false));
  ASSERT_EQ(waiting.wait_for(5s), std::future_status::ready);
  EXPECT_EQ(waiting.get()[5], 0x03);
}

TEST(SimulatorBackend, WorkerAndDriverTogether) {
  // The device worker's pattern (request, reply, poll) against a driver that
  // keeps changing the world; run under ThreadSanitizer.
  SimulatorBackend simulator;
  simulator.PlugDefaultSetup();
  std::atomic<bool> stop{false};
  std::thread driver([&] {
    for (int i = 0; !stop; ++i) {
      simulator.PressDpiButton();
      simulator.SetBattery(i % 100, i % 2 == 0);
      simulator.SwitchMouse(i % 3 != 0);
      simulator.SetResponseMode(i % 5 == 0 ? ResponseMode::Junk : ResponseMode::Normal);
      if (i % 7 == 0) simulator.Unplug(SimulatedPort::Dongle);
      if (i % 7 == 3) simulator.Plug(SimulatedPort::Dongle);
      std::this_thread::sleep_for(100us);
    }
  });
  for (int round = 0; round < 100; ++round) {
    for (SimulatedPort port : {SimulatedPort::Wired, SimulatedPort::Dongle}) {
      auto handle = SimTest::OpenVendor(simulator, port);
      if (!handle) continue;
      handle->Write(kStatusQuery.data(), 64);
      Frame buffer(64);
      for (int read = 0; read < 5 && handle->ReadTimeout(buffer.data(), 64, 1) > 0; ++read) {
      }
    }
  }
  stop = true;
  driver.join();
  EXPECT_EQ(simulator.Snapshot().openHandles, 0);
}

}  // namespace
