#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "app/update/HttpClient.h"
#include "tests/support/HttpsTestServer.h"
#include "tests/support/TempFolder.h"
#include "tests/support/WaitFor.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using TestSupport::HttpsTestServer;
using TestSupport::ReadFile;
using TestSupport::WaitFor;
using Zorvane::HttpClient;

namespace {

// The progress values a download sends, in order.
class ProgressLog {
 public:
  Zorvane::MessageSink Sink() {
    return [this](unsigned message, long wParam, long lParam) {
      std::lock_guard lock(mutex_);
      EXPECT_EQ(message, Zorvane::kMsgUpdateProgress);
      EXPECT_EQ(wParam, 0);
      values_.push_back(static_cast<int>(lParam));
      last_.store(static_cast<int>(lParam));
    };
  }
  std::vector<int> Values() const {
    std::lock_guard lock(mutex_);
    return values_;
  }
  int Last() const { return last_.load(); }

 private:
  mutable std::mutex mutex_;
  std::vector<int> values_;
  std::atomic<int> last_{-1};
};

// Content whose every piece differs, so a misplaced piece shows.
std::string Pattern(std::size_t size) {
  std::string data(size, '\0');
  for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<char>((i * 131 + i / 997) & 0xFF);
  return data;
}

class HttpClientTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    // Loopback requests must not go to a proxy of the environment.
    for (const char* name : {"https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"}) unsetenv(name);
    server_ = new HttpsTestServer();
    ASSERT_TRUE(server_->Start()) << server_->Log();
    server_->Put("small.txt", "1.0.11");
    server_->Put("eleven.txt", "12345678901");
    server_->Put("file.bin", Pattern(kFileSize));
  }
  static void TearDownTestSuite() {
    delete server_;
    server_ = nullptr;
  }

  // Short time-outs, so failures end quickly; trusts the test's authority.
  // libcurl averages the speed over several seconds, so the stalling server's
  // first burst would keep a low limit satisfied for a long time.
  static HttpClient::Options TestOptions() {
    HttpClient::Options options;
    options.caFile = server_->CaFile();
    options.connectTimeoutMs = 1000;
    options.lowSpeedBytesPerSecond = 50000;
    options.lowSpeedSeconds = 1;
    options.textTimeoutMs = 5000;
    return options;
  }

  static constexpr std::size_t kFileSize = 10 * HttpClient::kPieceBytes + 5000;
  static HttpsTestServer* server_;
  TestSupport::TempFolder temp_;
};

HttpsTestServer* HttpClientTest::server_ = nullptr;

}  // namespace

TEST_F(HttpClientTest, FetchTextReadsTheBodyWithTheUpdateHeaders) {
  HttpClient client(TestOptions());
  std::string text;
  EXPECT_EQ(client.FetchText(server_->Url("small.txt"), text, 10), HttpClient::kComplete);
  EXPECT_EQ(text, "1.0.11");

  ASSERT_EQ(client.FetchText(server_->Url("echo-headers"), text, 4096), HttpClient::kComplete);
  for (const char* header :
       {"User-Agent: IIC2.0/PC 5.5.0000", "Accept: */*", "Pragma: no-cache", "Cache-Control: no-cache"}) {
    EXPECT_NE(text.find(header), std::string::npos) << header << " missing in\n" << text;
  }

  // A redirect to https is followed.
  const std::string redirect = server_->Url("redirect?" + server_->Url("small.txt"));
  EXPECT_EQ(client.FetchText(redirect, text, 10), HttpClient::kComplete);
  EXPECT_EQ(text, "1.0.11");
}

TEST_F(HttpClientTest, FetchTextFailsOnWhatItCannotTrustOrAccept) {
  const std::string plain = server_->PlainUrl("small.txt");  // served, but not over TLS
  struct Case {
    const char* what;
    std::string url;
  };
  const Case cases[] = {
      {"404", server_->Url("status/404")},  // its body "Not Found" would pass the length test
      {"body over the cap", server_->Url("eleven.txt")},
      {"plain http", plain},
      {"redirect to plain http", server_->Url("redirect?" + plain)},
      {"body cut short", server_->Url("short-body/100")},
      {"no answer", server_->Url("stall-headers")},
  };
  HttpClient client(TestOptions());
  for (const Case& c : cases) {
    std::string text = "old";
    EXPECT_EQ(client.FetchText(c.url, text, 10), HttpClient::kFailed) << c.what;
    EXPECT_EQ(text, "") << c.what;
  }

  // A certificate from an authority the client does not trust.
  HttpClient::Options systemStore = TestOptions();
  systemStore.caFile.clear();
  HttpClient untrusting(systemStore);
  std::string text;
  EXPECT_EQ(untrusting.FetchText(server_->Url("small.txt"), text, 10), HttpClient::kFailed);
}

TEST_F(HttpClientTest, ConnectTimeOutEndsASilentServer) {
  // Listens but never accepts: the TCP connection completes, TLS never starts.
  const int listener = socket(AF_INET, SOCK_STREAM, 0);
  ASSERT_GE(listener, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(listen(listener, 4), 0);
  socklen_t length = sizeof address;
  ASSERT_EQ(getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
  const std::string url = "https://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/version";

  HttpClient client(TestOptions());
  std::string text;
  EXPECT_EQ(client.FetchText(url, text, 10), HttpClient::kFailed);
  ProgressLog progress;
  EXPECT_EQ(client.DownloadFile(url, temp_ / "file", progress.Sink()), HttpClient::kFailed);
  EXPECT_EQ(progress.Values(), (std::vector<int>{0, 2}));
  close(listener);
}

TEST_F(HttpClientTest, DownloadWithLengthStreamsTheFileWithRisingProgress) {
  HttpClient client(TestOptions());
  ProgressLog progress;
  const std::string target = temp_ / "file.bin";
  TestSupport::WriteFile(target, "an older download");
  ASSERT_EQ(client.DownloadFile(server_->Url("file.bin"), target, progress.Sink()), HttpClient::kComplete);
  EXPECT_EQ(ReadFile(target), Pattern(kFileSize));
  // Ten whole pieces announced: each adds 9, held at 99 until the end.
  EXPECT_EQ(progress.Values(), (std::vector<int>{0, 2, 8, 10, 19, 28, 37, 46, 55, 64, 73, 82, 91, 99, 100}));
  EXPECT_EQ(fs::status(target).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(HttpClientTest, DownloadWithoutLengthPostsOnlyTheFixedSteps) {
  HttpClient client(TestOptions());
  ProgressLog progress;
  const std::string target = temp_ / "file.bin";
  ASSERT_EQ(client.DownloadFile(server_->Url("no-length/file.bin"), target, progress.Sink()), HttpClient::kComplete);
  EXPECT_EQ(ReadFile(target), Pattern(kFileSize));
  EXPECT_EQ(progress.Values(), (std::vector<int>{0, 2, 8, 10, 100}));
}

TEST_F(HttpClientTest, FailedDownloadsLeaveNoFile) {
  HttpClient::Options capped = TestOptions();
  capped.maxDownloadBytes = 5 * HttpClient::kPieceBytes;
  HttpClient::Options systemStore = TestOptions();
  systemStore.caFile.clear();
  struct Case {
    const char* what;
    HttpClient::Options options;
    std::string path;
  };
  const Case cases[] = {
      {"404", TestOptions(), "status/404"},
      {"body cut short", TestOptions(), "short-body/50000"},
      {"server stalls mid-body", TestOptions(), "stall-body/1000000"},
      {"announced length over the cap", capped, "file.bin"},
      {"unannounced length over the cap", capped, "no-length/file.bin"},
      {"untrusted certificate", systemStore, "file.bin"},
  };
  for (const Case& c : cases) {
    HttpClient client(c.options);
    ProgressLog progress;
    const std::string target = temp_ / "download";
    EXPECT_EQ(client.DownloadFile(server_->Url(c.path), target, progress.Sink()), HttpClient::kFailed) << c.what;
    EXPECT_FALSE(fs::exists(target)) << c.what;
    EXPECT_NE(progress.Last(), 100) << c.what;
  }
}

TEST_F(HttpClientTest, StopEndsTransfersPromptlyAndForGood) {
  HttpClient::Options patient = TestOptions();
  patient.lowSpeedSeconds = 60;  // only Stop can end these transfers in time
  patient.textTimeoutMs = 60000;

  // While the body stalls.
  HttpClient downloader(patient);
  ProgressLog progress;
  const std::string target = temp_ / "download";
  std::atomic<int> downloaded{99};
  std::thread download(
      [&] { downloaded = downloader.DownloadFile(server_->Url("stall-body/1000000"), target, progress.Sink()); });
  ASSERT_TRUE(WaitFor([&] { return progress.Last() >= 10; }, 10s));
  downloader.Stop();
  EXPECT_TRUE(WaitFor([&] { return downloaded != 99; }, 10s));
  download.join();
  EXPECT_EQ(downloaded, HttpClient::kStopped);
  EXPECT_FALSE(fs::exists(target));
  EXPECT_EQ(progress.Last(), 100);

  // While waiting for an answer that never comes.
  HttpClient fetcher(patient);
  std::atomic<int> fetched{99};
  std::thread fetch([&] {
    std::string text;
    fetched = fetcher.FetchText(server_->Url("stall-headers"), text, 10);
  });
  std::this_thread::sleep_for(200ms);  // let it connect; stopping earlier is fine too
  fetcher.Stop();
  EXPECT_TRUE(WaitFor([&] { return fetched != 99; }, 10s));
  fetch.join();
  EXPECT_EQ(fetched, HttpClient::kStopped);

  // Later transfers do not start.
  std::string text;
  EXPECT_EQ(fetcher.FetchText(server_->Url("small.txt"), text, 10), HttpClient::kStopped);
  ProgressLog none;
  EXPECT_EQ(downloader.DownloadFile(server_->Url("file.bin"), target, none.Sink()), HttpClient::kStopped);
  EXPECT_TRUE(none.Values().empty());
  EXPECT_FALSE(fs::exists(target));
}
