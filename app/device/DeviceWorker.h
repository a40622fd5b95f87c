#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <mutex>

#include "app/device/TaskQueue.h"
#include "app/shell/CThreadBasic.h"

namespace Zorvane {

// The device worker: the one thread that talks to the mouse. The UI stores a
// setting and queues a task code; each pass of the worker takes at most one
// code and carries out its work, or, when the queue is empty and a device is
// open, polls the devices once for their own event reports.
//
// Pass (every 2 ms):
//   paused           -> nothing; queued codes stay for later
//   queue not empty  -> remove the first code, then run its work (a code
//                       without work is dropped); a code queued during its own
//                       work therefore runs again in a later pass
//   queue empty      -> the idle work, when a device is present
//
// The work table and the idle work are filled in by the modules that own the
// work, before Start(); changing them later waits for the running pass.
class DeviceWorker : public CThreadBasic {
 public:
  using Work = std::function<void()>;

  static constexpr int kPassIntervalMs = 2;

  DeviceWorker() = default;
  ~DeviceWorker() override;

  void SetTaskWork(int code, Work work);
  void SetIdleWork(Work work);

  // Any thread. Appends a code; the caller never waits for its work.
  void Queue(int code) { queue_.Push(code); }
  const TaskQueue& Tasks() const { return queue_; }

  // Starts the repeating pass, unless it already runs.
  bool Start() { return StartThread(kPassIntervalMs, true); }

  // While paused the worker does nothing and leaves the queue alone. Pause
  // returns only once a pass that is running has ended, so after it returns
  // the worker does not touch the device until Resume. Called from the work
  // of a code, it only sets the flag (the pass cannot wait for itself).
  void Pause();
  void Resume() { paused_.store(false); }
  bool IsPaused() const { return paused_.load(); }

  void SetDevicePresent(bool present) { devicePresent_.store(present); }
  bool IsDevicePresent() const { return devicePresent_.load(); }

  // One pass, as the thread runs it; tests call it directly.
  void RunPass();

 protected:
  void ThreadBody() override { RunPass(); }

 private:
  TaskQueue queue_;
  std::mutex passMutex_;  // held for the whole of a pass
  std::atomic<bool> paused_{false};
  std::atomic<bool> devicePresent_{false};
  std::map<int, Work> work_;  // guarded by passMutex_
  Work idle_;                 // guarded by passMutex_
};

}  // namespace Zorvane
