#include "app/device/sim/SimulatorBackend.h"

#include <cstdio>

#include "app/device/sim/SimulatorCommands.h"
#include "app/device/sim/SimulatorHandle.h"

namespace Zorvane {

SimulatorBackend::SimulatorBackend(const SimulatorModel& model) : world_(std::make_shared<SimulatorWorld>(model)) {}

SimulatorBackend::~SimulatorBackend() {
  channel_.reset();  // its thread drives this object
}

std::unique_ptr<HidHandle> SimulatorBackend::Open(const std::string& path) {
  std::optional<SimulatorWorld::Opened> opened = world_->Open(path);
  if (!opened) return nullptr;
  return std::make_unique<SimulatorHandle>(world_, opened->handle, opened->vendor);
}

void SimulatorBackend::SetNoticeSink(DeviceNoticeSink sink) {
  std::lock_guard lock(noticeMutex_);
  sink_ = std::move(sink);
}

bool SimulatorBackend::Plug(SimulatedPort port) {
  std::lock_guard lock(noticeMutex_);
  std::vector<DeviceNotice> notices = world_->Plug(port);
  Raise(notices);
  return !notices.empty();
}

bool SimulatorBackend::Unplug(SimulatedPort port) {
  std::lock_guard lock(noticeMutex_);
  std::vector<DeviceNotice> notices = world_->Unplug(port);
  Raise(notices);
  return !notices.empty();
}

void SimulatorBackend::Raise(const std::vector<DeviceNotice>& notices) {
  // Outside the world's lock: a sink may well look at the interface.
  if (!sink_) return;
  for (const DeviceNotice& notice : notices) sink_(notice);
}

void SimulatorBackend::PlugDefaultSetup() {
  SwitchMouse(true);
  SetMouseInRange(true);
  Plug(SimulatedPort::Wired);
  Plug(SimulatedPort::Dongle);
}

bool SimulatorBackend::OpenCommandChannel(const std::string& path, SimulatorCommandChannel::Log log) {
  channel_.reset();
  auto channel = std::make_unique<SimulatorCommandChannel>(
      [this](const std::string& line) { return SimulatorCommands::Run(*this, line).message; }, std::move(log));
  if (!channel->Start(path)) return false;
  channel_ = std::move(channel);
  return true;
}

std::unique_ptr<SimulatorBackend> MakeSimulatorBackend(const SimulatorModel& model) {
  return std::make_unique<SimulatorBackend>(model);
}

std::unique_ptr<SimulatorBackend> MakeDefaultSimulator() {
  auto simulator = MakeSimulatorBackend();
  simulator->PlugDefaultSetup();
  std::string path = SimulatorCommandChannel::DefaultPath();
  if (simulator->OpenCommandChannel(path))
    std::fprintf(stderr, "zorvane: simulated mouse; drive it with: echo help > '%s'\n", path.c_str());
  else
    std::fprintf(stderr, "zorvane: simulated mouse; no command channel at '%s'\n", path.c_str());
  return simulator;
}

}  // namespace Zorvane
