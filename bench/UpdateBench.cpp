#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "app/update/HttpClient.h"
#include "app/zip/ZipExtractor.h"
#include "tests/support/HttpsTestServer.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestArchive.h"

namespace {

namespace fs = std::filesystem;
using TestSupport::HttpsTestServer;
using Zorvane::HttpClient;

constexpr std::size_t kDownloadBytes = 50 * 1000 * 1000;
constexpr int kArchiveFiles = 1000;

// One loopback HTTPS server for the whole run, serving a 50 MB file.
HttpsTestServer* Server() {
  static HttpsTestServer* server = [] {
    for (const char* name : {"https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"}) unsetenv(name);
    auto* started = new HttpsTestServer();
    if (!started->Start()) return static_cast<HttpsTestServer*>(nullptr);
    std::string data(kDownloadBytes, '\0');
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>((i * 7919) >> 8);
    started->Put("large.bin", data);
    return started;
  }();
  return server;
}

// The whole client path: TLS, 10240-byte pieces, the progress rule, writes.
void BM_DownloadLoopback50MB(benchmark::State& state) {
  HttpsTestServer* server = Server();
  if (!server) {
    state.SkipWithError("the HTTPS test server did not start");
    return;
  }
  HttpClient::Options options;
  options.caFile = server->CaFile();
  TestSupport::TempFolder temp;
  int posted = 0;
  const Zorvane::MessageSink progress = [&](unsigned, long, long) { ++posted; };
  for (auto _ : state) {
    HttpClient client(options);
    if (client.DownloadFile(server->Url("large.bin"), temp / "large.bin", progress) != HttpClient::kComplete) {
      state.SkipWithError("download failed");
      return;
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kDownloadBytes));
  state.counters["posts"] = benchmark::Counter(posted, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_DownloadLoopback50MB)->Unit(benchmark::kMillisecond)->UseRealTime();

// For comparison: the same bytes written to the same disk in the same
// pieces, without the network.
void BM_WritePieces50MB(benchmark::State& state) {
  TestSupport::TempFolder temp;
  const std::string piece(HttpClient::kPieceBytes, 'p');
  for (auto _ : state) {
    const int fd = open((temp / "pieces.bin").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    for (std::size_t written = 0; written < kDownloadBytes; written += piece.size()) {
      if (write(fd, piece.data(), piece.size()) < 0) state.SkipWithError("write failed");
    }
    close(fd);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kDownloadBytes));
}
BENCHMARK(BM_WritePieces50MB)->Unit(benchmark::kMillisecond)->UseRealTime();

// Unpacking an archive of 1000 small files in 20 folders.
void BM_ExtractThousandFiles(benchmark::State& state) {
  TestSupport::TempFolder temp;
  TestSupport::TestArchive archive;
  for (int i = 0; i < kArchiveFiles; ++i) {
    archive.File("folder" + std::to_string(i % 20) + "/file" + std::to_string(i) + ".txt",
                 std::string(200 + i % 700, static_cast<char>('a' + i % 26)));
  }
  if (!archive.Write(temp / "thousand.zip", temp.Path())) {
    state.SkipWithError("the archive could not be made");
    return;
  }
  const std::string out = temp / "out";
  for (auto _ : state) {
    state.PauseTiming();
    fs::remove_all(out);
    fs::create_directory(out);
    state.ResumeTiming();
    Zorvane::ZipExtractor extractor;
    if (!extractor.ExtractAll(temp / "thousand.zip", out)) state.SkipWithError("extraction failed");
  }
  state.SetItemsProcessed(state.iterations() * kArchiveFiles);
}
BENCHMARK(BM_ExtractThousandFiles)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
