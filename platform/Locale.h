#pragma once

#include <string>

namespace Platform {

// The user's language for messages as the environment gives it: the first
// non-empty of LC_ALL, LC_MESSAGES and LANG, e.g. "zh_CN.UTF-8"; "" if none.
std::string UserMessagesLocale();

}  // namespace Platform
