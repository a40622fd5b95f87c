#include "platform/Paths.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace Platform {
namespace {

std::string AbsoluteEnv(const char* name) {
  const char* value = std::getenv(name);
  if (!value || value[0] != '/') return {};
  std::string path(value);
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

}  // namespace

std::string ProgramFolder() {
  std::vector<char> buffer(4096);
  for (;;) {
    ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n < 0) return ".";  // no /proc: the working folder is the best guess left
    if (static_cast<std::size_t>(n) < buffer.size()) {
      std::string exe(buffer.data(), static_cast<std::size_t>(n));
      std::size_t slash = exe.rfind('/');
      if (slash == std::string::npos) return ".";
      return slash == 0 ? "/" : exe.substr(0, slash);
    }
    buffer.resize(buffer.size() * 2);
  }
}

std::string HomeFolder() {
  if (std::string home = AbsoluteEnv("HOME"); !home.empty()) return home;
  long size = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir)
    return found->pw_dir;
  return "/tmp";  // a user without a home still gets a usable, if temporary, place
}

std::string ConfigHome() {
  std::string path = AbsoluteEnv("XDG_CONFIG_HOME");
  return path.empty() ? HomeFolder() + "/.config" : path;
}

std::string DataHome() {
  std::string path = AbsoluteEnv("XDG_DATA_HOME");
  return path.empty() ? HomeFolder() + "/.local/share" : path;
}

std::string RuntimeFolder() {
  return AbsoluteEnv("XDG_RUNTIME_DIR");
}

bool IsFolder(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsFile(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool CreateFolderTree(const std::string& path, unsigned mode) {
  if (path.empty()) return false;
  if (IsFolder(path)) return true;
  // Each level from the top down; a level that cannot be made is left to the
  // final test, since it may exist already or be made by another process.
  for (std::size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
    std::string level = path.substr(0, slash);
    if (!IsFolder(level)) mkdir(level.c_str(), mode);
  }
  if (mkdir(path.c_str(), mode) == 0) return true;
  return errno == EEXIST && IsFolder(path);
}

}  // namespace Platform
