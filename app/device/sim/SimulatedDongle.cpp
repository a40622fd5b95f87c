#include "app/device/sim/SimulatedDongle.h"

namespace Zorvane {

using namespace SimulatorProtocol;

SimulatedDongle::Outcome SimulatedDongle::Handle(const Frame& request, SimulatedMouse& mouse) {
  Outcome outcome;
  if (request[1] == kVersionQuery) {
    outcome.reply = VersionReply(request);
  } else if (request[1] == kSetParameter && request[5] == kParamPairing) {
    outcome.linkDropped = linked_;
    paired_ = false;
    pairing_ = true;
    linked_ = false;
    outcome.reply = Acknowledge(request);
  } else if (linked_) {
    outcome.reply = mouse.Handle(request, SimulatedMouse::Path::Radio);
  } else if (request[1] == kStatusQuery) {
    outcome.reply = OfflineStatus(request);
  }
  return outcome;
}

Frame SimulatedDongle::OfflineStatus(const Frame& request) const {
  // The dongle knows nothing of the mouse: no firmware version (bytes 9, 10),
  // its own connection mode, and offline.
  Frame reply = Acknowledge(request);
  reply[11] = 1;
  reply[12] = 0;
  return reply;
}

Frame SimulatedDongle::VersionReply(const Frame& request) const {
  Frame reply = Acknowledge(request);
  reply[5] = 1;  // the reply carries a dongle version
  reply[9] = firmwareBuild_;
  reply[10] = firmwareMajorMinor_;
  return reply;
}

void SimulatedDongle::PowerUp(bool mouseReachable) {
  pairing_ = false;
  linked_ = paired_ && mouseReachable;
}

void SimulatedDongle::PowerDown() {
  pairing_ = false;
  linked_ = false;
}

SimulatedDongle::LinkChange SimulatedDongle::SetMouseReachable(bool reachable) {
  if (!reachable) {
    if (!linked_) return LinkChange::None;
    linked_ = false;
    return LinkChange::Lost;
  }
  if (linked_) return LinkChange::None;
  if (paired_) {
    linked_ = true;
    return LinkChange::Linked;
  }
  if (pairing_) {
    paired_ = true;
    pairing_ = false;
    linked_ = true;
    return LinkChange::Paired;
  }
  return LinkChange::None;
}

}  // namespace Zorvane
