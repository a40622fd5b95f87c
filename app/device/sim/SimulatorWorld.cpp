#include "app/device/sim/SimulatorWorld.h"

#include <algorithm>
#include <cstdio>

namespace Zorvane {

using namespace SimulatorProtocol;

namespace {

constexpr std::array<std::uint16_t, 2> kMouseCollection = {0x0001, 0x0002};
constexpr std::array<std::uint16_t, 2> kKeyboardCollection = {0x0001, 0x0006};
constexpr std::array<std::uint16_t, 2> kConsumerCollection = {0x000C, 0x0001};
constexpr std::array<std::uint16_t, 2> kVendorCollection = {kVendorUsagePage, kVendorUsage};

constexpr std::uint16_t kOtherProductId = 0x000A;  // in no catalogue
constexpr std::uint16_t kWiredRelease = 0x0103;
constexpr std::uint16_t kDongleRelease = 0x0105;
constexpr std::uint16_t kOtherRelease = 0x0100;

}  // namespace

SimulatorWorld::SimulatorWorld(const SimulatorModel& model) : model_(model) {}

// --- transport ---------------------------------------------------------------

std::vector<HidDeviceInfo> SimulatorWorld::Enumerate() const {
  std::lock_guard lock(mutex_);
  std::vector<const Interface*> byNode;
  for (const Interface& interface : interfaces_) byNode.push_back(&interface);
  std::sort(byNode.begin(), byNode.end(), [](const Interface* a, const Interface* b) { return a->node < b->node; });
  std::vector<HidDeviceInfo> list;
  for (const Interface* interface : byNode) {
    for (const auto& [usagePage, usage] : interface->collections) {
      HidDeviceInfo info;
      info.path = interface->path;
      info.vendorId = model_.vendorId;
      info.productId = interface->productId;
      info.releaseNumber = interface->release;
      info.usagePage = usagePage;
      info.usage = usage;
      info.interfaceNumber = interface->number;
      list.push_back(info);
    }
  }
  return list;
}

bool SimulatorWorld::IsVendorInterface(const std::string& path) const {
  std::lock_guard lock(mutex_);
  const Interface* interface = FindPath(path);
  return interface && interface->vendor;
}

std::optional<SimulatorWorld::Opened> SimulatorWorld::Open(const std::string& path) {
  std::lock_guard lock(mutex_);
  const Interface* interface = FindPath(path);
  if (!interface) return std::nullopt;
  int id = nextHandle_++;
  handles_[id] = Handle{interface->serial, interface->vendor, {}};
  return Opened{id, interface->vendor};
}

void SimulatorWorld::Close(int handle) {
  std::lock_guard lock(mutex_);
  handles_.erase(handle);
}

int SimulatorWorld::Write(int handle, const std::uint8_t* data, std::size_t length) {
  std::lock_guard lock(mutex_);
  auto found = handles_.find(handle);
  if (found == handles_.end()) return -1;
  const Interface* interface = FindSerial(found->second.serial);
  // Only the vendor collection has an output report, and only with its id;
  // the device refuses anything else, as a real one stalls the transfer.
  if (!interface || !interface->vendor || !data || length == 0 || length > kFrameLength || data[0] != kReportId)
    return -1;

  Frame request(kFrameLength, 0);
  std::copy_n(data, length, request.begin());
  if (interface->port == SimulatedPort::Wired) {
    if (auto reply = mouse_.Handle(request, SimulatedMouse::Path::Cable)) DeliverReply(SimulatedPort::Wired, *reply);
  } else {
    SimulatedDongle::Outcome outcome = dongle_.Handle(request, mouse_);
    if (outcome.reply) DeliverReply(SimulatedPort::Dongle, *outcome.reply);
    if (outcome.linkDropped) Deliver(SimulatedPort::Dongle, LinkReport(false), Clock::now());
  }
  return static_cast<int>(length);
}

int SimulatorWorld::Read(int handle, std::uint8_t* data, std::size_t length, int milliseconds) {
  std::unique_lock lock(mutex_);
  std::optional<Clock::time_point> deadline;
  if (milliseconds >= 0) deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
  for (;;) {
    auto found = handles_.find(handle);
    if (found == handles_.end() || !FindSerial(found->second.serial)) return -1;
    std::deque<Pending>& queue = found->second.queue;
    Clock::time_point now = Clock::now();
    if (!queue.empty() && queue.front().due <= now) {
      Frame frame = std::move(queue.front().frame);
      queue.pop_front();
      std::size_t copied = std::min(length, frame.size());
      if (data) std::copy_n(frame.begin(), copied, data);
      return static_cast<int>(copied);
    }
    if (deadline && now >= *deadline) return 0;
    // Wake for the deadline, the first report falling due, or news.
    std::optional<Clock::time_point> wake = deadline;
    if (!queue.empty() && (!wake || queue.front().due < *wake)) wake = queue.front().due;
    if (wake)
      arrived_.wait_until(lock, *wake);
    else
      arrived_.wait(lock);
  }
}

// --- plugging ----------------------------------------------------------------

std::vector<DeviceNotice> SimulatorWorld::Plug(SimulatedPort port) {
  std::lock_guard lock(mutex_);
  std::vector<DeviceNotice> notices;
  if (plugged_[Index(port)]) return notices;
  plugged_[Index(port)] = true;
  switch (port) {
    case SimulatedPort::Wired:
    case SimulatedPort::Dongle: {
      bool wired = port == SimulatedPort::Wired;
      std::uint16_t product = wired ? model_.wiredProductId : model_.dongleProductId;
      std::uint16_t release = wired ? kWiredRelease : kDongleRelease;
      AddInterface(port, 0, product, release, {kMouseCollection}, notices);
      AddInterface(port, 1, product, release, {kKeyboardCollection, kConsumerCollection, kVendorCollection}, notices);
      if (!wired) dongle_.PowerUp(MouseReachable());
      break;
    }
    case SimulatedPort::Other:
      AddInterface(port, 0, kOtherProductId, kOtherRelease, {kKeyboardCollection, kConsumerCollection}, notices);
      break;
  }
  return notices;
}

std::vector<DeviceNotice> SimulatorWorld::Unplug(SimulatedPort port) {
  std::lock_guard lock(mutex_);
  std::vector<DeviceNotice> notices;
  if (!plugged_[Index(port)]) return notices;
  plugged_[Index(port)] = false;
  for (const Interface& interface : interfaces_)
    if (interface.port == port) notices.push_back(Notice(DeviceNotice::Kind::Removal, interface));
  std::erase_if(interfaces_, [port](const Interface& interface) { return interface.port == port; });
  for (auto& [id, handle] : handles_)
    if (!FindSerial(handle.serial)) handle.queue.clear();
  if (port == SimulatedPort::Dongle) dongle_.PowerDown();
  arrived_.notify_all();  // waiting reads fail now
  return notices;
}

void SimulatorWorld::AddInterface(SimulatedPort port, int number, std::uint16_t productId, std::uint16_t release,
                                  std::vector<std::array<std::uint16_t, 2>> collections,
                                  std::vector<DeviceNotice>& notices) {
  Interface interface;
  interface.port = port;
  interface.serial = nextSerial_++;
  interface.node = FreeNode();
  interface.number = number;
  interface.productId = productId;
  interface.release = release;
  interface.vendor = std::find(collections.begin(), collections.end(), kVendorCollection) != collections.end();
  interface.collections = std::move(collections);
  interface.path = "/sim/hidraw" + std::to_string(interface.node);
  interfaces_.push_back(interface);
  notices.push_back(Notice(DeviceNotice::Kind::Arrival, interface));
}

DeviceNotice SimulatorWorld::Notice(DeviceNotice::Kind kind, const Interface& interface) const {
  char text[80];
  std::snprintf(text, sizeof text, "HID#VID_%04X&PID_%04X&MI_%02X#SIM-HIDRAW%d", model_.vendorId, interface.productId,
                interface.number, interface.node);
  return DeviceNotice{kind, text, interface.path};
}

int SimulatorWorld::FreeNode() const {
  for (int node = 0;; ++node) {
    bool used = std::any_of(interfaces_.begin(), interfaces_.end(),
                            [node](const Interface& interface) { return interface.node == node; });
    if (!used) return node;
  }
}

const SimulatorWorld::Interface* SimulatorWorld::FindPath(const std::string& path) const {
  for (const Interface& interface : interfaces_)
    if (interface.path == path) return &interface;
  return nullptr;
}

const SimulatorWorld::Interface* SimulatorWorld::FindSerial(int serial) const {
  for (const Interface& interface : interfaces_)
    if (interface.serial == serial) return &interface;
  return nullptr;
}

const SimulatorWorld::Interface* SimulatorWorld::VendorInterface(SimulatedPort port) const {
  for (const Interface& interface : interfaces_)
    if (interface.port == port && interface.vendor) return &interface;
  return nullptr;
}

// --- the mouse and its link --------------------------------------------------

void SimulatorWorld::SetMousePower(bool on) {
  std::lock_guard lock(mutex_);
  bool reachable = MouseReachable();
  mouse_.SetPoweredOn(on);
  if (MouseReachable() != reachable) UpdateLink();
}

void SimulatorWorld::SetMouseInRange(bool inRange) {
  std::lock_guard lock(mutex_);
  bool reachable = MouseReachable();
  inRange_ = inRange;
  if (MouseReachable() != reachable) UpdateLink();
}

// Only on a change of reachability: a pairing dongle takes a mouse that
// comes within reach, not one that merely is.
void SimulatorWorld::UpdateLink() {
  if (!plugged_[Index(SimulatedPort::Dongle)]) return;
  Clock::time_point now = Clock::now();
  SimulatedDongle::LinkChange change = dongle_.SetMouseReachable(MouseReachable());
  switch (change) {
    case SimulatedDongle::LinkChange::None:
      break;
    case SimulatedDongle::LinkChange::Lost:
      Deliver(SimulatedPort::Dongle, LinkReport(false), now);
      break;
    case SimulatedDongle::LinkChange::Linked:
    case SimulatedDongle::LinkChange::Paired:
      // The link report first: the host re-enumerates on the link event,
      // and a report after it would go to a closed handle.
      Deliver(SimulatedPort::Dongle, LinkReport(true), now);
      Deliver(SimulatedPort::Dongle, SimulatedMouse::LinkEvent(change == SimulatedDongle::LinkChange::Paired), now);
      break;
  }
}

std::optional<SimulatedPort> SimulatorWorld::MouseRoute() const {
  // With a cable the mouse reports over USB, else over the air.
  if (plugged_[Index(SimulatedPort::Wired)]) return SimulatedPort::Wired;
  if (plugged_[Index(SimulatedPort::Dongle)] && dongle_.IsLinked()) return SimulatedPort::Dongle;
  return std::nullopt;
}

bool SimulatorWorld::SendFromMouse(const Frame& event) {
  std::optional<SimulatedPort> route = MouseRoute();
  if (!route) return false;
  Deliver(*route, event, Clock::now());
  return true;
}

bool SimulatorWorld::PressDpiButton() {
  std::lock_guard lock(mutex_);
  if (!MouseAwake()) return false;
  return SendFromMouse(mouse_.PressDpiButton());
}

bool SimulatorWorld::SetBattery(int level, bool charging) {
  std::lock_guard lock(mutex_);
  return SendFromMouse(mouse_.SetBattery(level, charging));
}

bool SimulatorWorld::PressPcActionButton(int type, int value) {
  std::lock_guard lock(mutex_);
  if (!MouseAwake()) return false;
  return SendFromMouse(SimulatedMouse::PcActionEvent(type, value));
}

bool SimulatorWorld::WakeMouse() {
  std::lock_guard lock(mutex_);
  if (!MouseAwake()) return false;
  return SendFromMouse(SimulatedMouse::WakeEvent());
}

// --- replies -----------------------------------------------------------------

void SimulatorWorld::Deliver(SimulatedPort port, const Frame& frame, Clock::time_point due) {
  const Interface* interface = VendorInterface(port);
  if (!interface) return;
  for (auto& [id, handle] : handles_) {
    if (handle.serial != interface->serial || !handle.vendor) continue;
    Clock::time_point at = handle.queue.empty() ? due : std::max(due, handle.queue.back().due);
    handle.queue.push_back({frame, at});
  }
  arrived_.notify_all();
}

void SimulatorWorld::DeliverReply(SimulatedPort port, const Frame& reply) {
  switch (mode_) {
    case ResponseMode::Normal:
      Deliver(port, reply, Clock::now());
      break;
    case ResponseMode::Slow:
      Deliver(port, reply, Clock::now() + slowDelay_);
      break;
    case ResponseMode::Silent:
      break;
    case ResponseMode::Junk:
      Deliver(port, Junk(reply[1]), Clock::now());
      break;
  }
}

SimulatorProtocol::Frame SimulatorWorld::Junk(std::uint8_t command) {
  std::uniform_int_distribution<int> byte(0, 255);
  auto draw = [&] { return static_cast<std::uint8_t>(byte(random_)); };
  Frame junk(kFrameLength);
  for (std::uint8_t& value : junk) value = draw();
  switch (junkKind_++ % 3) {
    case 0:  // another report id
      while (junk[0] == kReportId || junk[0] == kLinkReportId) junk[0] = draw();
      break;
    case 1:  // cut short
      junk[0] = kReportId;
      junk.resize(1 + static_cast<std::size_t>(byte(random_) % 40));
      break;
    default:  // the right id, answering some other command
      junk[0] = kReportId;
      break;
  }
  // Never an event or a link report: garbage must not make the host act.
  if (junk.size() > 1)
    while (junk[1] == command || junk[1] == kEventMark) junk[1] = draw();
  return junk;
}

// --- settings ----------------------------------------------------------------

void SimulatorWorld::SetResponseMode(ResponseMode mode, std::chrono::milliseconds slowDelay) {
  std::lock_guard lock(mutex_);
  mode_ = mode;
  slowDelay_ = slowDelay;
}

SimulatorSnapshot SimulatorWorld::Snapshot() const {
  std::lock_guard lock(mutex_);
  SimulatorSnapshot snapshot;
  snapshot.mouse = mouse_.State();
  snapshot.wiredPlugged = plugged_[Index(SimulatedPort::Wired)];
  snapshot.donglePlugged = plugged_[Index(SimulatedPort::Dongle)];
  snapshot.otherPlugged = plugged_[Index(SimulatedPort::Other)];
  snapshot.mouseInRange = inRange_;
  snapshot.linked = dongle_.IsLinked();
  snapshot.paired = dongle_.IsPaired();
  snapshot.pairing = dongle_.IsPairing();
  snapshot.dongleFirmwareMajorMinor = dongle_.FirmwareMajorMinor();
  snapshot.dongleFirmwareBuild = dongle_.FirmwareBuild();
  snapshot.responseMode = mode_;
  snapshot.openHandles = static_cast<int>(handles_.size());
  return snapshot;
}

}  // namespace Zorvane
