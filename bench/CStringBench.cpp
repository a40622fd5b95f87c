#include <benchmark/benchmark.h>

#include <string>

#include "toolkit/core/CString.h"
#include "toolkit/core/WideAtoi.h"

namespace {

using Nuvex::CString;

// A language text of a few hundred characters, mostly ASCII with some
// accented letters, as the translations hold them.
std::string LanguageText() {
  std::string text;
  while (text.size() < 400) {
    text +=
        "Die Empfindlichkeit der Maus (DPI) wird f\xC3\xBCr jede Stufe getrennt gespeichert; "
        "\xC3\xA4ndern Sie die Werte und dr\xC3\xBC"
        "cken Sie \xE2\x80\x9E\xC3\x9C"
        "bernehmen\xE2\x80\x9C. ";
  }
  return text;
}

void RoundTrip(benchmark::State& state, const std::string& utf8) {
  for (auto _ : state) {
    CString text = CString::FromUtf8(utf8);
    std::string back = text.ToUtf8();
    benchmark::DoNotOptimize(back);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(utf8.size()));
}

void BM_Utf8RoundTripText(benchmark::State& state) {
  RoundTrip(state, LanguageText());
}
BENCHMARK(BM_Utf8RoundTripText);

void BM_Utf8RoundTripKey(benchmark::State& state) {
  RoundTrip(state, "dpi_group3_value");
}
BENCHMARK(BM_Utf8RoundTripKey);

void BM_WideAtoi(benchmark::State& state) {
  const CString values[] = {CString(u"1600"), CString(u"  -42"), CString(u"2147483647"), CString(u"7")};
  int i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(Nuvex::WideAtoi(values[i++ & 3]));
  }
}
BENCHMARK(BM_WideAtoi);

void BM_FormatKey(benchmark::State& state) {
  CString key;
  int i = 0;
  for (auto _ : state) {
    key.Format(u"dpi_group%d_value", i++ & 7);
    benchmark::DoNotOptimize(key.GetString());
  }
}
BENCHMARK(BM_FormatKey);

}  // namespace
