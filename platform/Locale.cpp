#include "platform/Locale.h"

#include <cstdlib>

namespace Platform {

std::string UserMessagesLocale() {
  // The precedence the C library itself uses for LC_MESSAGES.
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (value && *value) return value;
  }
  return {};
}

}  // namespace Platform
