#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

#include "app/update/UpdateMessages.h"

namespace Zorvane {

// HTTPS transfers of the program update, on libcurl.
//
// Only https is spoken, also after redirects; certificates and host names are
// always verified. Connect and low-speed time-outs keep a dead or stalling
// server from holding the update thread; bodies are capped. A response counts
// only with status 200 and, where a length was announced, all of it.
//
// Bodies arrive in pieces of at most kPieceBytes; the stop flag is looked at
// before every piece and while waiting for data, so Stop ends a transfer
// promptly from any thread.
//
// One transfer at a time per object; Stop may be called from any thread.
class HttpClient {
 public:
  // Results of FetchText and DownloadFile.
  static constexpr int kComplete = 1;
  static constexpr int kStopped = -2;
  static constexpr int kFailed = -1;    // connection, TLS, status, size or write failure
  static constexpr int kNoSession = 0;  // libcurl could not be set up
  static constexpr std::size_t kPieceBytes = 10240;

  struct Options {
    std::string caFile;                 // certificate authorities to trust; empty: the system's
    long connectTimeoutMs = 15000;      // name lookup, TCP and TLS handshake
    long lowSpeedBytesPerSecond = 100;  // slower than this ...
    long lowSpeedSeconds = 30;          // ... for this long ends the transfer
    long textTimeoutMs = 30000;         // whole FetchText transfer
    std::uint64_t maxDownloadBytes = 512ull * 1024 * 1024;
  };

  HttpClient() = default;
  explicit HttpClient(Options options) : options_(std::move(options)) {}
  HttpClient(const HttpClient&) = delete;
  HttpClient& operator=(const HttpClient&) = delete;

  // Reads the body at `url` into `text` (bytes as sent). A body longer than
  // `maxBytes` is a failure. On kStopped `text` holds what had arrived, on
  // every other failure it is empty.
  int FetchText(const std::string& url, std::string& text, std::size_t maxBytes);

  // Streams the body at `url` into the file `target`, which is replaced once
  // the server has answered with 200 (created 0600; a link at the name is
  // replaced, not followed). On any result but kComplete the file this call
  // created is removed again, so no partial download is ever left behind.
  //
  // Progress goes to `progress` as (kMsgUpdateProgress, 0, value), each value
  // only when it differs from the last one sent: 0 at the start, 2 once the
  // session is set up, 8 when the server has answered, 10 when the file is
  // open, then 10 + 90 x (whole pieces received) / (announced length in
  // pieces) held at 99 at most, and 100 at the end (also when stopped while
  // reading). Without an announced length: 0, 2, 8, 10, 100.
  int DownloadFile(const std::string& url, const std::string& target, const MessageSink& progress);

  // Stops the transfer in progress and every later one (they return kStopped
  // at once). For an owner that is going away.
  void Stop() { stopped_.store(true); }
  bool IsStopped() const { return stopped_.load(); }

  const Options& GetOptions() const { return options_; }

 private:
  Options options_;
  std::atomic<bool> stopped_{false};
};

}  // namespace Zorvane
