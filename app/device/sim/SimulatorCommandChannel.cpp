#include "app/device/sim/SimulatorCommandChannel.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>

#include "platform/Paths.h"

namespace Zorvane {
namespace {

constexpr std::size_t kMaxLine = 512;

bool IsOurPipe(const struct stat& info) {
  return S_ISFIFO(info.st_mode) && info.st_uid == getuid();
}

}  // namespace

std::string SimulatorCommandChannel::DefaultPath() {
  std::string folder = Platform::RuntimeFolder();
  if (!folder.empty()) return folder + "/zorvane-simulator";
  return "/tmp/zorvane-simulator-" + std::to_string(getuid());
}

SimulatorCommandChannel::SimulatorCommandChannel(Handler handler, Log log)
    : handler_(std::move(handler)), log_(std::move(log)) {
  if (!log_) log_ = [](const std::string& text) { std::fprintf(stderr, "zorvane simulator: %s\n", text.c_str()); };
}

SimulatorCommandChannel::~SimulatorCommandChannel() {
  Stop();
}

bool SimulatorCommandChannel::Start(const std::string& path) {
  if (thread_.joinable()) return false;
  struct stat info {};
  bool created = false;
  if (lstat(path.c_str(), &info) != 0) {
    if (errno != ENOENT || mkfifo(path.c_str(), 0600) != 0) return false;
    created = true;
  } else if (!IsOurPipe(info)) {
    return false;
  }
  // Read and write: the pipe then always has a writer, so a person's `echo`
  // ending never looks like the end of the channel.
  int pipe = open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW);
  int wake = eventfd(0, EFD_CLOEXEC);
  // Checked again on the open pipe: the path may have changed meanwhile.
  if (pipe < 0 || wake < 0 || fstat(pipe, &info) != 0 || !IsOurPipe(info)) {
    if (pipe >= 0) close(pipe);
    if (wake >= 0) close(wake);
    if (created) unlink(path.c_str());
    return false;
  }
  path_ = path;
  created_ = created;
  pipe_ = pipe;
  wake_ = wake;
  thread_ = std::thread([this] { ReadLoop(); });
  return true;
}

void SimulatorCommandChannel::Stop() {
  if (!thread_.joinable()) return;
  std::uint64_t one = 1;
  if (write(wake_, &one, sizeof one) < 0) {
    // an eventfd write only fails on overflow, which a single stop cannot reach
  }
  thread_.join();
  close(pipe_);
  close(wake_);
  pipe_ = wake_ = -1;
  if (created_) unlink(path_.c_str());
  created_ = false;
}

void SimulatorCommandChannel::ReadLoop() {
  std::string line;
  bool dropping = false;  // inside a line that grew too long
  char buffer[256];
  for (;;) {
    pollfd watched[2] = {{pipe_, POLLIN, 0}, {wake_, POLLIN, 0}};
    if (poll(watched, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (watched[1].revents != 0) return;
    ssize_t got = read(pipe_, buffer, sizeof buffer);
    if (got < 0 && (errno == EAGAIN || errno == EINTR)) continue;
    if (got <= 0) return;
    for (ssize_t i = 0; i < got; ++i) {
      char c = buffer[i];
      if (c == '\n') {
        if (!dropping) Execute(line);
        line.clear();
        dropping = false;
      } else if (!dropping) {
        line += c;
        if (line.size() > kMaxLine) {
          log_("a line over " + std::to_string(kMaxLine) + " bytes was dropped");
          line.clear();
          dropping = true;
        }
      }
    }
  }
}

void SimulatorCommandChannel::Execute(const std::string& line) {
  std::string answer = handler_(line);
  if (!answer.empty()) log_(answer);
}

}  // namespace Zorvane
