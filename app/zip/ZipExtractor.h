#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace Zorvane {

// Unpacks a zip archive (stored or deflated entries) below a folder.
//
// Every entry must stay inside the folder: names that are absolute, hold a
// ".." segment, a backslash or a drive letter ("C:"), and entries that are
// symbolic links or other special files are refused. Links already in the
// folder are never followed: folders are entered without following links,
// and files are written to a temporary name and renamed into place, so a
// link at the name is replaced. Each file's CRC and size are checked; a file
// that fails is removed again, never left half-written. The total size and
// the number of entries are capped.
//
// Refused and failed entries are skipped and the rest is unpacked; the
// result says whether everything was.
class ZipExtractor {
 public:
  struct Limits {
    std::uint64_t maxTotalBytes = 2ull * 1024 * 1024 * 1024;
    std::size_t maxEntries = 100000;
  };

  ZipExtractor() = default;
  explicit ZipExtractor(Limits limits) : limits_(limits) {}

  // true when the archive opened and every entry was unpacked; false when it
  // could not be opened (nothing written) or any entry was refused or failed.
  bool ExtractAll(const std::string& archive, const std::string& folder);

  // The files the last ExtractAll wrote, as relative paths with "/" and
  // without "." or empty segments ("docs/readme.txt").
  const std::vector<std::string>& Extracted() const { return extracted_; }
  // Entries of the last ExtractAll that were refused or failed.
  std::size_t FailedEntries() const { return failed_; }

 private:
  Limits limits_;
  std::vector<std::string> extracted_;
  std::size_t failed_ = 0;
};

}  // namespace Zorvane
