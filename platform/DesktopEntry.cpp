#include "platform/DesktopEntry.h"

namespace Platform {

namespace {

// Characters that mean nothing to the Exec line's argument splitting, so an
// argument made only of them can stand without quotes and stays readable.
bool NeedsNoQuoting(std::string_view argument) {
  if (argument.empty()) return false;  // an empty argument only exists as ""
  for (const char c : argument) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       std::string_view("-_./,=:+@").find(c) != std::string_view::npos;
    if (!plain) return false;
  }
  return true;
}

}  // namespace

std::string QuoteExecArgument(std::string_view argument) {
  std::string quoted = "\"";
  for (const char c : argument) {
    if (c == '"' || c == '`' || c == '$' || c == '\\')
      quoted += '\\';
    else if (c == '%')
      quoted += '%';  // a lone '%' would start a field code
    quoted += c;
  }
  quoted += '"';
  return quoted;
}

std::string EscapeStringValue(std::string_view value) {
  std::string escaped;
  escaped.reserve(value.size());
  for (const char c : value) {
    switch (c) {
      case '\\':
        escaped += "\\\\";
        break;
      case '\n':
        escaped += "\\n";
        break;
      case '\t':
        escaped += "\\t";
        break;
      case '\r':
        escaped += "\\r";
        break;
      default:
        escaped += c;
    }
  }
  return escaped;
}

std::string AutostartEntryContent(std::string_view name, std::string_view program,
                                  const std::vector<std::string>& arguments) {
  std::string exec = QuoteExecArgument(program);
  for (const std::string& argument : arguments) {
    exec += ' ';
    exec += NeedsNoQuoting(argument) ? argument : QuoteExecArgument(argument);
  }
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=" +
         EscapeStringValue(name) +
         "\n"
         "Exec=" +
         EscapeStringValue(exec) +
         "\n"
         "Terminal=false\n"
         "X-GNOME-Autostart-enabled=true\n";
}

}  // namespace Platform
