#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "app/config/Language.h"
#include "platform/Paths.h"
#include "toolkit/core/CString.h"

namespace {

using Nuvex::CString;
using Zorvane::Language;

constexpr int kTexts = 700;
constexpr int kTextsPerPage = 300;
constexpr time_t kOldTime = 1600000000;

// Texts of 10 to 120 characters, the way a translation of the interface
// holds them: labels, buttons and the odd sentence of help.
std::u16string TextNumber(int id, bool chinese) {
  const std::u16string piece = chinese ? u"鼠标灵敏度设置，" : u"Mouse sensitivity, ";
  std::u16string text;
  const std::size_t length = 10 + static_cast<std::size_t>((id * 37) % 111);
  while (text.size() < length) text += piece;
  text.resize(length);
  return text;
}

std::string LanguageFileContent(bool chinese) {
  std::u16string text = u"[LAN]\r\n";
  for (int id = 1; id <= kTexts; ++id) {
    text += CString().Format(u"%d=", id).View();
    text += TextNumber(id, chinese);
    text += u"\r\n";
  }
  if (!chinese) return "\xEF\xBB\xBF" + CString(text).ToUtf8();
  std::string bytes = "\xFF\xFE";
  for (char16_t unit : text) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

void SetModified(const std::string& path, time_t seconds) {
  const timespec times[2] = {{seconds, 0}, {seconds, 0}};
  utimensat(AT_FDCWD, path.c_str(), times, 0);
}

// A language file beside the program under an id of its own, present for the
// life of the object, with the time of a file installed long ago.
class BenchLanguage {
 public:
  explicit BenchLanguage(bool chinese) : id_(2000000 + static_cast<int>(getpid()) * 2 + (chinese ? 1 : 0)) {
    Platform::CreateFolderTree(Platform::ProgramFolder() + "/language");
    path_ = Language::LanguageFilePath(id_);
    std::ofstream(path_, std::ios::binary | std::ios::trunc) << LanguageFileContent(chinese);
    SetModified(path_, kOldTime);
    previous_ = Language::GetLanguageId();
    Language::SetLanguageId(id_);
  }
  ~BenchLanguage() {
    Language::SetLanguageId(previous_);
    unlink(path_.c_str());
  }
  BenchLanguage(const BenchLanguage&) = delete;
  BenchLanguage& operator=(const BenchLanguage&) = delete;

  const std::string& Path() const { return path_; }

 private:
  int id_;
  int previous_ = 0;
  std::string path_;
};

// One refresh of a page: every text of it fetched anew.
void BM_LanguagePageRefresh(benchmark::State& state) {
  BenchLanguage language(state.range(0) != 0);
  if (Language::GetText(1).IsEmpty()) state.SkipWithError("language file not readable");
  for (auto _ : state) {
    for (int i = 0; i < kTextsPerPage; ++i) {
      CString text = Language::GetText(1 + (i * 7) % kTexts);
      benchmark::DoNotOptimize(text.GetString());
    }
  }
  state.counters["per_text"] = benchmark::Counter(static_cast<double>(state.iterations()) * kTextsPerPage,
                                                  benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_LanguagePageRefresh)->ArgName("utf16_chinese")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The first text after the file changed: read and parsed whole.
void BM_LanguageFirstRead(benchmark::State& state) {
  BenchLanguage language(state.range(0) != 0);
  time_t stamp = kOldTime;
  for (auto _ : state) {
    state.PauseTiming();
    SetModified(language.Path(), ++stamp);
    state.ResumeTiming();
    CString text = Language::GetText(kTexts);
    benchmark::DoNotOptimize(text.GetString());
  }
}
BENCHMARK(BM_LanguageFirstRead)->ArgName("utf16_chinese")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace
