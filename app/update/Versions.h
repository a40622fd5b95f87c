#pragma once

#include <string_view>

#include "toolkit/core/CString.h"

namespace Zorvane {

// Version texts are numbers separated by "." ("1.0.11"). Parts compare as
// numbers read with WideAtoi, so "1.0.10" is newer than "1.0.9"; a part that
// is not a number counts as 0, and empty parts count as parts.

// 1 when b is newer than a, -1 when a is newer, 0 when equal, and 2 when the
// two have different numbers of parts (then nothing else is compared).
int CompareVersions(const Nuvex::CString& a, const Nuvex::CString& b);

// Whether `server` is an update for `local`. Unlike CompareVersions, texts of
// different lengths are compared too, a missing part counting as 0: "1.1" is
// newer than "1.0.10", but "1.0" is not (offering it would be a downgrade).
bool IsNewerVersion(const Nuvex::CString& local, const Nuvex::CString& server);

// A version text from the server that the program accepts: 1 to 10
// characters, digits and dots only. The text ends up in a file name, a URL
// and a prompt, so nothing else may pass.
bool IsAcceptableServerVersion(std::string_view text);

}  // namespace Zorvane
