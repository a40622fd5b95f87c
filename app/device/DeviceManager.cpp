#include "app/device/DeviceManager.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "platform/Clock.h"

namespace Zorvane {
namespace {

constexpr std::uint8_t kReportId = 0x06;
constexpr std::uint8_t kStatusQuery = 0x05;
constexpr std::uint8_t kEventMark = 0xFA;   // byte 1 of an event report
constexpr std::uint8_t kLinkReport = 0xC0;  // byte 0 of a dongle link report
constexpr std::size_t kLinkReportLength = 33;
constexpr std::size_t kMaxKeptReports = 64;  // a device that only chatters cannot grow this

std::unique_ptr<DeviceManager>& Installed() {
  static std::unique_ptr<DeviceManager> manager;
  return manager;
}

bool IsKeptAside(const Report& report) {
  return report[1] == kEventMark || report[0] == kLinkReport;
}

// Lengths above a report are refused when a device is opened; this only
// guards against a backend that reports nonsense.
std::size_t Clamp(int length) {
  return length <= 0 || length > kReportLength ? kReportLength : static_cast<std::size_t>(length);
}

}  // namespace

void DeviceManager::Install(std::unique_ptr<HidBackend> backend) {
  Installed() = std::make_unique<DeviceManager>(std::move(backend));
}

DeviceManager& DeviceManager::Instance() {
  if (!Installed()) {
    // A programming error: nothing may reach a device before start-up chose
    // where devices come from.
    std::fputs("DeviceManager used before a HID backend was installed\n", stderr);
    std::abort();
  }
  return *Installed();
}

DeviceManager::DeviceManager(std::unique_ptr<HidBackend> backend) : DeviceManager(std::move(backend), Timing()) {}

DeviceManager::DeviceManager(std::unique_ptr<HidBackend> backend, Timing timing)
    : backend_(std::move(backend)), timing_(timing) {
  backendReady_ = backend_ && backend_->Init();
}

DeviceManager::~DeviceManager() {
  SetOpened(true);  // CloseAll only closes an opened manager
  CloseAll();
}

void DeviceManager::RegisterSupported(const SupportedDevice& device) {
  std::lock_guard lock(state_);
  supported_.push_back(device);
}

void DeviceManager::ClearSupported() {
  std::lock_guard lock(state_);
  supported_.clear();
}

std::vector<SupportedDevice> DeviceManager::Supported() const {
  std::lock_guard lock(state_);
  return supported_;
}

void DeviceManager::CloseAll() {
  std::lock_guard io(io_);
  std::vector<std::unique_ptr<OpenRecord>> closing;
  {
    std::lock_guard lock(state_);
    if (!opened_) return;
    opened_ = false;
    closing.swap(records_);
    activeRecord_ = -1;
  }
  // The handles close here, outside the short lock.
}

void DeviceManager::EnumerateDevice() {
  std::lock_guard io(io_);
  if (!backendReady_) backendReady_ = backend_ && backend_->Init();
  if (!backendReady_) return;
  std::vector<SupportedDevice> supported = Supported();
  for (const HidDeviceInfo& info : backend_->Enumerate()) {
    auto match = std::find_if(supported.begin(), supported.end(), [&](const SupportedDevice& s) {
      return s.vendorId == info.vendorId && s.productId == info.productId;
    });
    if (match == supported.end()) continue;
    // Only the vendor collection becomes a record; the interface's other
    // collections are left alone.
    if (info.usagePage != kVendorUsagePage || info.usage != kVendorUsage) continue;
    std::unique_ptr<HidHandle> handle = backend_->Open(info.path);
    if (!handle) continue;
    auto open = std::make_unique<OpenRecord>();
    open->record.vendorId = info.vendorId;
    open->record.productId = info.productId;
    open->record.path = info.path.substr(0, 1024);
    open->record.releaseNumber = info.releaseNumber;
    open->record.devType = match->deviceType;
    open->record.devMode = match->mode;
    open->handle = std::move(handle);
    FirstStatusQuery(*open);
    std::lock_guard lock(state_);
    records_.push_back(std::move(open));
    activeRecord_ = -1;
  }
}

void DeviceManager::FirstStatusQuery(OpenRecord& open) {
  Report query{};
  query[0] = kReportId;
  query[1] = kStatusQuery;
  Report reply{};
  bool answered = false;
  for (int attempt = 0; attempt < timing_.statusAttempts && !answered; ++attempt) {
    if (open.handle->Write(query.data(), Clamp(open.handle->OutputReportLength())) > 0) {
      for (int read = 0; read < timing_.replyReads; ++read) {
        if (ReadReply(open, reply) > 0) {
          answered = true;
          break;
        }
        Platform::SleepMilliseconds(timing_.emptyReadSleepMs);
      }
    }
    if (!answered) Platform::SleepMilliseconds(timing_.failedAttemptSleepMs);
  }
  std::lock_guard lock(state_);
  // A firmware version says the mouse itself answered, through the cable or
  // through its dongle; a dongle whose mouse is off answers without one.
  if (answered && (reply[9] != 0 || reply[10] != 0)) {
    open.record.linkState = 1;
    open.record.charging = reply[14];
    open.record.batteryLevel = reply[13];
  } else {
    open.record.devType = 0;
    open.record.linkState = 0;
  }
}

int DeviceManager::ReadReply(OpenRecord& open, Report& report) {
  Report read{};
  int n = open.handle->ReadTimeout(read.data(), Clamp(open.handle->InputReportLength()), timing_.replyReadTimeoutMs);
  if (n <= 0) return 0;
  if (IsKeptAside(read)) {
    if (read[0] == kLinkReport) ApplyLinkReport(read, open.record);  // the link state is news at once
    std::lock_guard lock(state_);
    if (kept_.size() == kMaxKeptReports) kept_.pop_front();
    kept_.push_back({read, open.record.devType});
    return 0;
  }
  std::copy_n(read.begin(), std::min<std::size_t>(static_cast<std::size_t>(n), read.size()), report.begin());
  return n;
}

bool DeviceManager::IsVendorInterface(const std::string& path) {
  return backend_ && backend_->IsVendorInterface(path);
}

void DeviceManager::SetOpened(bool opened) {
  std::lock_guard lock(state_);
  opened_ = opened;
}

bool DeviceManager::IsOpened() const {
  std::lock_guard lock(state_);
  return opened_;
}

void DeviceManager::Reenumerate() {
  std::lock_guard io(io_);
  ClearActiveHandle();
  CloseAll();
  EnumerateDevice();
  SetOpened(true);
}

bool DeviceManager::GetDevices(std::vector<DeviceRecord>& records) const {
  std::lock_guard lock(state_);
  records.clear();
  for (const auto& open : records_)
    if (currentType_ == 0 || open->record.devType == currentType_) records.push_back(open->record);
  return !records.empty();
}

void DeviceManager::SetCurrentType(int devType) {
  std::lock_guard lock(state_);
  currentType_ = devType;
  activeRecord_ = -1;
}

int DeviceManager::GetCurrentType() const {
  std::lock_guard lock(state_);
  return currentType_;
}

void DeviceManager::ClearActiveHandle() {
  std::lock_guard lock(state_);
  activeRecord_ = -1;
}

int DeviceManager::GetCurrentDevMode() const {
  std::lock_guard lock(state_);
  for (int mode : {0, 1}) {
    for (const auto& open : records_) {
      const DeviceRecord& r = open->record;
      if (r.devType == currentType_ && r.devMode == mode && r.linkState == 1) return mode;
    }
  }
  return -1;
}

int DeviceManager::ActiveRecord() {
  std::lock_guard lock(state_);
  if (activeRecord_ >= 0) return activeRecord_;
  // A cable wins whatever its state; a dongle only while its mouse is linked.
  for (std::size_t i = 0; i < records_.size(); ++i) {
    const DeviceRecord& r = records_[i]->record;
    if (r.devType == currentType_ && r.devMode == 0) return activeRecord_ = static_cast<int>(i);
  }
  for (std::size_t i = 0; i < records_.size(); ++i) {
    const DeviceRecord& r = records_[i]->record;
    if (r.devType == currentType_ && r.devMode == 1) {
      if (r.linkState == 1) activeRecord_ = static_cast<int>(i);
      break;
    }
  }
  return activeRecord_;
}

int DeviceManager::FindDevice(int vendorId, int productId, int devMode) const {
  std::lock_guard lock(state_);
  for (std::size_t i = 0; i < records_.size(); ++i) {
    const DeviceRecord& r = records_[i]->record;
    if (r.vendorId == vendorId && r.productId == productId && r.devMode == devMode) return static_cast<int>(i);
  }
  return -1;
}

void DeviceManager::SetLinkState(int vendorId, int productId, int linkState) {
  std::lock_guard lock(state_);
  for (auto& open : records_)
    if (open->record.vendorId == vendorId && open->record.productId == productId) open->record.linkState = linkState;
}

void DeviceManager::ApplyLinkReport(const Report& report, const DeviceRecord& sender) {
  SetLinkState(sender.vendorId, sender.productId, report[1] == 1 ? 1 : 2);
}

bool DeviceManager::SendReport(Report& report, bool replyExpected) {
  std::lock_guard io(io_);
  if (!IsOpened()) return false;
  int index = ActiveRecord();
  if (index < 0) return false;
  OpenRecord& open = *records_[static_cast<std::size_t>(index)];  // records change only under io_

  Report scratch = report;
  int last = open.handle->Write(scratch.data(), Clamp(open.handle->OutputReportLength()));
  if (last > 0 && replyExpected) {
    scratch = report;
    for (int read = 0; read < timing_.replyReads; ++read) {
      last = ReadReply(open, scratch);
      if (last > 0) break;
      Platform::SleepMilliseconds(timing_.emptyReadSleepMs);
    }
    report = scratch;
  }
  return last > 0;
}

bool DeviceManager::PollReports(const ReportSink& sink) {
  std::lock_guard io(io_);
  if (!IsOpened()) return false;
  std::vector<KeptReport> arrived;
  {
    std::lock_guard lock(state_);
    arrived.assign(kept_.begin(), kept_.end());
    kept_.clear();
  }
  for (auto& open : records_) {
    if (!open->handle) continue;
    Report read{};
    int n = open->handle->ReadTimeout(read.data(), Clamp(open->handle->InputReportLength()), timing_.pollTimeoutMs);
    if (n <= 0) continue;
    if (read[0] == kLinkReport) ApplyLinkReport(read, open->record);
    arrived.push_back({read, open->record.devType});
  }
  // Handed over after the sweep: a handler may re-enumerate, which replaces
  // the records the sweep walks.
  for (const KeptReport& kept : arrived)
    if (sink) sink(kept.report, kept.devType);
  return true;
}

void DeviceManager::PollDongleLinks() {
  std::lock_guard io(io_);
  int currentType = GetCurrentType();
  for (auto& open : records_) {
    if (!open->handle || open->record.devType != currentType || open->record.devMode != 1) continue;
    Report read{};
    int n = open->handle->ReadTimeout(read.data(), kLinkReportLength, timing_.pollTimeoutMs);
    if (n <= 0) continue;
    if (read[0] == kLinkReport) {
      ApplyLinkReport(read, open->record);
    } else if (read[1] == kEventMark) {
      std::lock_guard lock(state_);  // an event is kept for the next poll, not lost
      if (kept_.size() == kMaxKeptReports) kept_.pop_front();
      kept_.push_back({read, open->record.devType});
    }
  }
}

}  // namespace Zorvane
