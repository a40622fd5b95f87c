#include "platform/SingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

namespace Platform {

SingleInstance::~SingleInstance() {
  if (fd_ >= 0) close(fd_);  // closing drops the lock
}

SingleInstance::Result SingleInstance::Acquire(const std::string& lockPath) {
  if (fd_ >= 0) return Result::Acquired;
  int fd = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return Result::Failed;
  int rc;
  do {
    rc = flock(fd, LOCK_EX | LOCK_NB);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) {
    bool busy = errno == EWOULDBLOCK;
    close(fd);
    return busy ? Result::AlreadyRunning : Result::Failed;
  }
  fd_ = fd;
  return Result::Acquired;
}

}  // namespace Platform
