#pragma once

#include <string>

namespace Platform {

// Folders of the program and the user, as absolute paths without a trailing
// slash. The XDG variables are honoured only when they hold absolute paths,
// as the base directory rules ask.

// The folder of the running executable (symbolic links resolved).
std::string ProgramFolder();
// The user's home: $HOME, else the password database entry.
std::string HomeFolder();
// $XDG_CONFIG_HOME, else ~/.config.
std::string ConfigHome();
// $XDG_DATA_HOME, else ~/.local/share.
std::string DataHome();
// $XDG_RUNTIME_DIR, or "" when it is not set or not absolute.
std::string RuntimeFolder();

// Creates `path` and every missing folder above it, new ones with `mode`.
// Failures of the levels above are ignored (they may exist already, or not be
// ours to create, like an unreadable /home); the result is true when `path`
// is a folder at the end.
bool CreateFolderTree(const std::string& path, unsigned mode = 0755);
bool IsFolder(const std::string& path);
bool IsFile(const std::string& path);

}  // namespace Platform
