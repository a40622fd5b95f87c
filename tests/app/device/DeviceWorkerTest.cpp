#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "app/device/DeviceWorker.h"
#include "app/device/TaskCode.h"
#include "tests/support/WaitFor.h"

using namespace std::chrono_literals;
using TestSupport::WaitFor;
using Zorvane::DeviceWorker;

namespace {

// Records the work carried out, in order, from whichever thread runs it.
class Recorder {
 public:
  DeviceWorker::Work For(int code) {
    return [this, code] { Add(code); };
  }
  void Add(int code) {
    std::lock_guard lock(mutex_);
    done_.push_back(code);
  }
  std::vector<int> Done() const {
    std::lock_guard lock(mutex_);
    return done_;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<int> done_;
};

}  // namespace

TEST(DeviceWorker, OneCodePerPassInQueueOrderAndIdleOnlyWhenEmptyWithADevice) {
  DeviceWorker worker;
  Recorder recorder;
  for (int code : {Zorvane::kWriteDpi, Zorvane::kWriteReportRate, Zorvane::kWriteSensor})
    worker.SetTaskWork(code, recorder.For(code));
  worker.SetIdleWork(recorder.For(-1));

  worker.Queue(10);
  worker.Queue(11);
  worker.Queue(99);  // no work: dropped
  worker.Queue(12);
  worker.Queue(10);  // duplicates run each time
  worker.SetDevicePresent(true);

  worker.RunPass();
  EXPECT_EQ(recorder.Done(), (std::vector<int>{10}));
  for (int i = 0; i < 4; ++i) worker.RunPass();
  EXPECT_EQ(recorder.Done(), (std::vector<int>{10, 11, 12, 10}));
  EXPECT_TRUE(worker.Tasks().Empty());

  worker.RunPass();  // empty queue, device present: poll
  worker.SetDevicePresent(false);
  worker.RunPass();  // no device: nothing
  EXPECT_EQ(recorder.Done(), (std::vector<int>{10, 11, 12, 10, -1}));
}

TEST(DeviceWorker, CodeQueuedDuringItsOwnWorkRunsAgain) {
  DeviceWorker worker;
  int runs = 0;
  worker.SetTaskWork(Zorvane::kWriteKeys, [&] {
    // Removed before its work started, so this is a new request.
    EXPECT_TRUE(worker.Tasks().Empty());
    if (++runs == 1) worker.Queue(Zorvane::kWriteKeys);
  });
  worker.Queue(Zorvane::kWriteKeys);
  worker.RunPass();
  worker.RunPass();
  worker.RunPass();
  EXPECT_EQ(runs, 2);
}

TEST(DeviceWorker, BurstFromSeveralThreadsKeepsEachSendersOrder) {
  DeviceWorker worker;
  Recorder recorder;
  constexpr int kPerSender = 300;
  for (int code = 0; code < 2 * kPerSender; ++code) worker.SetTaskWork(code, recorder.For(code));
  ASSERT_TRUE(worker.Start());

  std::thread evens([&] {
    for (int i = 0; i < kPerSender; ++i) worker.Queue(2 * i);
  });
  std::thread odds([&] {
    for (int i = 0; i < kPerSender; ++i) worker.Queue(2 * i + 1);
  });
  evens.join();
  odds.join();
  ASSERT_TRUE(WaitFor([&] { return recorder.Done().size() == 2 * kPerSender; }, 20s));
  worker.JoinThread();

  int nextEven = 0, nextOdd = 1;
  for (int code : recorder.Done()) {
    int& expected = code % 2 == 0 ? nextEven : nextOdd;
    ASSERT_EQ(code, expected);
    expected += 2;
  }
}

TEST(DeviceWorker, PauseKeepsQueuedCodesForLater) {
  DeviceWorker worker;
  Recorder recorder;
  worker.SetTaskWork(2, recorder.For(2));
  worker.SetTaskWork(7, recorder.For(7));
  worker.SetIdleWork(recorder.For(-1));
  worker.SetDevicePresent(true);

  worker.Queue(7);
  worker.Pause();
  worker.Queue(2);  // queued while paused, as the pairing dialog's close does
  for (int i = 0; i < 5; ++i) worker.RunPass();
  EXPECT_TRUE(recorder.Done().empty());
  EXPECT_EQ(worker.Tasks().Snapshot(), (std::vector<int>{7, 2}));

  worker.Resume();
  worker.RunPass();
  worker.RunPass();
  EXPECT_EQ(recorder.Done(), (std::vector<int>{7, 2}));
}

TEST(DeviceWorker, PauseWaitsForTheRunningPass) {
  DeviceWorker worker;
  std::atomic<bool> started{false}, ended{false};
  worker.SetTaskWork(Zorvane::kFactoryReset, [&] {
    started = true;
    std::this_thread::sleep_for(300ms);
    ended = true;
  });
  worker.Queue(Zorvane::kFactoryReset);
  ASSERT_TRUE(worker.Start());
  ASSERT_TRUE(WaitFor([&] { return started.load(); }));

  worker.Pause();
  EXPECT_TRUE(ended.load());
  worker.Queue(Zorvane::kFactoryReset);
  started = false;
  std::this_thread::sleep_for(50ms);
  EXPECT_FALSE(started.load());  // paused: the new code waits
  worker.Resume();
  EXPECT_TRUE(WaitFor([&] { return started.load(); }));
  worker.JoinThread();
}

TEST(DeviceWorker, WorkMayPauseItsOwnWorker) {
  DeviceWorker worker;
  worker.SetTaskWork(1, [&] { worker.Pause(); });
  worker.Queue(1);
  worker.RunPass();  // would deadlock if the pass waited for itself
  EXPECT_TRUE(worker.IsPaused());
}
