#pragma once

#include <string>

namespace Platform {

// The address to open for the text a user typed as a button's web address, or
// "" when nothing may be opened:
// - surrounding blanks are dropped; empty text, or text with control
//   characters, opens nothing;
// - "http://" and "https://" addresses (scheme in any case) stay as typed;
// - any other scheme ("file:", "ftp://", "mailto:", "javascript:", ...) opens
//   nothing: a mouse button opens web pages, never local files or scripts;
// - an address without a scheme gets "www." before a host name of exactly one
//   dot ("example.com"), never before IP addresses, single names such as
//   "localhost", or names with more dots ("mail.example.com",
//   "www.example.com"), and is then opened as "https://". "host:port" counts
//   as an address without a scheme.
std::string WebAddressToOpen(const std::string& typed);

// Opens `typed` (rewritten as above) with xdg-open from $PATH, or with the
// program `opener` (an absolute path), started through StartProgram. True
// when the opener was started.
bool OpenWebAddress(const std::string& typed);
bool OpenWebAddressWith(const std::string& opener, const std::string& typed);

}  // namespace Platform
