#include "app/zip/ZipExtractor.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unzip.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <memory>
#include <string_view>

#include "platform/AtomicFile.h"

namespace Zorvane {
namespace {

constexpr std::size_t kNameBuffer = 65536;  // a stored name has at most 65535 bytes
constexpr std::size_t kReadBuffer = 64 * 1024;
constexpr unsigned long kHostUnix = 3;      // "version made by" high byte: Unix mode in the attributes
constexpr unsigned long kDosFolder = 0x10;  // external attributes, MS-DOS folder bit
constexpr int kTemporaryNameTries = 100;

struct ZipCloser {
  void operator()(void* zip) const { unzClose(zip); }
};
using ZipPtr = std::unique_ptr<void, ZipCloser>;

// Owns a file descriptor.
struct Descriptor {
  explicit Descriptor(int value = -1) : fd(value) {}
  ~Descriptor() { Reset(-1); }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  void Reset(int value) {
    if (fd >= 0) close(fd);
    fd = value;
  }
  int fd;
};

bool IsDriveLetter(std::string_view segment) {
  return segment.size() >= 2 && segment[1] == ':' &&
         ((segment[0] >= 'A' && segment[0] <= 'Z') || (segment[0] >= 'a' && segment[0] <= 'z'));
}

// Splits a stored name into the segments of a path below the folder, without
// empty and "." segments. false for names that could leave the folder or mean
// something else elsewhere: absolute, "..", backslashes, drive letters.
bool SafeSegments(std::string_view name, std::vector<std::string>& segments) {
  if (name.empty() || name.front() == '/' || name.find('\\') != std::string_view::npos || IsDriveLetter(name))
    return false;
  while (!name.empty()) {
    const std::size_t slash = name.find('/');
    const std::string_view segment = name.substr(0, slash);
    if (segment == "..") return false;
    if (!segment.empty() && segment != ".") segments.emplace_back(segment);
    if (slash == std::string_view::npos) break;
    name.remove_prefix(slash + 1);
  }
  return true;
}

// Opens the folder `name` in `parent`, creating it when missing, never
// through a symbolic link. -1 on failure.
int EnterFolder(int parent, const std::string& name) {
  const int flags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
  int fd = openat(parent, name.c_str(), flags);
  if (fd >= 0 || errno != ENOENT) return fd;
  if (mkdirat(parent, name.c_str(), 0755) != 0 && errno != EEXIST) return -1;
  return openat(parent, name.c_str(), flags);
}

// A name for a file being written in `folder`, and the file itself.
int CreateTemporary(int folder, std::string& name, mode_t mode) {
  static std::atomic<unsigned> counter{0};
  for (int i = 0; i < kTemporaryNameTries; ++i) {
    name = ".zorvane-unzip-" + std::to_string(getpid()) + "-" + std::to_string(counter.fetch_add(1));
    const int fd = openat(folder, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

// Reads the current entry's data into `fd`. true when all of it arrived,
// exactly the stored size, with a matching CRC.
bool CopyEntry(void* zip, int fd, std::uint64_t size) {
  if (unzOpenCurrentFile(zip) != UNZ_OK) return false;
  std::unique_ptr<char[]> buffer(new char[kReadBuffer]);
  std::uint64_t total = 0;
  bool ok = true;
  for (;;) {
    const int read = unzReadCurrentFile(zip, buffer.get(), kReadBuffer);
    if (read < 0) ok = false;
    if (read <= 0) break;
    total += static_cast<unsigned>(read);
    if (total > size || !Platform::WriteAll(fd, std::string_view(buffer.get(), static_cast<std::size_t>(read)))) {
      ok = false;
      break;
    }
  }
  // Reports a CRC mismatch once all data was read.
  const int closed = unzCloseCurrentFile(zip);
  return ok && closed == UNZ_OK && total == size;
}

// Unpacks the archive's current entry below `root`. `written` receives the
// relative path of a file written; `budget` is what the total cap still
// allows.
bool ExtractEntry(void* zip, int root, std::uint64_t& budget, std::string& written) {
  unz_file_info64 info{};
  std::string name(kNameBuffer, '\0');
  if (unzGetCurrentFileInfo64(zip, &info, name.data(), kNameBuffer, nullptr, 0, nullptr, 0) != UNZ_OK) return false;
  if (info.size_filename >= kNameBuffer) return false;
  name.resize(strnlen(name.data(), info.size_filename));
  if (name.size() != info.size_filename) return false;  // a NUL inside the name

  const unsigned long mode = (info.version >> 8) == kHostUnix ? (info.external_fa >> 16) & 0xFFFF : 0;
  const unsigned long type = mode & S_IFMT;
  if (type != 0 && type != S_IFREG && type != S_IFDIR) return false;  // links, devices, pipes
  const bool isFolder = type == S_IFDIR || (type == 0 && (info.external_fa & kDosFolder) != 0) || name.back() == '/';

  std::vector<std::string> segments;
  if (!SafeSegments(name, segments)) return false;
  if (segments.empty()) return isFolder;  // "./": the folder itself

  Descriptor folder(fcntl(root, F_DUPFD_CLOEXEC, 0));
  const std::size_t folders = isFolder ? segments.size() : segments.size() - 1;
  for (std::size_t i = 0; i < folders && folder.fd >= 0; ++i) folder.Reset(EnterFolder(folder.fd, segments[i]));
  if (folder.fd < 0) return false;
  if (isFolder) return true;
  if (info.uncompressed_size > budget) return false;

  std::string temporary;
  Descriptor file(CreateTemporary(folder.fd, temporary, (mode & 0111) != 0 ? 0777 : 0666));
  if (file.fd < 0) return false;
  bool ok = CopyEntry(zip, file.fd, info.uncompressed_size);
  ok = close(file.fd) == 0 && ok;
  file.fd = -1;
  // rename replaces whatever is at the name, a link included, never writing through it.
  ok = ok && renameat(folder.fd, temporary.c_str(), folder.fd, segments.back().c_str()) == 0;
  if (!ok) {
    unlinkat(folder.fd, temporary.c_str(), 0);
    return false;
  }
  budget -= info.uncompressed_size;
  written.clear();
  for (const std::string& segment : segments) written += (written.empty() ? "" : "/") + segment;
  return true;
}

}  // namespace

bool ZipExtractor::ExtractAll(const std::string& archive, const std::string& folder) {
  extracted_.clear();
  failed_ = 0;
  Descriptor root(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (root.fd < 0) return false;
  ZipPtr zip(unzOpen64(archive.c_str()));
  if (!zip) return false;

  std::uint64_t budget = limits_.maxTotalBytes;
  std::size_t entries = 0;
  int step = unzGoToFirstFile(zip.get());
  while (step == UNZ_OK) {
    if (++entries > limits_.maxEntries) break;
    std::string written;
    if (ExtractEntry(zip.get(), root.fd, budget, written)) {
      if (!written.empty()) extracted_.push_back(written);
    } else {
      ++failed_;
    }
    step = unzGoToNextFile(zip.get());
  }
  // Entries beyond the cap, or a directory that breaks off, count as failed.
  if (step != UNZ_END_OF_LIST_OF_FILE) ++failed_;
  return failed_ == 0;
}

}  // namespace Zorvane
