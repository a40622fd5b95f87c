#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace Platform {

// Replaces the file at `path` with `content` so that a crash at any moment
// leaves either the old file or the new one, never a mix: the content goes to
// a temporary file in the same folder, is flushed to disk, and is renamed over
// the target. When `path` is a symbolic link the file it points to is replaced
// and the link is kept. The folder must exist. Returns false (and leaves the
// old file untouched) when any step fails.
bool WriteFileAtomically(const std::string& path, std::string_view content);

// Reads a whole regular file of at most `maxBytes` into `content`. Returns
// false, with `content` empty, when the file cannot be opened or read, is not
// a regular file, or is larger than `maxBytes`.
bool ReadWholeFile(const std::string& path, std::string& content, std::size_t maxBytes);

// Writes all of `content` to `fd`, resuming after signals and short writes.
// False when the file refuses more (error, or no progress).
bool WriteAll(int fd, std::string_view content);

}  // namespace Platform
