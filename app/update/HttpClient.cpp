#include "app/update/HttpClient.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <mutex>
#include <string_view>

#include "platform/AtomicFile.h"

namespace Zorvane {
namespace {

// The agent and request headers the update server has always seen. No-cache
// makes proxies fetch the version file from the server itself.
constexpr char kUserAgent[] = "IIC2.0/PC 5.5.0000";
constexpr const char* kRequestHeaders[] = {"Accept: */*", "Pragma: no-cache", "Cache-Control: no-cache"};
constexpr long kMaxRedirects = 5;

struct CurlDeleter {
  void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};
struct HeaderListDeleter {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using CurlPtr = std::unique_ptr<CURL, CurlDeleter>;
using HeaderListPtr = std::unique_ptr<curl_slist, HeaderListDeleter>;

void InitialiseCurl() {
  // Once, before the first handle: the global set-up is not safe to race.
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// One transfer's state, shared with libcurl's callbacks on the same thread.
class Transfer {
 public:
  Transfer(CURL* curl, const std::atomic<bool>& stopped) : curl_(curl), stopped_(stopped) {}
  virtual ~Transfer() = default;

  bool StoppedByFlag() const { return stoppedByFlag_; }
  bool Opened() const { return opened_; }
  bool Failed() const { return failed_; }

  static std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* self) {
    return static_cast<Transfer*>(self)->Header(std::string_view(data, size * count));
  }
  static std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* self) {
    return static_cast<Transfer*>(self)->Body(data, size * count);
  }
  static int OnProgress(void* self, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    // Called while waiting for data too, so a stalled transfer stops promptly.
    return static_cast<Transfer*>(self)->CheckStop() ? 1 : 0;
  }

 protected:
  // The server answered 200; the body follows.
  virtual bool Open() = 0;
  virtual bool TakePiece(const char* data, std::size_t size) = 0;
  void Fail() { failed_ = true; }

  CURL* curl_;

 private:
  bool CheckStop() {
    if (stopped_.load()) stoppedByFlag_ = true;
    return stoppedByFlag_;
  }

  std::size_t Header(std::string_view line) {
    // Only the blank line that ends a response's headers matters.
    if (line != "\r\n" && line != "\n") return line.size();
    if (opened_) return line.size();  // trailers after a chunked body
    long status = 0;
    curl_easy_getinfo(curl_, CURLINFO_RESPONSE_CODE, &status);
    if (status < 200 || (status >= 300 && status < 400)) return line.size();  // interim, or a redirect
    if (status != 200 || !Open()) {
      failed_ = true;
      return 0;  // ends the transfer
    }
    opened_ = true;
    return line.size();
  }

  std::size_t Body(const char* data, std::size_t size) {
    if (!opened_) {  // the body of a response we did not accept (a redirect not followed)
      failed_ = true;
      return 0;
    }
    for (std::size_t done = 0; done < size;) {
      if (CheckStop()) return 0;
      const std::size_t piece = std::min(HttpClient::kPieceBytes, size - done);
      if (!TakePiece(data + done, piece)) {
        failed_ = true;
        return 0;
      }
      done += piece;
    }
    return size;
  }

  const std::atomic<bool>& stopped_;
  bool stoppedByFlag_ = false;
  bool opened_ = false;
  bool failed_ = false;
};

class TextTransfer : public Transfer {
 public:
  TextTransfer(CURL* curl, const std::atomic<bool>& stopped, std::string& text, std::size_t maxBytes)
      : Transfer(curl, stopped), text_(text), maxBytes_(maxBytes) {}

 protected:
  bool Open() override { return true; }
  bool TakePiece(const char* data, std::size_t size) override {
    if (size > maxBytes_ - text_.size()) return false;
    text_.append(data, size);
    return true;
  }

 private:
  std::string& text_;
  std::size_t maxBytes_;
};

class FileTransfer : public Transfer {
 public:
  FileTransfer(CURL* curl, const std::atomic<bool>& stopped, const std::string& target, std::uint64_t maxBytes,
               const MessageSink& progress)
      : Transfer(curl, stopped), target_(target), maxBytes_(maxBytes), progress_(progress) {}
  ~FileTransfer() override {
    if (fd_ >= 0) close(fd_);
  }

  void Post(int value) {
    if (value == lastPosted_) return;
    lastPosted_ = value;
    if (progress_) progress_(kMsgUpdateProgress, 0, value);
  }

  // Closes the file; true when it holds the whole announced body.
  bool Finish() {
    if (fd_ < 0) return false;
    const bool closed = close(fd_) == 0;
    fd_ = -1;
    return closed && (announced_ < 0 || received_ == static_cast<std::uint64_t>(announced_));
  }

  bool Created() const { return created_; }

 protected:
  bool Open() override {
    Post(8);
    curl_off_t length = -1;
    if (curl_easy_getinfo(curl_, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) != CURLE_OK) length = -1;
    announced_ = length;
    if (announced_ >= 0 && static_cast<std::uint64_t>(announced_) > maxBytes_) return false;
    // A fresh file: whatever was at the name (an old download, a link) goes.
    if (unlink(target_.c_str()) != 0 && errno != ENOENT) return false;
    fd_ = open(target_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd_ < 0) return false;
    created_ = true;
    pieces_ = announced_ > 0 ? static_cast<std::uint64_t>(announced_) / HttpClient::kPieceBytes : 0;
    Post(10);
    return true;
  }

  bool TakePiece(const char* data, std::size_t size) override {
    if (size > maxBytes_ - received_) return false;
    if (!Platform::WriteAll(fd_, std::string_view(data, size))) return false;
    received_ += size;
    if (pieces_ > 0) {
      // Counted in whole pieces of the announced length; held below 100
      // until the transfer has really ended.
      const std::uint64_t done = received_ / HttpClient::kPieceBytes;
      Post(static_cast<int>(std::min<std::uint64_t>(99, 90 * done / pieces_ + 10)));
    }
    return true;
  }

 private:
  const std::string& target_;
  std::uint64_t maxBytes_;
  const MessageSink& progress_;
  int lastPosted_ = -1;
  int fd_ = -1;
  bool created_ = false;
  curl_off_t announced_ = -1;
  std::uint64_t pieces_ = 0;
  std::uint64_t received_ = 0;
};

// Sets every option both transfers share. false when libcurl refuses one:
// a transfer without its protections is not started at all.
bool Configure(CURL* curl, const std::string& url, const HttpClient::Options& options, curl_slist* headers,
               Transfer& transfer) {
  bool ok = true;
  auto set = [&](CURLoption option, auto value) { ok = ok && curl_easy_setopt(curl, option, value) == CURLE_OK; };
  set(CURLOPT_URL, url.c_str());
  set(CURLOPT_PROTOCOLS_STR, "https");
  set(CURLOPT_REDIR_PROTOCOLS_STR, "https");
  set(CURLOPT_FOLLOWLOCATION, 1L);
  set(CURLOPT_MAXREDIRS, kMaxRedirects);
  set(CURLOPT_SSL_VERIFYPEER, 1L);
  set(CURLOPT_SSL_VERIFYHOST, 2L);
  set(CURLOPT_SSLVERSION, static_cast<long>(CURL_SSLVERSION_TLSv1_2));
  if (!options.caFile.empty()) set(CURLOPT_CAINFO, options.caFile.c_str());
  set(CURLOPT_CONNECTTIMEOUT_MS, options.connectTimeoutMs);
  set(CURLOPT_LOW_SPEED_LIMIT, options.lowSpeedBytesPerSecond);
  set(CURLOPT_LOW_SPEED_TIME, options.lowSpeedSeconds);
  set(CURLOPT_NOSIGNAL, 1L);  // other threads run; no SIGALRM for name lookups
  set(CURLOPT_USERAGENT, kUserAgent);
  set(CURLOPT_HTTPHEADER, headers);
  set(CURLOPT_BUFFERSIZE, static_cast<long>(HttpClient::kPieceBytes));
  set(CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);  // a proxy's answer is not the server's
  set(CURLOPT_HEADERFUNCTION, &Transfer::OnHeader);
  set(CURLOPT_HEADERDATA, static_cast<void*>(&transfer));
  set(CURLOPT_WRITEFUNCTION, &Transfer::OnBody);
  set(CURLOPT_WRITEDATA, static_cast<void*>(&transfer));
  set(CURLOPT_NOPROGRESS, 0L);
  set(CURLOPT_XFERINFOFUNCTION, &Transfer::OnProgress);
  set(CURLOPT_XFERINFODATA, static_cast<void*>(&transfer));
  return ok;
}

HeaderListPtr RequestHeaders() {
  curl_slist* list = nullptr;
  for (const char* header : kRequestHeaders) {
    curl_slist* longer = curl_slist_append(list, header);
    if (!longer) {
      curl_slist_free_all(list);
      return nullptr;
    }
    list = longer;
  }
  return HeaderListPtr(list);
}

// A transfer that ran to its end with a 200 answer and nothing refused.
bool Succeeded(CURLcode code, CURL* curl, const Transfer& transfer) {
  long status = 0;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
  return code == CURLE_OK && transfer.Opened() && !transfer.Failed() && status == 200;
}

}  // namespace

int HttpClient::FetchText(const std::string& url, std::string& text, std::size_t maxBytes) {
  text.clear();
  if (stopped_.load()) return kStopped;
  InitialiseCurl();
  CurlPtr curl(curl_easy_init());
  HeaderListPtr headers = RequestHeaders();
  if (!curl || !headers) return kNoSession;
  TextTransfer transfer(curl.get(), stopped_, text, maxBytes);
  if (!Configure(curl.get(), url, options_, headers.get(), transfer) ||
      curl_easy_setopt(curl.get(), CURLOPT_TIMEOUT_MS, options_.textTimeoutMs) != CURLE_OK)
    return kNoSession;

  const CURLcode code = curl_easy_perform(curl.get());
  if (transfer.StoppedByFlag()) return kStopped;
  if (!Succeeded(code, curl.get(), transfer)) {
    text.clear();
    return kFailed;
  }
  return kComplete;
}

int HttpClient::DownloadFile(const std::string& url, const std::string& target, const MessageSink& progress) {
  if (stopped_.load()) return kStopped;
  InitialiseCurl();
  CurlPtr curl(curl_easy_init());
  HeaderListPtr headers = RequestHeaders();
  FileTransfer transfer(curl.get(), stopped_, target, options_.maxDownloadBytes, progress);
  transfer.Post(0);
  if (!curl || !headers) return kNoSession;
  if (!Configure(curl.get(), url, options_, headers.get(), transfer)) return kNoSession;
  transfer.Post(2);

  const CURLcode code = curl_easy_perform(curl.get());
  const bool complete = transfer.Finish() && Succeeded(code, curl.get(), transfer);
  const int result = transfer.StoppedByFlag() ? kStopped : complete ? kComplete : kFailed;
  if (result != kComplete && transfer.Created()) unlink(target.c_str());
  if (result == kComplete || (result == kStopped && transfer.Opened())) transfer.Post(100);
  return result;
}

}  // namespace Zorvane
