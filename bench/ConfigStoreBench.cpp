#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/config/ConfigStore.h"

namespace {

using Nuvex::CString;
using Zorvane::ConfigStore;

// A model file with its four profiles in a fresh folder under /tmp, removed
// afterwards.
class BenchStore {
 public:
  BenchStore() {
    char pattern[] = "/tmp/zorvane-bench-XXXXXX";
    if (mkdtemp(pattern)) folder_ = pattern;
    ok_ = !folder_.empty() && mkdir((folder_ + "/db").c_str(), 0700) == 0 && store.OpenForDevice(folder_, u"Bench") &&
          store.LoadProfiles([](const CString&) {}) == 1;
  }
  ~BenchStore() {
    store.Close();
    std::error_code ignored;
    if (!folder_.empty()) std::filesystem::remove_all(folder_, ignored);
  }

  bool Ok() const { return ok_; }

  ConfigStore store;

 private:
  std::string folder_;
  bool ok_ = false;
};

void BM_GetConfigValue(benchmark::State& state) {
  BenchStore bench;
  if (!bench.Ok()) return state.SkipWithError("no store");
  for (auto _ : state) {
    CString value;
    if (!bench.store.GetConfigValue(1, u"dpi_group3_value", value)) return state.SkipWithError("read failed");
    benchmark::DoNotOptimize(value);
  }
}
BENCHMARK(BM_GetConfigValue);

void BM_SetConfigValue(benchmark::State& state) {
  BenchStore bench;
  if (!bench.Ok()) return state.SkipWithError("no store");
  const CString values[] = {u"2400", u"3200"};
  int i = 0;
  for (auto _ : state) {
    if (!bench.store.SetConfigValue(1, u"dpi_group3_value", values[i++ & 1]))
      return state.SkipWithError("write failed");
  }
}
BENCHMARK(BM_SetConfigValue);

// The key page lists a profile's buttons each time it is shown.
void BM_ListKeyAssignments9(benchmark::State& state) {
  BenchStore bench;
  if (!bench.Ok()) return state.SkipWithError("no store");
  for (int code = 0; code < 9; ++code) {
    Zorvane::KeyAssignment key;
    key.profile = 1;
    key.key_code = code;
    key.layout_value = code;
    key.layout_desc = u"Button";
    key.macro_type = 1;
    key.macro_value = code + 1;
    key.macro_desc = u"Left click";
    if (bench.store.SaveKeyAssignment(key) <= 0) return state.SkipWithError("save failed");
  }
  std::vector<Zorvane::KeyAssignment> keys;
  for (auto _ : state) {
    if (bench.store.ListKeyAssignments(1, keys) != 9) return state.SkipWithError("list failed");
    benchmark::DoNotOptimize(keys.data());
  }
}
BENCHMARK(BM_ListKeyAssignments9);

// Saving a recorded macro of 200 events (one transaction).
void BM_SaveMacroEvents200(benchmark::State& state) {
  BenchStore bench;
  if (!bench.Ok()) return state.SkipWithError("no store");
  int macro = bench.store.AddMacro(u"Recorded");
  std::vector<Zorvane::MacroEventRecord> events(200);
  for (int i = 0; i < 200; ++i) {
    events[i].macro_id = macro;
    events[i].type = 1 + i % 2;
    events[i].record_index = i;
    events[i].value = 0x04 + i % 26;
    events[i].delay_time = 25;
    events[i].desc = u"A";
  }
  for (auto _ : state) {
    if (!bench.store.SaveMacroEvents(events)) return state.SkipWithError("save failed");
    state.PauseTiming();
    bench.store.DeleteMacroEvents(macro);
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * 200);
}
BENCHMARK(BM_SaveMacroEvents200)->Unit(benchmark::kMicrosecond);

}  // namespace
