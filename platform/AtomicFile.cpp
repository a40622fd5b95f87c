#include "platform/AtomicFile.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdlib>

namespace Platform {

namespace {

// Enough for any sane chain of links; the kernel stops at 40 as well.
constexpr int kMaxLinkHops = 40;
// The temporary name is ".<base>.XXXXXX"; long bases are cut so that the
// name stays within the file system's name limit.
constexpr std::size_t kMaxBaseInTempName = 200;

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string BaseOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool ReadLink(const std::string& link, std::string& target) {
  std::string buffer(PATH_MAX, '\0');
  const ssize_t n = readlink(link.c_str(), buffer.data(), buffer.size());
  if (n < 0 || static_cast<std::size_t>(n) >= buffer.size()) return false;
  buffer.resize(static_cast<std::size_t>(n));
  target = buffer;
  return true;
}

// The file that really gets replaced. An existing target is resolved fully;
// a dangling link is followed by hand, since realpath refuses it, so that the
// new file lands where the link points and the link keeps working.
bool ResolveTarget(const std::string& path, std::string& resolved) {
  if (path.empty()) return false;
  std::string current = path;
  for (int hop = 0; hop <= kMaxLinkHops; ++hop) {
    struct stat st {};
    if (lstat(current.c_str(), &st) != 0) {
      if (errno != ENOENT) return false;
      resolved = current;  // a new file; its folder has to exist
      return true;
    }
    if (!S_ISLNK(st.st_mode)) {
      char* real = realpath(current.c_str(), nullptr);
      if (!real) return false;
      resolved = real;
      std::free(real);
      return true;
    }
    std::string target;
    if (!ReadLink(current, target) || target.empty()) return false;
    current = target.front() == '/' ? target : FolderOf(current) + "/" + target;
  }
  return false;  // a loop of links
}

std::string RandomSuffix() {
  static std::atomic<std::uint64_t> counter{0};
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  std::uint64_t seed = static_cast<std::uint64_t>(now.tv_nsec) ^ (static_cast<std::uint64_t>(now.tv_sec) << 30) ^
                       (static_cast<std::uint64_t>(getpid()) << 16) ^
                       (counter.fetch_add(1, std::memory_order_relaxed) * 0x9E3779B97F4A7C15ULL);
  // splitmix64 finaliser: spreads neighbouring seeds over the whole range
  seed ^= seed >> 30;
  seed *= 0xBF58476D1CE4E5B9ULL;
  seed ^= seed >> 27;
  seed *= 0x94D049BB133111EBULL;
  seed ^= seed >> 31;
  static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  std::string suffix;
  for (int i = 0; i < 6; ++i) {
    suffix += kAlphabet[seed % 62];
    seed /= 62;
  }
  return suffix;
}

// Opens a fresh file beside `target`. Opening with mode 0644 rather than
// through mkstemp lets the kernel apply the umask (and any default ACL) the
// way it does for any new file, without touching the process-wide umask.
int CreateTempFile(const std::string& target, std::string& tempPath) {
  const std::string prefix = FolderOf(target) + "/." + BaseOf(target).substr(0, kMaxBaseInTempName) + ".";
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string candidate = prefix + RandomSuffix();
    int fd;
    do {
      fd = open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644);
    } while (fd < 0 && errno == EINTR);
    if (fd >= 0) {
      tempPath = std::move(candidate);
      return fd;
    }
    if (errno != EEXIST) return -1;
  }
  return -1;
}

bool FsyncRetrying(int fd) {
  int rc;
  do {
    rc = fsync(fd);
  } while (rc != 0 && errno == EINTR);
  return rc == 0;
}

// Makes the rename itself durable. Only best effort: by now the new file is in
// place, and reporting failure would claim the old one were still there.
void SyncFolder(const std::string& folder) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  FsyncRetrying(fd);
  close(fd);
}

}  // namespace

bool WriteFileAtomically(const std::string& path, std::string_view content) {
  std::string target;
  if (!ResolveTarget(path, target)) return false;

  struct stat old {};
  const bool replacing = stat(target.c_str(), &old) == 0;
  // Renaming over a folder, a device or a pipe would destroy something that
  // is not a file we own; refuse instead.
  if (replacing && !S_ISREG(old.st_mode)) return false;

  std::string tempPath;
  const int fd = CreateTempFile(target, tempPath);
  if (fd < 0) return false;

  bool ok = true;
  if (replacing) {
    // Keep the owner if we may (only root may give a file away) and then the
    // permission bits, after the owner change which would clear set-id bits.
    if (old.st_uid != geteuid() || old.st_gid != getegid()) {
      if (fchown(fd, old.st_uid, old.st_gid) != 0) {
        // not permitted: the file becomes ours, as with any editor's save
      }
    }
    ok = fchmod(fd, old.st_mode & 07777) == 0;
  }
  ok = ok && WriteAll(fd, content) && FsyncRetrying(fd);
  // On Linux the descriptor is released even when close reports EINTR.
  if (close(fd) != 0 && errno != EINTR) ok = false;
  ok = ok && rename(tempPath.c_str(), target.c_str()) == 0;
  if (!ok) {
    unlink(tempPath.c_str());
    return false;
  }
  SyncFolder(FolderOf(target));
  return true;
}

bool ReadWholeFile(const std::string& path, std::string& content, std::size_t maxBytes) {
  content.clear();
  int fd;
  // O_NONBLOCK so that a pipe at the path cannot hang the caller; it is
  // refused below, and has no effect on regular files.
  do {
    fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return false;

  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0 ||
      static_cast<std::uintmax_t>(st.st_size) > maxBytes) {
    close(fd);
    return false;
  }

  std::string data;
  data.reserve(static_cast<std::size_t>(st.st_size));
  char buffer[64 * 1024];
  bool ok = true;
  for (;;) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      ok = false;
      break;
    }
    if (n == 0) break;
    // The file may have grown since fstat.
    if (static_cast<std::size_t>(n) > maxBytes - data.size()) {
      ok = false;
      break;
    }
    data.append(buffer, static_cast<std::size_t>(n));
  }
  close(fd);
  if (!ok) return false;
  content = std::move(data);
  return true;
}

bool WriteAll(int fd, std::string_view content) {
  const char* data = content.data();
  std::size_t left = content.size();
  while (left > 0) {
    const ssize_t n = write(fd, data, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) return false;  // no progress: the device is full or gone
    data += n;
    left -= static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace Platform
