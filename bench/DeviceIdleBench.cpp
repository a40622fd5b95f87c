// What the idle device worker costs: one simulated mouse open, nothing
// queued, the worker polling for event reports for ten seconds. Reported as
// the share of one core the whole process used.
#include <benchmark/benchmark.h>
#include <time.h>

#include <thread>

#include "app/device/DeviceManager.h"
#include "app/device/DeviceWorker.h"
#include "app/device/sim/SimulatorBackend.h"

namespace {

double Seconds(clockid_t clock) {
  timespec now{};
  clock_gettime(clock, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

void BM_IdleWorkerWithOneDevice(benchmark::State& state) {
  auto backend = Zorvane::MakeSimulatorBackend();
  backend->Plug(Zorvane::SimulatedPort::Wired);
  Zorvane::DeviceManager manager(std::move(backend));
  manager.RegisterSupported({0x1209, 0x0001, 101, 0});
  manager.Reenumerate();
  manager.SetCurrentType(101);

  Zorvane::DeviceWorker worker;
  worker.SetDevicePresent(true);
  worker.SetIdleWork([&] { manager.PollReports(nullptr); });
  for (auto _ : state) {
    double cpuBefore = Seconds(CLOCK_PROCESS_CPUTIME_ID);
    double wallBefore = Seconds(CLOCK_MONOTONIC);
    worker.Start();
    std::this_thread::sleep_for(std::chrono::seconds(10));
    worker.JoinThread();
    double cpu = Seconds(CLOCK_PROCESS_CPUTIME_ID) - cpuBefore;
    double wall = Seconds(CLOCK_MONOTONIC) - wallBefore;
    state.counters["cpu_percent_of_one_core"] = 100.0 * cpu / wall;
  }
}
BENCHMARK(BM_IdleWorkerWithOneDevice)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
