#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

namespace Zorvane {

// Runs ThreadBody on a thread of its own, once or repeatedly with a pause of
// `interval` milliseconds between passes.
//
// Lifetime: the object owns its thread and never lets it outlive it.
// StopThread waits at most one second; a body still busy after that keeps
// running on its own, and the thread is joined later - by the next
// StopThread/JoinThread or at the latest by the destructor. Because
// ThreadBody is virtual, a derived class must call JoinThread() in its own
// destructor: by the time the base destructor runs, the derived members the
// body uses are already gone.
//
// Never two bodies at once: StartThread refuses while a previous thread is
// still running, even one that StopThread has already told to stop.
//
// Thread rule: StartThread, StopThread and JoinThread are called by the owner's
// thread, never from within ThreadBody.
class CThreadBasic {
 public:
  CThreadBasic() = default;
  virtual ~CThreadBasic();
  CThreadBasic(const CThreadBasic&) = delete;
  CThreadBasic& operator=(const CThreadBasic&) = delete;

  // false when a thread is running (or a stopped one has not ended yet) or
  // the system refuses a new thread; true when the thread was started.
  bool StartThread(int intervalMs, bool repeat);
  // false when not running. Otherwise clears the running flag, wakes a
  // sleeping repeat loop, waits at most 1000 ms for the thread to end and
  // returns true whether or not it ended in that time.
  bool StopThread();
  // Clears the running flag and waits for the thread to end, without limit.
  void JoinThread();

  bool IsRunning() const { return running_.load(); }
  // The monotonic tick count (ms) when the thread was last started.
  std::uint32_t GetStartTick() const { return startTick_; }

 protected:
  virtual void ThreadBody() = 0;

  // Sleeps up to `ms` milliseconds but returns early, with false, as soon as
  // the thread is told to stop. For long waits inside a body.
  bool SleepWhileRunning(int ms);

 private:
  void ThreadProc();

  std::atomic<bool> running_{false};
  bool repeat_ = false;
  int interval_ = 1;
  std::uint32_t startTick_ = 0;

  std::thread thread_;
  std::mutex mutex_;               // guards alive_
  std::condition_variable ended_;  // signalled when alive_ drops
  bool alive_ = false;             // the thread has started and not yet ended
};

}  // namespace Zorvane
