#include "tests/app/device/FakeHid.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace TestSupport {

using Zorvane::HidDeviceInfo;
using Zorvane::Report;

namespace {

class FakeHandle : public Zorvane::HidHandle {
 public:
  FakeHandle(std::shared_ptr<FakeBackend::World> world, std::string path) : world_(std::move(world)), path_(path) {}
  ~FakeHandle() override {
    std::lock_guard lock(world_->mutex);
    Device().openHandles--;
  }

  int Write(const std::uint8_t* data, std::size_t length) override {
    std::lock_guard lock(world_->mutex);
    FakeDevice& device = Device();
    if (device.gone) return -1;
    Report request{};
    std::copy_n(data, std::min(length, request.size()), request.begin());
    device.written.push_back(request);
    if (device.answer)
      for (const Report& reply : device.answer(request)) device.input.push_back(reply);
    return static_cast<int>(length);
  }

  int ReadTimeout(std::uint8_t* data, std::size_t length, int milliseconds) override {
    {
      std::lock_guard lock(world_->mutex);
      FakeDevice& device = Device();
      device.reads++;
      if (device.gone) return -1;
      if (!device.input.empty()) {
        Report report = device.input.front();
        device.input.pop_front();
        std::copy_n(report.begin(), std::min(length, report.size()), data);
        return static_cast<int>(std::min(length, report.size()));
      }
    }
    // Nothing there: the time-out passes (kept short by the tests' timing).
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    return 0;
  }

  int OutputReportLength() const override { return Zorvane::kReportLength; }
  int InputReportLength() const override { return Zorvane::kReportLength; }

 private:
  FakeDevice& Device() { return world_->devices.at(path_); }

  std::shared_ptr<FakeBackend::World> world_;
  std::string path_;
};

}  // namespace

bool FakeBackend::Init() {
  std::lock_guard lock(world_->mutex);
  return world_->initOk;
}

std::vector<HidDeviceInfo> FakeBackend::Enumerate() {
  std::lock_guard lock(world_->mutex);
  std::vector<HidDeviceInfo> all;
  for (const auto& [path, device] : world_->devices)
    all.insert(all.end(), device.collections.begin(), device.collections.end());
  return all;
}

std::unique_ptr<Zorvane::HidHandle> FakeBackend::Open(const std::string& path) {
  std::lock_guard lock(world_->mutex);
  auto it = world_->devices.find(path);
  if (it == world_->devices.end() || !it->second.openable || it->second.gone) return nullptr;
  it->second.openHandles++;
  return std::make_unique<FakeHandle>(world_, path);
}

bool FakeBackend::IsVendorInterface(const std::string& path) {
  std::lock_guard lock(world_->mutex);
  auto it = world_->devices.find(path);
  if (it == world_->devices.end()) return false;
  for (const HidDeviceInfo& c : it->second.collections)
    if (c.usagePage == Zorvane::kVendorUsagePage && c.usage == Zorvane::kVendorUsage) return true;
  return false;
}

Report StatusReply(int battery, int charging) {
  Report reply{};
  reply[0] = 0x06;
  reply[1] = 0x05;
  reply[9] = 10;     // build number
  reply[10] = 0x10;  // major and minor: 1.0
  reply[12] = 1;     // online
  reply[13] = static_cast<std::uint8_t>(battery);
  reply[14] = static_cast<std::uint8_t>(charging);
  return reply;
}

std::vector<Report> AnsweringMouse(const Report& request) {
  if (request[1] == 0x05) return {StatusReply()};
  Report echo = request;
  echo[2] = 0xEE;  // marks a reply
  return {echo};
}

std::vector<HidDeviceInfo> Collections(const std::string& path, int vendorId, int productId, int release) {
  HidDeviceInfo mouse{path,
                      static_cast<std::uint16_t>(vendorId),
                      static_cast<std::uint16_t>(productId),
                      static_cast<std::uint16_t>(release),
                      0x0001,
                      0x0002,
                      1};
  HidDeviceInfo vendor = mouse;
  vendor.usagePage = Zorvane::kVendorUsagePage;
  vendor.usage = Zorvane::kVendorUsage;
  return {mouse, vendor};
}

Report EventReport(int code, int data6, int data7) {
  Report report{};
  report[0] = 0x06;
  report[1] = 0xFA;
  report[5] = static_cast<std::uint8_t>(code);
  report[6] = static_cast<std::uint8_t>(data6);
  report[7] = static_cast<std::uint8_t>(data7);
  return report;
}

Report LinkReport(bool linked) {
  Report report{};
  report[0] = 0xC0;
  report[1] = linked ? 1 : 0;
  return report;
}

}  // namespace TestSupport
