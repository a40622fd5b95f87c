#include "platform/IniFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>

#include "platform/AtomicFile.h"
#include "platform/Paths.h"

namespace Platform {

namespace {

// One lock for every IniFile: two objects on the same path must not lose each
// other's writes, and the files are small enough that contention is no issue.
std::mutex& FileLock() {
  static std::mutex lock;
  return lock;
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  return true;
}

bool HoldsLineBreakOrNul(std::string_view text) {
  return text.find_first_of(std::string_view("\n\r\0", 3)) != text.npos;
}

// A section or name as looked up: blanks around it are not part of it, just as
// they are not when the file is parsed.
bool ValidKey(std::string_view key) {
  return !key.empty() && !HoldsLineBreakOrNul(key);
}

bool ValidName(std::string_view name) {
  return ValidKey(name) && name.find('=') == name.npos && name.front() != '[';
}

// Where things are in the file, as byte offsets into its content.
struct Lookup {
  bool sectionFound = false;
  bool nameFound = false;
  std::size_t valueBegin = 0;  // the value of the first matching line
  std::size_t valueEnd = 0;    // excluding a trailing CR
  std::size_t insertAt = 0;    // after the section's last name=value line or its header
};

Lookup Find(std::string_view content, std::string_view section, std::string_view name) {
  Lookup found;
  bool inSection = false;
  bool firstPartDone = false;
  // Editors on other systems like to start UTF-8 files with a byte order mark;
  // it is not part of the first line, which is often a section header.
  std::size_t begin = content.starts_with("\xEF\xBB\xBF") ? 3 : 0;
  while (begin < content.size()) {
    const std::size_t newline = content.find('\n', begin);
    const std::size_t next = newline == content.npos ? content.size() : newline + 1;
    std::size_t end = newline == content.npos ? content.size() : newline;
    if (end > begin && content[end - 1] == '\r') --end;
    const std::string_view line = content.substr(begin, end - begin);
    const std::string_view trimmed = Trim(line);

    if (trimmed.size() >= 2 && trimmed.front() == '[' && trimmed.back() == ']') {
      // A section may be repeated; its names are looked up in all of its
      // parts, new names go to the first.
      if (inSection) firstPartDone = true;
      inSection = EqualsIgnoringAsciiCase(Trim(trimmed.substr(1, trimmed.size() - 2)), section);
      if (inSection && !found.sectionFound) {
        found.sectionFound = true;
        found.insertAt = next;
      }
    } else if (inSection) {
      const std::size_t equals = line.find('=');
      if (equals != line.npos) {
        if (!firstPartDone) found.insertAt = next;
        if (!found.nameFound && EqualsIgnoringAsciiCase(Trim(line.substr(0, equals)), name)) {
          found.nameFound = true;
          found.valueBegin = begin + equals + 1;
          found.valueEnd = end;
        }
      }
    }
    begin = next;
  }
  return found;
}

}  // namespace

bool IniFile::Exists() const {
  return IsFile(path_);
}

bool IniFile::Create(std::string_view rawSection) const {
  const std::string_view section = Trim(rawSection);
  if (!ValidKey(section) || path_.empty()) return false;
  std::lock_guard<std::mutex> guard(FileLock());
  // New configuration folders are private to the user, as the XDG base
  // directory rules ask.
  const std::size_t slash = path_.rfind('/');
  if (slash != std::string::npos && slash > 0 && !CreateFolderTree(path_.substr(0, slash), 0700)) return false;

  int fd;
  do {
    fd = open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return errno == EEXIST && IsFile(path_);

  const std::string header = "[" + std::string(section) + "]\n";
  bool ok = true;
  std::size_t done = 0;
  while (ok && done < header.size()) {
    const ssize_t n = write(fd, header.data() + done, header.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0)
      ok = false;
    else
      done += static_cast<std::size_t>(n);
  }
  ok = ok && fsync(fd) == 0;
  if (close(fd) != 0 && errno != EINTR) ok = false;
  // Leave no half-made file behind: the next Create would take it as done.
  if (!ok) unlink(path_.c_str());
  return ok;
}

std::optional<std::string> IniFile::Read(std::string_view rawSection, std::string_view rawName) const {
  const std::string_view section = Trim(rawSection);
  const std::string_view name = Trim(rawName);
  if (!ValidKey(section) || !ValidKey(name)) return std::nullopt;

  std::string content;
  {
    std::lock_guard<std::mutex> guard(FileLock());
    if (!ReadWholeFile(path_, content, kMaxFileSize)) return std::nullopt;
  }
  const Lookup found = Find(content, section, name);
  if (!found.nameFound) return std::nullopt;
  return content.substr(found.valueBegin, found.valueEnd - found.valueBegin);
}

bool IniFile::Write(std::string_view rawSection, std::string_view rawName, std::string_view value) const {
  const std::string_view section = Trim(rawSection);
  const std::string_view name = Trim(rawName);
  if (!ValidKey(section) || !ValidName(name) || HoldsLineBreakOrNul(value)) return false;

  std::lock_guard<std::mutex> guard(FileLock());
  std::string content;
  // A missing, unreadable or oversized file is never replaced: writing would
  // create it, or cut it down to what could be read.
  if (!ReadWholeFile(path_, content, kMaxFileSize)) return false;

  const Lookup found = Find(content, section, name);
  const std::string line = std::string(name) + "=" + std::string(value) + "\n";
  if (found.nameFound) {
    content.replace(found.valueBegin, found.valueEnd - found.valueBegin, value);
  } else if (found.sectionFound) {
    // The section's last line may be the file's last, without a line break.
    const bool needsBreak = found.insertAt > 0 && content[found.insertAt - 1] != '\n';
    content.insert(found.insertAt, needsBreak ? "\n" + line : line);
  } else {
    if (!content.empty() && content.back() != '\n') content += '\n';
    content += "[" + std::string(section) + "]\n" + line;
  }
  if (content.size() > kMaxFileSize) return false;  // it could not be read back
  return WriteFileAtomically(path_, content);
}

}  // namespace Platform
