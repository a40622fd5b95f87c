#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace Platform {

// A small INI file ("[section]" headers, "name=value" lines) that is edited in
// place: setting one value rewrites only that line (or appends it), and every
// other byte of the file - comments, other sections, lines it cannot make
// sense of, even binary junk - is written back unchanged. Names compare
// without regard to ASCII case, the first occurrence wins. Text is UTF-8.
//
// The file is read whole on every call, so two objects on one path always see
// the same values; a process-wide lock serialises each read-modify-write.
class IniFile {
 public:
  // Files larger than this are treated as unreadable: reads find nothing and
  // writes fail, so a huge file is never cut down by a write.
  static constexpr std::size_t kMaxFileSize = 4 * 1024 * 1024;

  explicit IniFile(std::string path) : path_(std::move(path)) {}

  const std::string& Path() const { return path_; }
  bool Exists() const;
  // Creates the file, with its folders, holding just the header of `section`.
  // True when it was created or already existed.
  bool Create(std::string_view section) const;

  // The value of `name` in `section`, without the line's trailing CR; nullopt
  // when the file, the section or the name is missing, or the file cannot be
  // read.
  std::optional<std::string> Read(std::string_view section, std::string_view name) const;

  // Sets `name` in `section`, adding the section at the end when it is
  // missing. Fails without creating anything when the file does not exist,
  // and without changing it when it cannot be read or replaced. Values and
  // names holding a line break are refused.
  bool Write(std::string_view section, std::string_view name, std::string_view value) const;

 private:
  std::string path_;
};

}  // namespace Platform
