#include "app/config/LanguageFile.h"

#include <sys/stat.h>
#include <sys/types.h>
#include <time.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/AtomicFile.h"

namespace Zorvane {

namespace {

using Nuvex::CString;

// File systems keep times in steps of up to two seconds (FAT); a file whose
// time is not this much older than its reading may still change unseen.
constexpr time_t kSettleSeconds = 2;

bool IsBlank(char16_t c) {
  return c == u' ' || c == u'\t';
}

bool IsHighSurrogate(char16_t c) {
  return c >= 0xD800 && c <= 0xDBFF;
}

bool IsLowSurrogate(char16_t c) {
  return c >= 0xDC00 && c <= 0xDFFF;
}

std::u16string_view TrimBlanks(std::u16string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// The one case folding of names, the same as CString::CompareNoCase applies;
// names are nearly always ASCII, which is folded here without an allocation.
std::u16string Fold(std::u16string_view name) {
  std::u16string folded(name);
  for (char16_t& c : folded) {
    if (c >= 0x80) {
      CString wide(name);
      wide.MakeLower();
      return std::u16string(wide.View());
    }
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + (u'a' - u'A'));
  }
  return folded;
}

// An odd trailing byte is dropped; unpaired surrogates become U+FFFD.
std::u16string DecodeUtf16Le(std::string_view bytes) {
  const std::size_t count = bytes.size() / 2;
  std::u16string units(count, u'\0');
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  for (std::size_t i = 0; i < count; ++i) {
    units[i] = static_cast<char16_t>(p[2 * i] | (p[2 * i + 1] << 8));
  }
  for (std::size_t i = 0; i < count; ++i) {
    if (IsHighSurrogate(units[i]) && i + 1 < count && IsLowSurrogate(units[i + 1])) {
      ++i;
    } else if (IsHighSurrogate(units[i]) || IsLowSurrogate(units[i])) {
      units[i] = 0xFFFD;
    }
  }
  return units;
}

std::u16string ValueOf(std::u16string_view raw) {
  std::u16string_view value = TrimBlanks(raw);
  if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') && value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  value = value.substr(0, value.find(u'\0'));
  if (value.size() > LanguageFile::kMaxValueLength) {
    std::size_t cut = LanguageFile::kMaxValueLength;
    if (IsLowSurrogate(value[cut]) && IsHighSurrogate(value[cut - 1])) --cut;
    value = value.substr(0, cut);
  }
  return std::u16string(value);
}

// What identifies one version of a file: a replaced file has a new inode, a
// rewritten one a new size or time.
struct FileStamp {
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  time_t seconds = 0;
  long nanoseconds = 0;

  bool operator==(const FileStamp&) const = default;
};

FileStamp StampOf(const struct stat& st) {
  return FileStamp{st.st_dev, st.st_ino, st.st_size, st.st_mtim.tv_sec, st.st_mtim.tv_nsec};
}

// The file at `path` when it is a regular file that may be read.
bool StatFile(const std::string& path, FileStamp& stamp) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0 ||
      static_cast<std::uintmax_t>(st.st_size) > LanguageFile::kMaxFileSize) {
    return false;
  }
  stamp = StampOf(st);
  return true;
}

struct CacheEntry {
  std::string path;
  FileStamp stamp;
  // False while the file is too young for its stamp to be trusted.
  bool settled = false;
  std::shared_ptr<const LanguageFile> file;
  std::uint64_t lastUse = 0;
};

struct Cache {
  std::mutex mutex;
  std::vector<CacheEntry> entries;  // at most kCachedFiles
  std::uint64_t uses = 0;
};

// Never destroyed, so a thread still looking texts up while the process ends
// cannot meet a destroyed cache.
Cache& TheCache() {
  static Cache* const cache = new Cache;
  return *cache;
}

std::shared_ptr<const LanguageFile> FromCache(const std::string& path, const FileStamp& stamp) {
  Cache& cache = TheCache();
  std::lock_guard lock(cache.mutex);
  for (CacheEntry& entry : cache.entries) {
    if (entry.path != path) continue;
    if (!entry.settled || entry.stamp != stamp) return nullptr;
    entry.lastUse = ++cache.uses;
    return entry.file;
  }
  return nullptr;
}

void Remember(const std::string& path, const FileStamp& stamp, bool settled, std::shared_ptr<const LanguageFile> file) {
  Cache& cache = TheCache();
  std::lock_guard lock(cache.mutex);
  CacheEntry* slot = nullptr;
  for (CacheEntry& entry : cache.entries) {
    if (entry.path == path) slot = &entry;
  }
  if (!slot && cache.entries.size() < LanguageFile::kCachedFiles) slot = &cache.entries.emplace_back();
  if (!slot) {
    slot = &cache.entries.front();
    for (CacheEntry& entry : cache.entries) {
      if (entry.lastUse < slot->lastUse) slot = &entry;
    }
  }
  slot->path = path;
  slot->stamp = stamp;
  slot->settled = settled;
  slot->file = std::move(file);
  slot->lastUse = ++cache.uses;
}

std::shared_ptr<const LanguageFile> Load(const std::string& path) {
  // The clock is read before the file: any change after the reading gets a
  // time at least this late.
  timespec now{};
  clock_gettime(CLOCK_REALTIME_COARSE, &now);
  FileStamp stamp;
  if (!StatFile(path, stamp)) return nullptr;
  std::string bytes;
  if (!Platform::ReadWholeFile(path, bytes, LanguageFile::kMaxFileSize)) return nullptr;
  auto file = std::make_shared<const LanguageFile>(bytes);
  // If the file changed between the stat and the read, the content is the
  // newer one and the next call's stamp differs: it is simply read again.
  const time_t settledBefore = now.tv_sec - kSettleSeconds;
  const bool settled =
      stamp.seconds < settledBefore || (stamp.seconds == settledBefore && stamp.nanoseconds < now.tv_nsec);
  Remember(path, stamp, settled, file);
  return file;
}

}  // namespace

LanguageFile::LanguageFile(std::string_view bytes) {
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    Parse(DecodeUtf16Le(bytes.substr(2)));
    return;
  }
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
  const CString text = CString::FromUtf8(bytes);
  Parse(text.View());
}

void LanguageFile::Parse(std::u16string_view text) {
  Values* current = nullptr;  // null before the first section and in repeated ones
  while (!text.empty()) {
    const std::size_t end = text.find_first_of(u"\r\n");
    // An empty line between CR and LF is skipped like any empty line.
    ParseLine(text.substr(0, end), current);
    if (end == std::u16string_view::npos) break;
    text.remove_prefix(end + 1);
  }
}

void LanguageFile::ParseLine(std::u16string_view line, Values*& current) {
  line = TrimBlanks(line);
  if (line.empty()) return;
  if (line.front() == u'[') {
    const std::size_t close = line.find(u']');
    if (close == std::u16string_view::npos) return;
    auto [section, added] = sections_.try_emplace(Fold(TrimBlanks(line.substr(1, close - 1))));
    current = added ? &section->second : nullptr;
    return;
  }
  const std::size_t equals = line.find(u'=');
  if (!current || equals == std::u16string_view::npos) return;
  const std::u16string_view key = TrimBlanks(line.substr(0, equals));
  if (key.empty()) return;
  std::u16string folded = Fold(key);
  if (current->contains(folded)) return;
  current->emplace(std::move(folded), ValueOf(line.substr(equals + 1)));
}

const std::u16string* LanguageFile::Find(std::u16string_view section, std::u16string_view key) const {
  const auto values = sections_.find(Fold(section));
  if (values == sections_.end()) return nullptr;
  const auto value = values->second.find(Fold(key));
  return value == values->second.end() ? nullptr : &value->second;
}

CString LanguageFile::Lookup(const std::string& path, std::u16string_view section, std::u16string_view key) {
  FileStamp stamp;
  if (!StatFile(path, stamp)) return CString();
  std::shared_ptr<const LanguageFile> file = FromCache(path, stamp);
  if (!file) file = Load(path);
  if (!file) return CString();
  const std::u16string* value = file->Find(section, key);
  // A copy of its own: the caller's text never shares memory with the cache.
  return value ? CString(*value) : CString();
}

}  // namespace Zorvane
