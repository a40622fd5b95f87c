#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/config/Catalogue.h"
#include "app/config/ConfigStore.h"
#include "app/config/Language.h"
#include "app/config/RegistrySettings.h"
#include "app/device/DeviceConnection.h"
#include "app/device/DeviceStateHost.h"
#include "app/device/DeviceWorker.h"
#include "app/device/TaskCode.h"
#include "platform/Paths.h"
#include "tests/app/device/FakeHid.h"
#include "tests/support/TempFolder.h"

using Nuvex::CString;
using TestSupport::AnsweringMouse;
using TestSupport::Collections;
using TestSupport::FakeBackend;
using TestSupport::ScopedEnv;
using TestSupport::TempFolder;
using TestSupport::WriteFile;
using Zorvane::DeviceNotice;
using namespace Zorvane;

namespace {

class RecordingStateHost : public DeviceStateHost {
 public:
  std::vector<std::string> calls;
  int selected = 0;
  bool listHasType = true;  // whether SetSelectDevice finds the type in the list

  void SetAllDeviceState(int state) override { calls.push_back("SetAllDeviceState " + std::to_string(state)); }
  void SetDeviceState(int type, int mode, int link) override {
    calls.push_back("SetDeviceState " + std::to_string(type) + " " + std::to_string(mode) + " " + std::to_string(link));
  }
  void SetDeviceVersion(int type, int release) override {
    calls.push_back("SetDeviceVersion " + std::to_string(type) + " " + std::to_string(release));
  }
  void SetDeviceBattery(int type, int charging, int level) override {
    calls.push_back("SetDeviceBattery " + std::to_string(type) + " " + std::to_string(charging) + " " +
                    std::to_string(level));
  }
  void SetSelectDevice(int type) override {
    calls.push_back("SetSelectDevice " + std::to_string(type));
    if (listHasType) selected = type;
  }
  int GetSelectDevice() override { return selected; }
  void SetStatusText(const CString& text) override { calls.push_back("SetStatusText " + text.ToUtf8()); }
  void ShowNoDeviceLook() override { calls.push_back("ShowNoDeviceLook"); }
  void ShowDeviceListLook() override { calls.push_back("ShowDeviceListLook"); }
  void ClosePopups() override { calls.push_back("ClosePopups"); }
};

DeviceManager::Timing Fast() {
  DeviceManager::Timing timing;
  timing.replyReadTimeoutMs = 2;
  timing.emptyReadSleepMs = 1;
  timing.failedAttemptSleepMs = 1;
  timing.pollTimeoutMs = 1;
  return timing;
}

constexpr char kCatalogue[] = R"xml(<config><device>
<mouse name="A" device_type="101" device_attr="a">
<mode value="0" vid="1209" pid="1" hid_interface="MI_01"/>
<mode value="1" vid="1209" pid="2" hid_interface=""/>
</mouse></device></config>)xml";

}  // namespace

class Connection : public testing::Test {
 protected:
  TempFolder program, data, config;
  ScopedEnv configHome{"XDG_CONFIG_HOME", config.Path().c_str()};
  std::shared_ptr<FakeBackend::World> world = std::make_shared<FakeBackend::World>();
  DeviceManager manager{std::make_unique<FakeBackend>(world), Fast()};
  ConfigStore store;
  Catalogue catalogue{program.Path(), data.Path(), store};
  DeviceWorker worker;
  RecordingStateHost host;
  DeviceConnection connection{manager, worker, catalogue, host};

  void SetUp() override {
    Language::SetLanguageId(1033);
    RegistrySettings::ReadSettingInt("exit_mode");
    RegistrySettings::WriteDeviceType(101);
    WriteFile(program / "config.xml", kCatalogue);
    ASSERT_TRUE(Platform::CreateFolderTree(data / "db"));
    struct : CatalogueHost {
      void ClearDeviceList() override {}
      void AddDeviceToList(const CString&, int, const CString&) override {}
      void SetVersionLabel(const CString&) override {}
      void DisableInputMethod() override {}
      void ShowMousePicture(const CString&) override {}
      void ShowLightingTab(bool) override {}
      void ClearButtonLabels() override {}
      void AddButtonLabel(const CString&, int, int, Nuvex::CPoint, Nuvex::CPoint) override {}
      void SelectFirstButtonLabel() override {}
      void ClearSupportedDevices() override {}
      void RegisterSupported(const SupportedDevice&) override {}
      void RegisterDeviceNotifications() override {}
      void UpdateConnectionState() override {}
    } quiet;
    catalogue.LoadCatalogue(quiet);
    for (const auto& mode : catalogue.Modes())
      manager.RegisterSupported({mode.vendorId, mode.productId, mode.deviceType, mode.modeValue});
  }
  void Plug(const std::string& path, int pid) {
    std::lock_guard lock(world->mutex);
    world->devices[path].collections = Collections(path, 0x1209, pid);
    world->devices[path].answer = AnsweringMouse;
    world->devices[path].gone = false;
  }
  DeviceNotice Notice(DeviceNotice::Kind kind, const std::string& path, int pid) {
    char text[64];
    std::snprintf(text, sizeof text, "HID#VID_1209&PID_%04X&MI_01#HIDRAW7", pid);
    return {kind, text, path};
  }
};

TEST_F(Connection, NothingConnectedShowsTheNoDeviceLook) {
  connection.SetDeviceState();
  EXPECT_FALSE(worker.IsDevicePresent());
  EXPECT_FALSE(connection.IsMouseOnline());
  std::vector<std::string> expected = {"SetAllDeviceState 0", "SetSelectDevice 101", "SetStatusText Not connected",
                                       "ShowNoDeviceLook", "ClosePopups"};
  EXPECT_EQ(host.calls, expected);
}

TEST_F(Connection, AnAnsweringCableShowsTheDeviceList) {
  Plug("wired", 1);
  connection.SetDeviceState();
  EXPECT_TRUE(worker.IsDevicePresent());
  EXPECT_TRUE(connection.IsMouseOnline());
  EXPECT_EQ(connection.CurDeviceType(), 101);
  std::vector<std::string> expected = {
      "SetAllDeviceState 0", "SetDeviceState 101 0 1", "SetDeviceVersion 101 256", "SetDeviceBattery 101 0 80",
      "SetSelectDevice 101", "SetStatusText Wired",    "ShowDeviceListLook",       "ClosePopups"};
  EXPECT_EQ(host.calls, expected);
}

TEST_F(Connection, ADongleWithoutItsMouseIsPresentButNotConnected) {
  Plug("dongle", 2);
  {
    std::lock_guard lock(world->mutex);
    world->devices["dongle"].answer = nullptr;  // the mouse behind it is off
  }
  connection.SetDeviceState();
  EXPECT_TRUE(worker.IsDevicePresent());
  EXPECT_FALSE(connection.IsMouseOnline());
  EXPECT_EQ(host.calls.back(), "ShowNoDeviceLook");  // and no popups closed
  EXPECT_NE(std::find(host.calls.begin(), host.calls.end(), "SetDeviceState 0 1 0"), host.calls.end());

  host.calls.clear();
  connection.SetDeviceStateForEvent();
  EXPECT_EQ(std::count(host.calls.begin(), host.calls.end(), "ClosePopups"), 0);
}

TEST_F(Connection, ArrivalQueuesOneReEnumerationWhileAModeIsNotOpen) {
  Plug("wired", 1);
  connection.UpdateUSBDevice(Notice(DeviceNotice::Kind::Arrival, "wired", 1));
  EXPECT_EQ(worker.Tasks().Snapshot(), std::vector<int>{kDeviceArrived});

  // Both modes open: another arrival changes nothing.
  Plug("dongle", 2);
  connection.SetDeviceState();
  host.calls.clear();
  connection.UpdateUSBDevice(Notice(DeviceNotice::Kind::Arrival, "wired", 1));
  EXPECT_EQ(worker.Tasks().Snapshot(), std::vector<int>{kDeviceArrived});
  EXPECT_TRUE(host.calls.empty());

  // An interface without the vendor collection is not looked at further.
  {
    std::lock_guard lock(world->mutex);
    world->devices["keyboard"].collections = {Collections("keyboard", 0x1209, 1)[0]};
  }
  DeviceWorker fresh;
  DeviceConnection other(manager, fresh, catalogue, host);
  manager.CloseAll();
  other.UpdateUSBDevice(Notice(DeviceNotice::Kind::Arrival, "keyboard", 1));
  EXPECT_TRUE(fresh.Tasks().Empty());
}

TEST_F(Connection, RemovalQueuesOnlyForAnOpenInterfaceWithItsText) {
  Plug("wired", 1);
  Plug("dongle", 2);
  connection.UpdateUSBDevice(Notice(DeviceNotice::Kind::Removal, "wired", 1));
  EXPECT_TRUE(worker.Tasks().Empty());  // no device present yet

  connection.SetDeviceState();
  // The dongle's mode has no interface text: its removal never queues.
  connection.UpdateUSBDevice({DeviceNotice::Kind::Removal, "HID#VID_1209&PID_0002&MI_00#HIDRAW8", "dongle"});
  EXPECT_TRUE(worker.Tasks().Empty());
  connection.UpdateUSBDevice({DeviceNotice::Kind::Removal, "hid#vid_1209&pid_0001&mi_01#hidraw7", "wired"});
  EXPECT_EQ(worker.Tasks().Snapshot(), std::vector<int>{kDeviceRemoved});
  EXPECT_EQ(host.calls.back(), "ClosePopups");
}
