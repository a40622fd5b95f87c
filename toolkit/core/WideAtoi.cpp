#include "toolkit/core/WideAtoi.h"

#include <climits>

namespace Nuvex {

int WideAtoi(std::u16string_view text) {
  const std::size_t size = text.size();
  std::size_t i = 0;
  // ASCII white space only: U+00A0 or full-width digits are not numbers here.
  while (i < size && (text[i] == u' ' || (text[i] >= u'\t' && text[i] <= u'\r'))) ++i;
  bool negative = false;
  if (i < size && (text[i] == u'+' || text[i] == u'-')) {
    negative = text[i] == u'-';
    ++i;
  }
  // The magnitude is held in 64 bits and stops at the limit of its sign, so
  // no digit count can overflow it.
  const long long limit = negative ? -static_cast<long long>(INT_MIN) : static_cast<long long>(INT_MAX);
  long long magnitude = 0;
  for (; i < size && text[i] >= u'0' && text[i] <= u'9'; ++i) {
    magnitude = magnitude * 10 + (text[i] - u'0');
    if (magnitude >= limit) {
      magnitude = limit;
      break;
    }
  }
  return static_cast<int>(negative ? -magnitude : magnitude);
}

}  // namespace Nuvex
