#include "app/device/HidrawNotifier.h"

#include <cstdio>

namespace Zorvane {

HidrawNotifier::HidrawNotifier(DeviceNoticeSink sink)
    : sink_(std::move(sink)), monitor_([this](const Platform::HidrawEvent& event) {
        if (sink_) sink_(ToNotice(event));
      }) {}

HidrawNotifier::~HidrawNotifier() {
  monitor_.Stop();
}

bool HidrawNotifier::Start() {
  return monitor_.Start();
}

void HidrawNotifier::Stop() {
  monitor_.Stop();
}

std::string HidrawNotifier::InterfacePath(std::uint16_t vendorId, std::uint16_t productId, int interfaceNumber,
                                          std::string_view sysname) {
  char identity[40];
  if (interfaceNumber >= 0 && interfaceNumber <= 0xFF) {
    std::snprintf(identity, sizeof identity, "HID#VID_%04X&PID_%04X&MI_%02X#", vendorId, productId, interfaceNumber);
  } else {
    std::snprintf(identity, sizeof identity, "HID#VID_%04X&PID_%04X#", vendorId, productId);
  }
  return identity + std::string(sysname);
}

DeviceNotice HidrawNotifier::ToNotice(const Platform::HidrawEvent& event) {
  DeviceNotice notice;
  notice.kind =
      event.action == Platform::HidrawEvent::Action::Add ? DeviceNotice::Kind::Arrival : DeviceNotice::Kind::Removal;
  notice.interfacePath = InterfacePath(event.vendorId, event.productId, event.interfaceNumber, event.sysname);
  notice.openPath = event.devnode;
  return notice;
}

}  // namespace Zorvane
