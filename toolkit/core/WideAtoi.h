#pragma once

#include <string_view>

#include "toolkit/core/CString.h"
#include "toolkit/core/NuvexExport.h"

namespace Nuvex {

// The one number reader of the program, for every decimal text it stores or
// exchanges (database values, XML attributes, settings): optional leading
// white space, an optional sign, then decimal digits up to the first other
// character. Text that does not start that way reads as 0. Values beyond the
// int range saturate at INT_MAX / INT_MIN instead of overflowing.
NUVEX_API int WideAtoi(std::u16string_view text);
inline int WideAtoi(const char16_t* text) {
  return WideAtoi(std::u16string_view(text ? text : u""));
}
inline int WideAtoi(const CString& text) {
  return WideAtoi(text.View());
}

}  // namespace Nuvex
