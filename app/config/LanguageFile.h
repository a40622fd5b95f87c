#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>

#include "toolkit/core/CString.h"

namespace Zorvane {

// One INI file read the way the classic profile-string reader reads it.
//
// Encoding: UTF-16LE when the file begins with its byte order mark (FF FE),
// otherwise UTF-8 (a UTF-8 byte order mark is skipped); malformed sequences
// and unpaired surrogates become U+FFFD. Lines end at LF, CRLF or CR.
//
// Syntax: "[name]" starts a section (text after the first ']' is ignored);
// "key=value" lines belong to the section above them. Blanks and tabs around
// names, keys and values are dropped, and one pair of matching double or
// single quotes around a value is removed. Lines before the first section,
// lines without '=' or without a key, and a '[' line without ']' are ignored.
// Sections and keys compare without regard to case; the first section of a
// name and the first key in it win (keys of a repeated section are never
// seen). A value ends at an embedded NUL, as the classic C-string result does,
// and is cut to 259 UTF-16 units, or 258 where the cut would split a
// surrogate pair.
class LanguageFile {
 public:
  // Larger files are treated as missing.
  static constexpr std::size_t kMaxFileSize = 4 * 1024 * 1024;
  static constexpr std::size_t kMaxValueLength = 259;
  // Parsed files kept by Lookup; the least recently used one goes first.
  static constexpr std::size_t kCachedFiles = 4;

  // Parses the whole content of a file.
  explicit LanguageFile(std::string_view bytes);

  // The value, or null when the section or the key is missing. Valid for the
  // life of this object.
  const std::u16string* Find(std::u16string_view section, std::u16string_view key) const;

  // The value of `key` in `section` of the file at `path`; "" when the file,
  // the section or the key is missing. Any thread may call this.
  //
  // The file is checked at every call, so a changed or replaced file shows at
  // the next one; it is parsed again only when its inode, size or
  // modification time has changed. Since file times advance in clock ticks, a
  // file modified within the tick of its reading could change again without a
  // new time: such a file is not trusted from the cache until it is older
  // than its reading.
  static Nuvex::CString Lookup(const std::string& path, std::u16string_view section, std::u16string_view key);

 private:
  using Values = std::unordered_map<std::u16string, std::u16string>;

  void Parse(std::u16string_view text);
  void ParseLine(std::u16string_view line, Values*& current);

  // Keyed by the case-folded names.
  std::unordered_map<std::u16string, Values> sections_;
};

}  // namespace Zorvane
