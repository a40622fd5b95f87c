#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/config/ConfigStore.h"
#include "app/device/MacroImage.h"

namespace {

using Nuvex::CString;
using Zorvane::ConfigStore;
using Zorvane::MacroEventRecord;
using Zorvane::MacroImage;

// A model file in a fresh folder under /tmp with 32 macros whose image fills
// the device's 4000 bytes exactly: 31 macros of 28 events take 120 bytes
// each (entries, end entry, gap) from offset 64, the last one's 53 events
// and end entry the remaining 216.
class MacroStore {
 public:
  static constexpr int kMacros = 32;

  MacroStore() {
    char pattern[] = "/tmp/zorvane-bench-XXXXXX";
    if (mkdtemp(pattern)) folder_ = pattern;
    ok_ = !folder_.empty() && mkdir((folder_ + "/db").c_str(), 0700) == 0 && store.OpenForDevice(folder_, u"Bench");
    for (int m = 0; ok_ && m < kMacros; ++m) {
      int id = store.AddMacro(CString().Format(u"Macro %d", m + 1));
      const int count = m == kMacros - 1 ? 53 : 28;
      std::vector<MacroEventRecord> events(count);
      for (int i = 0; i < count; ++i) {
        events[i].macro_id = id;
        events[i].type = 2 + i % 2;
        events[i].record_index = i;
        events[i].value = 65 + (i / 2) % 26;
        events[i].delay_time = 25;
        events[i].desc = u"\u2193  A";
      }
      ok_ = id > 0 && store.SaveMacroEvents(events);
    }
  }
  ~MacroStore() {
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

// What task 6 does before its first piece: read every macro and build the
// image.
void BM_MacroImageFromStore(benchmark::State& state) {
  MacroStore bench;
  if (!bench.Ok()) return state.SkipWithError("no store");
  for (auto _ : state) {
    MacroImage image = MacroImage::FromStore(bench.store);
    if (image.Size() != MacroImage::kMaxSize) return state.SkipWithError("not a full image");
    benchmark::DoNotOptimize(image.Bytes().data());
  }
}
BENCHMARK(BM_MacroImageFromStore)->Unit(benchmark::kMicrosecond);

// The build and cut alone, from macros already read.
void BM_MacroImageBuildAndCut(benchmark::State& state) {
  MacroStore bench;
  if (!bench.Ok()) return state.SkipWithError("no store");
  std::vector<MacroImage::Macro> macros = MacroImage::ReadMacros(bench.store);
  for (auto _ : state) {
    MacroImage image = MacroImage::Build(macros);
    std::vector<Zorvane::Report> pieces = image.Pieces();
    benchmark::DoNotOptimize(pieces.data());
  }
}
BENCHMARK(BM_MacroImageBuildAndCut)->Unit(benchmark::kMicrosecond);

}  // namespace
