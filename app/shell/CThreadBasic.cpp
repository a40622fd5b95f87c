#include "app/shell/CThreadBasic.h"

#include <time.h>

#include <algorithm>
#include <chrono>
#include <system_error>

#include "platform/Clock.h"

namespace Zorvane {
namespace {

constexpr int kStopWaitMs = 1000;
// A sleeping thread looks at its running flag this often, so a stop never
// waits for the rest of a long interval.
constexpr long kSleepSliceNs = 10'000'000;

void AddNanoseconds(timespec& t, long long ns) {
  t.tv_sec += static_cast<time_t>(ns / 1'000'000'000);
  t.tv_nsec += static_cast<long>(ns % 1'000'000'000);
  if (t.tv_nsec >= 1'000'000'000) {
    t.tv_sec += 1;
    t.tv_nsec -= 1'000'000'000;
  }
}

bool Before(const timespec& a, const timespec& b) {
  return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec < b.tv_nsec);
}

}  // namespace

CThreadBasic::~CThreadBasic() {
  JoinThread();
}

bool CThreadBasic::StartThread(int intervalMs, bool repeat) {
  if (running_.load()) return false;
  {
    std::lock_guard lock(mutex_);
    if (alive_) return false;  // a stopped body is still finishing its pass
  }
  if (thread_.joinable()) thread_.join();  // ended already: returns at once

  interval_ = intervalMs;
  repeat_ = repeat;
  startTick_ = Platform::TickCount();
  running_.store(true);
  {
    std::lock_guard lock(mutex_);
    alive_ = true;
  }
  try {
    thread_ = std::thread(&CThreadBasic::ThreadProc, this);
  } catch (const std::system_error&) {
    running_.store(false);
    std::lock_guard lock(mutex_);
    alive_ = false;
    return false;
  }
  return true;
}

bool CThreadBasic::StopThread() {
  if (!running_.exchange(false)) return false;
  std::unique_lock lock(mutex_);
  bool ended = ended_.wait_for(lock, std::chrono::milliseconds(kStopWaitMs), [this] { return !alive_; });
  lock.unlock();
  if (ended && thread_.joinable()) thread_.join();
  return true;
}

void CThreadBasic::JoinThread() {
  running_.store(false);
  if (thread_.joinable()) thread_.join();
}

bool CThreadBasic::SleepWhileRunning(int ms) {
  timespec deadline{};
  clock_gettime(CLOCK_MONOTONIC, &deadline);
  AddNanoseconds(deadline, static_cast<long long>(std::max(ms, 0)) * 1'000'000);
  for (;;) {
    if (!running_.load()) return false;
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    if (!Before(now, deadline)) return true;
    timespec slice = now;
    AddNanoseconds(slice, kSleepSliceNs);
    const timespec& wake = Before(slice, deadline) ? slice : deadline;
    clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &wake, nullptr);  // EINTR: the loop re-checks
  }
}

void CThreadBasic::ThreadProc() {
  if (repeat_) {
    while (running_.load()) {
      ThreadBody();
      SleepWhileRunning(interval_);
    }
  } else {
    ThreadBody();
  }
  // Both under the lock: whoever sees the flag cleared here and then asks
  // StartThread for a new thread finds this one ended, not still alive.
  std::lock_guard lock(mutex_);
  running_.store(false);
  alive_ = false;
  ended_.notify_all();  // the owner joins before the object goes, so this is safe
}

}  // namespace Zorvane
