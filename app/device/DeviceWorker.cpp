#include "app/device/DeviceWorker.h"

namespace Zorvane {
namespace {

// The worker whose pass runs on this thread, if any.
thread_local const DeviceWorker* passOwner = nullptr;

}  // namespace

DeviceWorker::~DeviceWorker() {
  JoinThread();
}

void DeviceWorker::SetTaskWork(int code, Work work) {
  std::lock_guard lock(passMutex_);
  work_[code] = std::move(work);
}

void DeviceWorker::SetIdleWork(Work work) {
  std::lock_guard lock(passMutex_);
  idle_ = std::move(work);
}

void DeviceWorker::Pause() {
  paused_.store(true);
  if (passOwner == this) return;
  // Taking the pass lock once waits out a pass that began before the flag
  // was set; every later pass sees the flag.
  std::lock_guard lock(passMutex_);
}

void DeviceWorker::RunPass() {
  std::lock_guard lock(passMutex_);
  if (paused_.load()) return;
  passOwner = this;
  if (std::optional<int> code = queue_.Pop()) {
    auto it = work_.find(*code);
    if (it != work_.end() && it->second) it->second();
  } else if (devicePresent_.load() && idle_) {
    idle_();
  }
  passOwner = nullptr;
}

}  // namespace Zorvane
