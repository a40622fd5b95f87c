#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace Platform {

// Desktop entry files (the freedesktop.org format used for autostart).

// One argument of an Exec line: always double-quoted, with '"', '`', '$' and
// '\' escaped inside the quotes and '%' doubled, as the format requires for
// arguments that may hold reserved characters.
std::string QuoteExecArgument(std::string_view argument);

// An Exec value written into the file: the format's string escapes applied
// (backslash, newline, tab, carriage return) on top of the Exec quoting.
std::string EscapeStringValue(std::string_view value);

// The content of an autostart entry that runs `program` with `arguments`.
std::string AutostartEntryContent(std::string_view name, std::string_view program,
                                  const std::vector<std::string>& arguments);

}  // namespace Platform
