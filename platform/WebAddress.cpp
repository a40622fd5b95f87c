#include "platform/WebAddress.h"

#include <algorithm>
#include <string_view>

#include "platform/ProgramLauncher.h"

namespace Platform {

namespace {

bool IsAsciiLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsAsciiDigit(char c) {
  return c >= '0' && c <= '9';
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != prefix[i]) return false;
  }
  return true;
}

// "name:" at the start, as schemes are written, unless what follows the colon
// is a port number ("localhost:8080/x"): a host with a port has no scheme.
bool HasScheme(std::string_view text) {
  if (text.empty() || !IsAsciiLetter(text.front())) return false;
  std::size_t i = 1;
  while (i < text.size() &&
         (IsAsciiLetter(text[i]) || IsAsciiDigit(text[i]) || text[i] == '+' || text[i] == '-' || text[i] == '.'))
    ++i;
  if (i >= text.size() || text[i] != ':') return false;
  std::size_t digits = i + 1;
  while (digits < text.size() && IsAsciiDigit(text[digits])) ++digits;
  bool portFollows =
      digits > i + 1 && (digits == text.size() || text[digits] == '/' || text[digits] == '?' || text[digits] == '#');
  return !portFollows;
}

bool IsNumericHost(std::string_view host) {
  return !host.empty() && std::all_of(host.begin(), host.end(), [](char c) { return IsAsciiDigit(c) || c == '.'; });
}

}  // namespace

std::string WebAddressToOpen(const std::string& typed) {
  constexpr std::string_view blanks = " \t\r\n\f\v";
  std::size_t first = typed.find_first_not_of(blanks);
  if (first == std::string::npos) return "";
  std::string address = typed.substr(first, typed.find_last_not_of(blanks) - first + 1);
  if (std::any_of(address.begin(), address.end(),
                  [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; }))
    return "";

  if (StartsWithNoCase(address, "http://") || StartsWithNoCase(address, "https://")) return address;
  if (HasScheme(address)) return "";

  // The host: before the path, query or fragment, after any user name, before
  // any port.
  std::size_t authorityEnd = address.find_first_of("/?#");
  if (authorityEnd == std::string::npos) authorityEnd = address.size();
  std::size_t at = address.rfind('@', authorityEnd == 0 ? 0 : authorityEnd - 1);
  std::size_t hostStart = (at == std::string::npos || at >= authorityEnd) ? 0 : at + 1;
  std::string_view host(address.data() + hostStart, authorityEnd - hostStart);
  if (host.empty()) return "";

  bool ipv6 = host.front() == '[' || std::count(host.begin(), host.end(), ':') > 1;
  if (!ipv6) {
    std::size_t colon = host.find(':');
    if (colon != std::string_view::npos) host = host.substr(0, colon);
    if (host.empty()) return "";
  }
  std::string_view name = host;
  if (!name.empty() && name.back() == '.') name.remove_suffix(1);  // "example.com." is "example.com"
  bool oneDot = std::count(name.begin(), name.end(), '.') == 1 && name.front() != '.' && name.back() != '.';
  if (!ipv6 && !IsNumericHost(name) && oneDot) address.insert(hostStart, "www.");
  return "https://" + address;
}

bool OpenWebAddress(const std::string& typed) {
  std::string opener = FindProgram("xdg-open");
  return !opener.empty() && OpenWebAddressWith(opener, typed);
}

bool OpenWebAddressWith(const std::string& opener, const std::string& typed) {
  std::string address = WebAddressToOpen(typed);
  if (address.empty()) return false;
  return StartProgram(opener, {address});
}

}  // namespace Platform
