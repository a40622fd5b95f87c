#pragma once

#include <memory>

#include "app/device/HidBackend.h"
#include "app/device/sim/SimulatorWorld.h"

namespace Zorvane {

// An open interface of the simulator. Keeps the world alive, so a handle
// that outlives its backend fails cleanly instead of dangling.
class SimulatorHandle : public HidHandle {
 public:
  SimulatorHandle(std::shared_ptr<SimulatorWorld> world, int id, bool vendor)
      : world_(std::move(world)), id_(id), reportLength_(vendor ? kReportLength : 0) {}
  ~SimulatorHandle() override { world_->Close(id_); }
  SimulatorHandle(const SimulatorHandle&) = delete;
  SimulatorHandle& operator=(const SimulatorHandle&) = delete;

  int Write(const std::uint8_t* data, std::size_t length) override { return world_->Write(id_, data, length); }
  int ReadTimeout(std::uint8_t* data, std::size_t length, int milliseconds) override {
    return world_->Read(id_, data, length, milliseconds);
  }
  // 0 on an interface without the vendor collection.
  int OutputReportLength() const override { return reportLength_; }
  int InputReportLength() const override { return reportLength_; }

 private:
  const std::shared_ptr<SimulatorWorld> world_;
  const int id_;
  const int reportLength_;
};

}  // namespace Zorvane
