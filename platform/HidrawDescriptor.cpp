#include "platform/HidrawDescriptor.h"

#include <fcntl.h>
#include <linux/hidraw.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

namespace Platform {

namespace {

int IoctlRetrying(int fd, unsigned long request, void* argument) {
  int rc;
  do {
    rc = ioctl(fd, request, argument);
  } while (rc < 0 && errno == EINTR);
  return rc;
}

}  // namespace

bool ReadHidrawDescriptor(const std::string& devnode, std::vector<std::uint8_t>& bytes) {
  bytes.clear();
  int fd;
  do {
    fd = open(devnode.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);  // never waits, not even on a FIFO
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return false;
  int size = 0;
  hidraw_report_descriptor descriptor{};
  bool ok = IoctlRetrying(fd, HIDIOCGRDESCSIZE, &size) == 0 && size >= 0 && size <= HID_MAX_DESCRIPTOR_SIZE;
  if (ok) {
    descriptor.size = static_cast<__u32>(size);
    ok = IoctlRetrying(fd, HIDIOCGRDESC, &descriptor) == 0;
  }
  close(fd);
  if (!ok) return false;
  bytes.assign(descriptor.value, descriptor.value + size);
  return true;
}

}  // namespace Platform
