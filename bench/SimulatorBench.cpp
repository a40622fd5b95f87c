#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "app/device/sim/SimulatorBackend.h"

namespace {

using Zorvane::HidHandle;
using Zorvane::SimulatedPort;
using Zorvane::SimulatorBackend;

std::unique_ptr<HidHandle> OpenVendor(SimulatorBackend& simulator, std::uint16_t productId) {
  for (const Zorvane::HidDeviceInfo& info : simulator.Enumerate())
    if (info.productId == productId && info.usagePage == Zorvane::kVendorUsagePage) return simulator.Open(info.path);
  return nullptr;
}

// One status query and its reply, as SendReport does it: write, then read
// with the protocol's 100 ms time-out (the reply is there at once).
void RoundTrip(benchmark::State& state, std::uint16_t productId) {
  SimulatorBackend simulator;
  simulator.PlugDefaultSetup();
  std::unique_ptr<HidHandle> handle = OpenVendor(simulator, productId);
  std::vector<std::uint8_t> request(64, 0), reply(64, 0);
  request[0] = 0x06;
  request[1] = 0x05;
  for (auto _ : state) {
    handle->Write(request.data(), request.size());
    if (handle->ReadTimeout(reply.data(), reply.size(), 100) != 64) state.SkipWithError("no reply");
    benchmark::DoNotOptimize(reply.data());
  }
}

void BM_SimulatorRoundTripByCable(benchmark::State& state) {
  RoundTrip(state, 0x0001);
}
BENCHMARK(BM_SimulatorRoundTripByCable);

void BM_SimulatorRoundTripThroughDongle(benchmark::State& state) {
  RoundTrip(state, 0x0002);
}
BENCHMARK(BM_SimulatorRoundTripThroughDongle);

// The idle worker's event read when nothing is queued (time-out 0 here, so
// the cost is the read itself, not the wait).
void BM_SimulatorEmptyPoll(benchmark::State& state) {
  SimulatorBackend simulator;
  simulator.PlugDefaultSetup();
  std::unique_ptr<HidHandle> handle = OpenVendor(simulator, 0x0001);
  std::vector<std::uint8_t> buffer(64, 0);
  for (auto _ : state) benchmark::DoNotOptimize(handle->ReadTimeout(buffer.data(), buffer.size(), 0));
}
BENCHMARK(BM_SimulatorEmptyPoll);

}  // namespace
