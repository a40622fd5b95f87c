#include "platform/HidrawMonitor.h"

#include <libudev.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <system_error>
#include <vector>

namespace Platform {

namespace {

constexpr std::uint16_t kUsbBus = 0x0003;

bool IsHexDigit(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Exactly `digits` hexadecimal digits (any count when 0).
std::optional<std::uint32_t> ParseHex(std::string_view text, std::size_t digits = 0) {
  if (text.empty() || text.size() > 8 || (digits != 0 && text.size() != digits)) return std::nullopt;
  std::uint32_t value = 0;
  for (char c : text) {
    if (!IsHexDigit(c)) return std::nullopt;
    const std::uint32_t digit = c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
    value = value * 16 + digit;
  }
  return value;
}

std::optional<int> ParseDecimal(std::string_view text) {
  if (text.empty() || text.size() > 3) return std::nullopt;
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return value;
}

std::vector<std::string_view> SplitPath(std::string_view path) {
  std::vector<std::string_view> parts;
  while (!path.empty()) {
    const std::size_t slash = path.find('/');
    std::string_view part = path.substr(0, slash);
    if (!part.empty()) parts.push_back(part);
    if (slash == std::string_view::npos) break;
    path.remove_prefix(slash + 1);
  }
  return parts;
}

// "<bus>:<vendor>:<product>.<instance>", as the kernel names a HID device.
bool ParseHidDeviceName(std::string_view name, std::uint16_t& bus, std::uint16_t& vendorId, std::uint16_t& productId) {
  if (name.size() < 16 || name[4] != ':' || name[9] != ':' || name[14] != '.') return false;
  auto busValue = ParseHex(name.substr(0, 4), 4);
  auto vendor = ParseHex(name.substr(5, 4), 4);
  auto product = ParseHex(name.substr(10, 4), 4);
  if (!busValue || !vendor || !product || !ParseHex(name.substr(15))) return false;
  bus = static_cast<std::uint16_t>(*busValue);
  vendorId = static_cast<std::uint16_t>(*vendor);
  productId = static_cast<std::uint16_t>(*product);
  return true;
}

// "<bus number>-<ports>:<configuration>.<interface>", a USB interface.
std::optional<int> ParseUsbInterfaceName(std::string_view name) {
  const std::size_t dash = name.find('-');
  const std::size_t colon = name.find(':');
  const std::size_t dot = name.rfind('.');
  if (dash == std::string_view::npos || colon == std::string_view::npos || dot == std::string_view::npos || dash == 0 ||
      colon < dash || dot < colon) {
    return std::nullopt;
  }
  if (!ParseDecimal(name.substr(0, dash)) || !ParseDecimal(name.substr(colon + 1, dot - colon - 1))) {
    return std::nullopt;
  }
  return ParseDecimal(name.substr(dot + 1));
}

std::string Text(const char* text) {
  return text != nullptr ? text : "";
}

}  // namespace

HidrawMonitor::HidrawMonitor(Callback callback) : callback_(std::move(callback)) {}

HidrawMonitor::~HidrawMonitor() {
  Stop();
}

bool HidrawMonitor::Start() {
  if (thread_.joinable()) return true;
  udev_ = udev_new();
  if (udev_ != nullptr) monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
  bool ok = monitor_ != nullptr && udev_monitor_filter_add_match_subsystem_devtype(monitor_, "hidraw", nullptr) >= 0 &&
            udev_monitor_enable_receiving(monitor_) >= 0;
  if (ok) {
    stopFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    ok = stopFd_ >= 0;
  }
  if (ok) {
    known_.clear();
    try {
      thread_ = std::thread(&HidrawMonitor::Run, this);
    } catch (const std::system_error&) {
      ok = false;
    }
  }
  if (!ok) Release();
  return ok;
}

void HidrawMonitor::Stop() {
  if (!thread_.joinable()) return;
  const std::uint64_t one = 1;
  ssize_t written;
  do {
    written = write(stopFd_, &one, sizeof one);
  } while (written < 0 && errno == EINTR);
  thread_.join();
  Release();
}

void HidrawMonitor::Release() {
  if (monitor_ != nullptr) udev_monitor_unref(monitor_);
  if (udev_ != nullptr) udev_unref(udev_);
  if (stopFd_ >= 0) close(stopFd_);
  monitor_ = nullptr;
  udev_ = nullptr;
  stopFd_ = -1;
}

void HidrawMonitor::Run() {
  // The monitor already receives, so a node that comes meanwhile is not
  // missed; one present now is only remembered, never reported.
  if (udev_enumerate* enumeration = udev_enumerate_new(udev_)) {
    if (udev_enumerate_add_match_subsystem(enumeration, "hidraw") >= 0 &&
        udev_enumerate_scan_devices(enumeration) >= 0) {
      udev_list_entry* entry;
      udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumeration)) {
        if (udev_device* device = udev_device_new_from_syspath(udev_, udev_list_entry_get_name(entry))) {
          Remember(device);
          udev_device_unref(device);
        }
      }
    }
    udev_enumerate_unref(enumeration);
  }

  pollfd fds[2] = {{udev_monitor_get_fd(monitor_), POLLIN, 0}, {stopFd_, POLLIN, 0}};
  for (;;) {
    const int ready = poll(fds, 2, -1);
    if (ready < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (fds[1].revents != 0 || (fds[0].revents & POLLNVAL) != 0) return;
    // POLLERR is an overrun of the socket's buffer: the receive clears it,
    // and events lost to it cannot be had back.
    if ((fds[0].revents & (POLLIN | POLLERR)) == 0) continue;
    udev_device* device = udev_monitor_receive_device(monitor_);
    if (device == nullptr) continue;
    const std::string action = Text(udev_device_get_action(device));
    HidrawEvent event;
    event.sysname = Text(udev_device_get_sysname(device));
    event.devnode = Text(udev_device_get_devnode(device));
    bool report = true;
    if (action == "add") {
      event.action = HidrawEvent::Action::Add;
      const Identity identity = IdentityOf(device);
      known_[event.sysname] = identity;
      event.vendorId = identity.vendorId;
      event.productId = identity.productId;
      event.interfaceNumber = identity.interfaceNumber;
    } else if (action == "remove") {
      event.action = HidrawEvent::Action::Remove;
      if (auto it = known_.find(event.sysname); it != known_.end()) {
        event.vendorId = it->second.vendorId;
        event.productId = it->second.productId;
        event.interfaceNumber = it->second.interfaceNumber;
        known_.erase(it);
      } else {
        ParseDevpath(Text(udev_device_get_devpath(device)), event);
      }
    } else {
      report = false;
    }
    udev_device_unref(device);
    if (report && callback_) callback_(event);
  }
}

void HidrawMonitor::Remember(udev_device* device) {
  if (const char* sysname = udev_device_get_sysname(device)) known_[sysname] = IdentityOf(device);
}

HidrawMonitor::Identity HidrawMonitor::IdentityOf(udev_device* device) {
  Identity identity;
  bool found = false;
  // Parents belong to the device; they are not released here.
  if (udev_device* usb = udev_device_get_parent_with_subsystem_devtype(device, "usb", "usb_device")) {
    auto vendor = ParseHex(Text(udev_device_get_sysattr_value(usb, "idVendor")), 4);
    auto product = ParseHex(Text(udev_device_get_sysattr_value(usb, "idProduct")), 4);
    if (vendor && product) {
      identity.vendorId = static_cast<std::uint16_t>(*vendor);
      identity.productId = static_cast<std::uint16_t>(*product);
      found = true;
    }
  }
  if (udev_device* usbInterface = udev_device_get_parent_with_subsystem_devtype(device, "usb", "usb_interface")) {
    if (auto number = ParseHex(Text(udev_device_get_sysattr_value(usbInterface, "bInterfaceNumber")), 2)) {
      identity.interfaceNumber = static_cast<int>(*number);
    }
  }
  if (!found) {
    if (udev_device* hid = udev_device_get_parent_with_subsystem_devtype(device, "hid", nullptr)) {
      found = ParseHidId(Text(udev_device_get_property_value(hid, "HID_ID")), identity.vendorId, identity.productId);
    }
  }
  // The node may be gone already, its parents with it; the path still tells.
  if (!found) {
    HidrawEvent fromPath;
    if (ParseDevpath(Text(udev_device_get_devpath(device)), fromPath)) {
      identity.vendorId = fromPath.vendorId;
      identity.productId = fromPath.productId;
      if (identity.interfaceNumber < 0) identity.interfaceNumber = fromPath.interfaceNumber;
    }
  }
  return identity;
}

bool HidrawMonitor::ParseHidId(std::string_view text, std::uint16_t& vendorId, std::uint16_t& productId) {
  if (text.size() != 22 || text[4] != ':' || text[13] != ':') return false;
  auto bus = ParseHex(text.substr(0, 4), 4);
  auto vendor = ParseHex(text.substr(5, 8), 8);
  auto product = ParseHex(text.substr(14, 8), 8);
  if (!bus || !vendor || !product || *vendor > 0xFFFF || *product > 0xFFFF) return false;
  vendorId = static_cast<std::uint16_t>(*vendor);
  productId = static_cast<std::uint16_t>(*product);
  return true;
}

bool HidrawMonitor::ParseDevpath(std::string_view devpath, HidrawEvent& event) {
  const std::vector<std::string_view> parts = SplitPath(devpath);
  // The innermost HID device: a node's own parent comes last.
  for (std::size_t i = parts.size(); i-- > 0;) {
    std::uint16_t bus, vendor, product;
    if (!ParseHidDeviceName(parts[i], bus, vendor, product)) continue;
    event.vendorId = vendor;
    event.productId = product;
    event.interfaceNumber = -1;
    if (bus == kUsbBus && i > 0) {
      if (auto number = ParseUsbInterfaceName(parts[i - 1])) event.interfaceNumber = *number;
    }
    return true;
  }
  return false;
}

}  // namespace Platform
