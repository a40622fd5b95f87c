#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>

#include "app/shell/CThreadBasic.h"
#include "tests/support/WaitFor.h"

using namespace std::chrono_literals;
using TestSupport::WaitFor;
using Zorvane::CThreadBasic;

namespace {

class FunctionThread : public CThreadBasic {
 public:
  explicit FunctionThread(std::function<void()> body) : body_(std::move(body)) {}
  ~FunctionThread() override { JoinThread(); }

  using CThreadBasic::SleepWhileRunning;

 protected:
  void ThreadBody() override { body_(); }

 private:
  std::function<void()> body_;
};

}  // namespace

TEST(CThreadBasic, SinglePassRunsOnceAndEndsIdle) {
  std::atomic<int> passes{0};
  FunctionThread thread([&] { ++passes; });
  EXPECT_FALSE(thread.StopThread());  // not running yet
  ASSERT_TRUE(thread.StartThread(1, false));
  ASSERT_TRUE(WaitFor([&] { return !thread.IsRunning(); }));
  EXPECT_EQ(passes.load(), 1);
  EXPECT_FALSE(thread.StopThread());
  // Idle again, so it can run once more.
  ASSERT_TRUE(thread.StartThread(1, false));
  ASSERT_TRUE(WaitFor([&] { return passes.load() == 2; }));
}

TEST(CThreadBasic, RepeatingThreadLoopsUntilStopped) {
  std::atomic<int> passes{0};
  FunctionThread thread([&] { ++passes; });
  ASSERT_TRUE(thread.StartThread(2, true));
  EXPECT_FALSE(thread.StartThread(2, true));  // already running
  ASSERT_TRUE(WaitFor([&] { return passes.load() >= 5; }));
  EXPECT_TRUE(thread.StopThread());
  int after = passes.load();
  std::this_thread::sleep_for(30ms);
  EXPECT_EQ(passes.load(), after);
  EXPECT_FALSE(thread.IsRunning());
}

TEST(CThreadBasic, StopWakesALongInterval) {
  std::atomic<int> passes{0};
  FunctionThread thread([&] { ++passes; });
  ASSERT_TRUE(thread.StartThread(60'000, true));
  ASSERT_TRUE(WaitFor([&] { return passes.load() == 1; }));
  EXPECT_TRUE(thread.StopThread());
  // The thread ended inside the stop's wait, so a new one may start at once.
  EXPECT_TRUE(thread.StartThread(60'000, true));
  EXPECT_TRUE(thread.StopThread());
}

TEST(CThreadBasic, StopGivesUpOnABusyBodyAfterOneSecondAndNeverRunsTwoBodies) {
  std::atomic<bool> entered{false}, release{false}, finished{false};
  std::atomic<int> bodiesAtOnce{0}, mostAtOnce{0};
  FunctionThread thread([&] {
    int now = ++bodiesAtOnce;
    mostAtOnce = std::max(mostAtOnce.load(), now);
    entered = true;
    while (!release) std::this_thread::sleep_for(1ms);
    --bodiesAtOnce;
    finished = true;
  });
  ASSERT_TRUE(thread.StartThread(2, true));
  ASSERT_TRUE(WaitFor([&] { return entered.load(); }));

  auto before = std::chrono::steady_clock::now();
  EXPECT_TRUE(thread.StopThread());
  auto waited = std::chrono::steady_clock::now() - before;
  EXPECT_GE(waited, 900ms);
  EXPECT_FALSE(finished.load());  // it gave up instead of waiting for the body

  EXPECT_FALSE(thread.StartThread(2, false));  // the old body is still busy
  release = true;
  ASSERT_TRUE(WaitFor([&] { return finished.load(); }));
  thread.JoinThread();
  EXPECT_TRUE(thread.StartThread(2, false));
  thread.JoinThread();
  EXPECT_EQ(mostAtOnce.load(), 1);
}

TEST(CThreadBasic, ObjectOutlivesABodyThatOutlastedTheStop) {
  // The body writes into its own object after StopThread has given up; the
  // destructor must wait for it (AddressSanitizer reports it otherwise).
  struct Counter : CThreadBasic {
    std::atomic<bool> started{false};
    int written = 0;
    std::atomic<bool>* done;
    explicit Counter(std::atomic<bool>* d) : done(d) {}
    ~Counter() override { JoinThread(); }
    void ThreadBody() override {
      started = true;
      std::this_thread::sleep_for(1300ms);
      written = 42;
      *done = true;
    }
  };
  std::atomic<bool> done{false};
  auto object = std::make_unique<Counter>(&done);
  ASSERT_TRUE(object->StartThread(1, false));
  ASSERT_TRUE(WaitFor([&] { return object->started.load(); }));
  EXPECT_TRUE(object->StopThread());
  EXPECT_FALSE(done.load());
  object.reset();
  EXPECT_TRUE(done.load());
}

TEST(CThreadBasic, SleepWhileRunningEndsEarlyOnStop) {
  std::atomic<int> result{-1};
  FunctionThread* self = nullptr;
  FunctionThread thread([&] { result = self->SleepWhileRunning(60'000) ? 1 : 0; });
  self = &thread;
  ASSERT_TRUE(thread.StartThread(1, true));
  std::this_thread::sleep_for(20ms);
  thread.StopThread();
  ASSERT_TRUE(WaitFor([&] { return result.load() != -1; }));
  EXPECT_EQ(result.load(), 0);
}
