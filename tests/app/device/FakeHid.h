#pragma once

// A scripted HID backend for the device layer's tests: each device answers
// requests with whatever its script says and counts what happened to it.

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/device/DeviceManager.h"
#include "app/device/HidBackend.h"

namespace TestSupport {

struct FakeDevice {
  std::vector<Zorvane::HidDeviceInfo> collections;  // all with the device's path
  bool openable = true;
  bool gone = false;  // reads and writes fail
  // Replies to one written request, in order; none: silence.
  std::function<std::vector<Zorvane::Report>(const Zorvane::Report& request)> answer;
  std::deque<Zorvane::Report> input;  // reports waiting to be read
  std::vector<Zorvane::Report> written;
  int openHandles = 0;
  int reads = 0;
};

class FakeBackend : public Zorvane::HidBackend {
 public:
  // Shared with the test, which keeps scripting devices after handing the
  // backend to a manager.
  struct World {
    std::mutex mutex;
    std::map<std::string, FakeDevice> devices;  // by path
    bool initOk = true;
  };

  explicit FakeBackend(std::shared_ptr<World> world) : world_(std::move(world)) {}

  bool Init() override;
  std::vector<Zorvane::HidDeviceInfo> Enumerate() override;
  std::unique_ptr<Zorvane::HidHandle> Open(const std::string& path) override;
  bool IsVendorInterface(const std::string& path) override;

 private:
  std::shared_ptr<World> world_;
};

// A status reply of a mouse that answers: firmware 1.0.10, battery, charging.
Zorvane::Report StatusReply(int battery = 80, int charging = 0);
// An answering mouse: status replies to 0x05, an echo to everything else.
std::vector<Zorvane::Report> AnsweringMouse(const Zorvane::Report& request);
// A vendor collection and a mouse collection of one interface.
std::vector<Zorvane::HidDeviceInfo> Collections(const std::string& path, int vendorId, int productId,
                                                int release = 0x0100);
Zorvane::Report EventReport(int code, int data6, int data7 = 0);
Zorvane::Report LinkReport(bool linked);

}  // namespace TestSupport
