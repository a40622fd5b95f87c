#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "app/device/DeviceManager.h"
#include "tests/app/device/FakeHid.h"

using namespace std::chrono_literals;
using TestSupport::AnsweringMouse;
using TestSupport::Collections;
using TestSupport::EventReport;
using TestSupport::FakeBackend;
using TestSupport::FakeDevice;
using TestSupport::LinkReport;
using TestSupport::StatusReply;
using Zorvane::DeviceManager;
using Zorvane::DeviceRecord;
using Zorvane::Report;

namespace {

// The protocol's waits, shortened so a silent device costs milliseconds.
DeviceManager::Timing Fast() {
  DeviceManager::Timing timing;
  timing.replyReadTimeoutMs = 2;
  timing.emptyReadSleepMs = 1;
  timing.failedAttemptSleepMs = 1;
  timing.pollTimeoutMs = 1;
  return timing;
}

constexpr int kVid = 0x1209;

}  // namespace

class DeviceManagerFixture : public testing::Test {
 protected:
  std::shared_ptr<FakeBackend::World> world = std::make_shared<FakeBackend::World>();
  DeviceManager manager{std::make_unique<FakeBackend>(world), Fast()};

  void SetUp() override {
    manager.RegisterSupported({kVid, 1, 101, 0});  // model 101 by cable
    manager.RegisterSupported({kVid, 2, 101, 1});  // model 101 through its dongle
    manager.RegisterSupported({kVid, 3, 102, 0});
  }
  FakeDevice& Add(const std::string& path, int pid, bool answers = true) {
    std::lock_guard lock(world->mutex);
    FakeDevice& device = world->devices[path];
    device.collections = Collections(path, kVid, pid);
    if (answers) device.answer = AnsweringMouse;
    return device;
  }
  template <typename F>
  void WithDevice(const std::string& path, F change) {
    std::lock_guard lock(world->mutex);
    change(world->devices.at(path));
  }
  std::vector<DeviceRecord> All() {
    int type = manager.GetCurrentType();
    manager.SetCurrentType(0);
    std::vector<DeviceRecord> records;
    manager.GetDevices(records);
    manager.SetCurrentType(type);
    return records;
  }
};

TEST_F(DeviceManagerFixture, EnumerationOpensOnlySupportedVendorCollections) {
  Add("wired", 1);
  Add("dongle", 2);
  {
    std::lock_guard lock(world->mutex);
    world->devices["keyboard"].collections = Collections("keyboard", 0x046D, 1);  // unrelated
    world->devices["sleepy"].collections = Collections("sleepy", kVid, 3);
    world->devices["sleepy"].openable = false;  // vanished between enumeration and open
  }
  manager.Reenumerate();
  auto records = All();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].path, "dongle");  // enumeration order
  EXPECT_EQ(records[0].devType, 101);
  EXPECT_EQ(records[0].devMode, 1);
  EXPECT_EQ(records[1].devMode, 0);
  EXPECT_EQ(records[1].linkState, 1);
  EXPECT_EQ(records[1].batteryLevel, 80);
  EXPECT_EQ(records[1].releaseNumber, 0x0100);
  WithDevice("keyboard", [](FakeDevice& d) { EXPECT_TRUE(d.written.empty()); });
  WithDevice("wired", [](FakeDevice& d) { EXPECT_EQ(d.openHandles, 1); });

  // A re-enumeration closes what the last one opened.
  manager.Reenumerate();
  WithDevice("wired", [](FakeDevice& d) { EXPECT_EQ(d.openHandles, 1); });
}

TEST_F(DeviceManagerFixture, AMouseThatDoesNotAnswerHasNoDeviceType) {
  Add("dongle", 2).answer = [](const Report&) {
    Report offline = StatusReply();
    offline[9] = offline[10] = 0;  // a dongle answering for a mouse that is off
    return std::vector<Report>{offline};
  };
  Add("silent", 3, false);
  manager.Reenumerate();
  auto records = All();
  ASSERT_EQ(records.size(), 2u);
  for (const auto& r : records) {
    EXPECT_EQ(r.devType, 0) << r.path;
    EXPECT_EQ(r.linkState, 0) << r.path;
  }
  // The silent one was asked the full ten times.
  WithDevice("silent", [](FakeDevice& d) { EXPECT_EQ(d.written.size(), 10u); });
  manager.SetCurrentType(101);
  EXPECT_EQ(manager.GetCurrentDevMode(), -1);
  Report report{};
  EXPECT_FALSE(manager.SendReport(report, true));
}

TEST_F(DeviceManagerFixture, ReportsGoToTheCableFirstAndToADongleOnlyWhileLinked) {
  Add("dongle", 2);
  manager.Reenumerate();
  manager.SetCurrentType(101);
  EXPECT_EQ(manager.GetCurrentDevMode(), 1);
  EXPECT_EQ(manager.ActiveRecord(), 0);

  manager.SetLinkState(kVid, 2, 2);  // the dongle lost its mouse
  manager.ClearActiveHandle();
  EXPECT_EQ(manager.ActiveRecord(), -1);
  EXPECT_EQ(manager.GetCurrentDevMode(), -1);

  Add("wired", 1, false);  // a cable that does not even answer still wins
  manager.Reenumerate();
  manager.SetCurrentType(101);
  std::vector<DeviceRecord> records;
  ASSERT_TRUE(manager.GetDevices(records));
  int active = manager.ActiveRecord();
  ASSERT_GE(active, 0);
  EXPECT_EQ(All()[static_cast<std::size_t>(active)].path, "dongle");  // the cable has no type now
  EXPECT_EQ(manager.FindDevice(kVid, 1, 0), 1);
  EXPECT_EQ(manager.FindDevice(kVid, 1, 1), -1);
}

TEST_F(DeviceManagerFixture, SendReportRefusesWithoutADevice) {
  Report report{};
  report[0] = 0x06;
  EXPECT_FALSE(manager.SendReport(report, true));  // not opened
  manager.Reenumerate();
  manager.SetCurrentType(101);
  EXPECT_FALSE(manager.SendReport(report, true));  // opened, nothing there
  EXPECT_EQ(report[0], 0x06);
}

TEST_F(DeviceManagerFixture, RepliesAndRequestsComeBackAsDescribed) {
  Add("wired", 1);
  manager.Reenumerate();
  manager.SetCurrentType(101);
  Report request{};
  request[0] = 0x06;
  request[1] = 0x13;
  request[5] = 0x02;

  Report withReply = request;
  ASSERT_TRUE(manager.SendReport(withReply, true));
  EXPECT_EQ(withReply[2], 0xEE);  // the reply replaced the request

  Report withoutReply = request;
  ASSERT_TRUE(manager.SendReport(withoutReply, false));
  EXPECT_EQ(withoutReply, request);
  manager.PollReports(nullptr);  // the idle worker drops the reply nobody waited for

  WithDevice("wired", [](FakeDevice& d) { d.answer = nullptr; });  // stops answering
  Report unanswered = request;
  EXPECT_FALSE(manager.SendReport(unanswered, true));
  EXPECT_EQ(unanswered, request);

  WithDevice("wired", [](FakeDevice& d) { d.gone = true; });  // pulled out
  EXPECT_FALSE(manager.SendReport(unanswered, true));
}

TEST_F(DeviceManagerFixture, EventsArrivingDuringAWaitAreKeptNotTakenForTheReply) {
  Add("dongle", 2);
  manager.Reenumerate();
  manager.SetCurrentType(101);
  WithDevice("dongle", [](FakeDevice& d) {
    d.answer = [](const Report& request) {
      Report reply = request;
      reply[2] = 0xEE;
      return std::vector<Report>{EventReport(2, 3), LinkReport(false), reply};
    };
  });
  Report report{};
  report[0] = 0x06;
  report[1] = 0x13;
  ASSERT_TRUE(manager.SendReport(report, true));
  EXPECT_EQ(report[2], 0xEE);
  EXPECT_EQ(report[1], 0x13);

  std::vector<std::pair<Report, int>> seen;
  ASSERT_TRUE(manager.PollReports([&](const Report& r, int type) { seen.emplace_back(r, type); }));
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].first, EventReport(2, 3));
  EXPECT_EQ(seen[0].second, 101);
  EXPECT_EQ(seen[1].first, LinkReport(false));
  EXPECT_EQ(All()[0].linkState, 2);  // the link report took effect
}

TEST_F(DeviceManagerFixture, EveryReportOfASweepIsHandedOverInRecordOrder) {
  Add("a-wired", 1);
  Add("b-other", 3);
  manager.Reenumerate();
  WithDevice("a-wired", [](FakeDevice& d) { d.input.push_back(EventReport(3, 50, 1)); });
  WithDevice("b-other", [](FakeDevice& d) { d.input.push_back(EventReport(2, 1)); });
  std::vector<int> senders;
  ASSERT_TRUE(manager.PollReports([&](const Report& r, int type) {
    EXPECT_EQ(r[1], 0xFA);
    senders.push_back(type);
  }));
  EXPECT_EQ(senders, (std::vector<int>{101, 102}));

  manager.CloseAll();
  EXPECT_FALSE(manager.PollReports(nullptr));  // not opened
}

TEST_F(DeviceManagerFixture, DongleLinkReportsMarkEveryRecordOfTheDongle) {
  Add("dongle", 2);
  manager.Reenumerate();
  manager.SetCurrentType(101);
  WithDevice("dongle", [](FakeDevice& d) { d.input.push_back(LinkReport(false)); });
  manager.PollDongleLinks();
  EXPECT_EQ(All()[0].linkState, 2);
  WithDevice("dongle", [](FakeDevice& d) { d.input.push_back(LinkReport(true)); });
  manager.PollDongleLinks();
  EXPECT_EQ(All()[0].linkState, 1);
}

TEST_F(DeviceManagerFixture, LookUpsDoNotWaitForARunningRequest) {
  Add("wired", 1);
  manager.Reenumerate();
  manager.SetCurrentType(101);
  WithDevice("wired", [](FakeDevice& d) { d.answer = nullptr; });
  std::atomic<bool> sending{true};
  std::thread worker([&] {
    Report report{};
    manager.SendReport(report, true);  // waits out its reads
    sending = false;
  });
  int lookUps = 0;
  while (sending) {
    EXPECT_EQ(manager.FindDevice(kVid, 1, 0), 0);
    ++lookUps;
    std::this_thread::sleep_for(1ms);
  }
  worker.join();
  EXPECT_GT(lookUps, 1);
}

TEST(DeviceManagerBackend, AFailingHidSubsystemIsRetriedAtEveryEnumeration) {
  auto world = std::make_shared<FakeBackend::World>();
  world->initOk = false;
  world->devices["wired"].collections = Collections("wired", kVid, 1);
  world->devices["wired"].answer = AnsweringMouse;
  DeviceManager manager(std::make_unique<FakeBackend>(world), Fast());
  manager.RegisterSupported({kVid, 1, 101, 0});
  manager.Reenumerate();
  std::vector<DeviceRecord> records;
  EXPECT_FALSE(manager.GetDevices(records));
  world->initOk = true;
  manager.Reenumerate();
  EXPECT_TRUE(manager.GetDevices(records));
}
