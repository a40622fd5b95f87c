#include "toolkit/core/CString.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstring>

// ThreadSanitizer does not model stand-alone fences (GCC even warns about
// them), so its builds order the sole owner's writes another way.
#if defined(__SANITIZE_THREAD__)
#define NUVEX_THREAD_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define NUVEX_THREAD_SANITIZER 1
#endif
#endif

namespace Nuvex {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

// True when no other CString shares the text, so it may be changed in place.
// use_count() reads the count without ordering; the acquire that follows a
// true answer pairs with the release in the last other owner's decrement, so
// everything that owner did with the text happens before our writes.
bool SoleOwner(const std::shared_ptr<std::u16string>& text) {
  if (!text || text.use_count() != 1) return false;
#if defined(NUVEX_THREAD_SANITIZER)
  // An extra reference is an acquire-release change of the same count.
  const std::shared_ptr<std::u16string> probe(text);
#else
  std::atomic_thread_fence(std::memory_order_acquire);
#endif
  return true;
}

// Makes `result` the text, reusing the buffer when nobody else shares it.
void ReplaceText(std::shared_ptr<std::u16string>& text, std::u16string&& result) {
  if (result.empty()) {
    text.reset();
  } else if (SoleOwner(text)) {
    text->swap(result);
  } else {
    text = std::make_shared<std::u16string>(std::move(result));
  }
}

// Width and precision are capped so that a pattern read from a file cannot
// make one conversion allocate an arbitrary amount of memory.
constexpr int kMaxField = 1024;

bool IsHighSurrogate(char16_t c) {
  return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(char16_t c) {
  return c >= 0xDC00 && c <= 0xDFFF;
}

// ASCII white space only: the texts trimmed here are keys, file lines and
// database values, where U+00A0 or U+3000 are content, not layout.
bool IsTrimSpace(char16_t c) {
  return c == u' ' || (c >= u'\t' && c <= u'\r');
}

char16_t ToUpperUnit(char16_t c) {
  if (c < 0x80) return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 0x20) : c;
  if (c >= 0xE0 && c <= 0xFE) return c == 0xF7 ? c : static_cast<char16_t>(c - 0x20);
  if (c == 0xFF) return 0x178;
  if (c >= 0x3B1 && c <= 0x3C9) return c == 0x3C2 ? char16_t{0x3A3} : static_cast<char16_t>(c - 0x20);
  if (c >= 0x430 && c <= 0x44F) return static_cast<char16_t>(c - 0x20);
  if (c >= 0x450 && c <= 0x45F) return static_cast<char16_t>(c - 0x50);
  return c;
}

char16_t ToLowerUnit(char16_t c) {
  if (c < 0x80) return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 0x20) : c;
  if (c >= 0xC0 && c <= 0xDE) return c == 0xD7 ? c : static_cast<char16_t>(c + 0x20);
  if (c == 0x178) return 0xFF;
  // U+03A2 is unassigned; it stays as it is.
  if (c >= 0x391 && c <= 0x3A9) return c == 0x3A2 ? c : static_cast<char16_t>(c + 0x20);
  if (c >= 0x410 && c <= 0x42F) return static_cast<char16_t>(c + 0x20);
  if (c >= 0x400 && c <= 0x40F) return static_cast<char16_t>(c + 0x50);
  return c;
}

// Decodes UTF-8; every maximal invalid subpart (a lead byte followed by the
// longest run of bytes that could still continue it) becomes one U+FFFD.
void DecodeUtf8(std::string_view in, std::u16string& out) {
  // Never more UTF-16 units than input bytes: a 4-byte sequence gives two
  // units, every other sequence or invalid subpart at most one.
  out.resize(in.size());
  char16_t* dst = out.data();
  const auto* p = reinterpret_cast<const unsigned char*>(in.data());
  const unsigned char* const end = p + in.size();
  while (p < end) {
    // Runs of ASCII, eight bytes at a time.
    while (end - p >= 8) {
      std::uint64_t block;
      std::memcpy(&block, p, 8);
      if (block & 0x8080808080808080ull) break;
      for (int i = 0; i < 8; ++i) dst[i] = p[i];
      dst += 8;
      p += 8;
    }
    if (p == end) break;
    const unsigned lead = *p++;
    if (lead < 0x80) {
      *dst++ = static_cast<char16_t>(lead);
      continue;
    }
    int need;
    unsigned code;
    unsigned low = 0x80;
    unsigned high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
      need = 1;
      code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      need = 2;
      code = lead & 0x0F;
      if (lead == 0xE0) low = 0xA0;   // overlong
      if (lead == 0xED) high = 0x9F;  // surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      need = 3;
      code = lead & 0x07;
      if (lead == 0xF0) low = 0x90;   // overlong
      if (lead == 0xF4) high = 0x8F;  // above U+10FFFF
    } else {
      // Stray continuation byte, C0/C1 or F5..FF: never valid.
      *dst++ = kReplacement;
      continue;
    }
    bool complete = true;
    for (; need > 0; --need) {
      if (p == end || *p < low || *p > high) {
        complete = false;
        break;
      }
      code = (code << 6) | (*p++ & 0x3Fu);
      low = 0x80;
      high = 0xBF;
    }
    if (!complete) {
      // The offending byte is not consumed: it starts the next sequence.
      *dst++ = kReplacement;
    } else if (code >= 0x10000) {
      code -= 0x10000;
      *dst++ = static_cast<char16_t>(0xD800 + (code >> 10));
      *dst++ = static_cast<char16_t>(0xDC00 + (code & 0x3FF));
    } else {
      *dst++ = static_cast<char16_t>(code);
    }
  }
  out.resize(static_cast<std::size_t>(dst - out.data()));
}

std::string EncodeUtf8(std::u16string_view in) {
  std::string out;
  // At most three bytes per unit: a pair gives four bytes for two units.
  out.resize(in.size() * 3);
  char* dst = out.data();
  const std::size_t n = in.size();
  for (std::size_t i = 0; i < n; ++i) {
    unsigned c = in[i];
    if (c < 0x80) {
      *dst++ = static_cast<char>(c);
    } else if (c < 0x800) {
      *dst++ = static_cast<char>(0xC0 | (c >> 6));
      *dst++ = static_cast<char>(0x80 | (c & 0x3F));
    } else if (IsHighSurrogate(static_cast<char16_t>(c)) && i + 1 < n && IsLowSurrogate(in[i + 1])) {
      const unsigned code = 0x10000 + ((c - 0xD800) << 10) + (in[i + 1] - 0xDC00u);
      ++i;
      *dst++ = static_cast<char>(0xF0 | (code >> 18));
      *dst++ = static_cast<char>(0x80 | ((code >> 12) & 0x3F));
      *dst++ = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      *dst++ = static_cast<char>(0x80 | (code & 0x3F));
    } else {
      if (c >= 0xD800 && c <= 0xDFFF) c = kReplacement;  // unpaired surrogate
      *dst++ = static_cast<char>(0xE0 | (c >> 12));
      *dst++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      *dst++ = static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  out.resize(static_cast<std::size_t>(dst - out.data()));
  return out;
}

// --- Format ---------------------------------------------------------------

struct FieldSpec {
  bool left = false;
  bool zero = false;
  bool plus = false;
  bool space = false;
  int width = 0;
  int precision = -1;  // none
};

void AppendFill(std::u16string& out, char16_t fill, int count) {
  if (count > 0) out.append(static_cast<std::size_t>(count), fill);
}

// Text padded with spaces to the width; precision cuts it, never between the
// two halves of a surrogate pair.
void AppendText(std::u16string& out, std::u16string_view text, const FieldSpec& spec) {
  if (spec.precision >= 0 && static_cast<std::size_t>(spec.precision) < text.size()) {
    std::size_t keep = static_cast<std::size_t>(spec.precision);
    if (keep > 0 && IsHighSurrogate(text[keep - 1]) && IsLowSurrogate(text[keep])) --keep;
    text = text.substr(0, keep);
  }
  const int pad = spec.width - static_cast<int>(text.size());
  if (!spec.left) AppendFill(out, u' ', pad);
  out.append(text);
  if (spec.left) AppendFill(out, u' ', pad);
}

// Digits of a magnitude, written into the end of buffer; returns the view.
std::u16string_view Digits(unsigned long long value, unsigned base, bool upper, char16_t (&buffer)[24]) {
  const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  char16_t* end = buffer + 24;
  char16_t* p = end;
  do {
    *--p = static_cast<char16_t>(digits[value % base]);
    value /= base;
  } while (value != 0);
  return std::u16string_view(p, static_cast<std::size_t>(end - p));
}

void AppendNumber(std::u16string& out, char16_t sign, std::u16string_view digits, const FieldSpec& spec) {
  // A precision is the minimum number of digits, as in printf.
  const int leadingZeros =
      spec.precision > static_cast<int>(digits.size()) ? spec.precision - static_cast<int>(digits.size()) : 0;
  const int length = (sign ? 1 : 0) + leadingZeros + static_cast<int>(digits.size());
  const int pad = spec.width - length;
  if (spec.left) {
    if (sign) out.push_back(sign);
    AppendFill(out, u'0', leadingZeros);
    out.append(digits);
    AppendFill(out, u' ', pad);
  } else if (spec.zero && spec.precision < 0) {
    if (sign) out.push_back(sign);
    AppendFill(out, u'0', pad);
    out.append(digits);
  } else {
    AppendFill(out, u' ', pad);
    if (sign) out.push_back(sign);
    AppendFill(out, u'0', leadingZeros);
    out.append(digits);
  }
}

// The bits %u, %x and %X print. The argument's type is gone by now, so a
// negative value that fits in an int prints as its 32-bit two's complement
// (the common case of an int argument) and any other as 64-bit.
unsigned long long UnsignedBits(const FormatArg& arg) {
  if (arg.isUnsigned || arg.number >= 0) return static_cast<unsigned long long>(arg.number);
  if (arg.number >= INT_MIN) return static_cast<std::uint32_t>(static_cast<std::int32_t>(arg.number));
  return static_cast<unsigned long long>(arg.number);
}

void AppendSigned(std::u16string& out, const FormatArg& arg, const FieldSpec& spec) {
  char16_t buffer[24];
  char16_t sign = 0;
  unsigned long long magnitude;
  if (!arg.isUnsigned && arg.number < 0) {
    sign = u'-';
    magnitude = 0ull - static_cast<unsigned long long>(arg.number);
  } else {
    magnitude = static_cast<unsigned long long>(arg.number);
    if (spec.plus) {
      sign = u'+';
    } else if (spec.space) {
      sign = u' ';
    }
  }
  AppendNumber(out, sign, Digits(magnitude, 10, false, buffer), spec);
}

// The character whose code is the argument: a supplementary code point
// prints as its surrogate pair, a value outside 0..0x10FFFF as U+FFFD.
void AppendChar(std::u16string& out, long long code, const FieldSpec& spec) {
  char16_t units[2];
  std::size_t count = 1;
  if (code < 0 || code > 0x10FFFF) {
    units[0] = kReplacement;
  } else if (code > 0xFFFF) {
    const auto value = static_cast<unsigned>(code - 0x10000);
    units[0] = static_cast<char16_t>(0xD800 + (value >> 10));
    units[1] = static_cast<char16_t>(0xDC00 + (value & 0x3FF));
    count = 2;
  } else {
    units[0] = static_cast<char16_t>(code);
  }
  FieldSpec plain = spec;
  plain.precision = -1;
  AppendText(out, std::u16string_view(units, count), plain);
}

int ReadField(const char16_t*& p) {
  int value = 0;
  while (*p >= u'0' && *p <= u'9') {
    value = std::min(value * 10 + (*p - u'0'), kMaxField);
    ++p;
  }
  return value;
}

std::u16string FormatText(const char16_t* pattern, const FormatArg* args, std::size_t count) {
  std::u16string out;
  if (!pattern) return out;
  std::size_t next = 0;
  const char16_t* p = pattern;
  while (*p) {
    if (*p != u'%') {
      const char16_t* run = p;
      while (*p && *p != u'%') ++p;
      out.append(run, static_cast<std::size_t>(p - run));
      continue;
    }
    const char16_t* start = p++;
    FieldSpec spec;
    for (;; ++p) {
      if (*p == u'-') {
        spec.left = true;
      } else if (*p == u'0') {
        spec.zero = true;
      } else if (*p == u'+') {
        spec.plus = true;
      } else if (*p == u' ') {
        spec.space = true;
      } else {
        break;
      }
    }
    spec.width = ReadField(p);
    if (*p == u'.') {
      ++p;
      spec.precision = ReadField(p);
    }
    // Length modifiers carry no information with typed arguments; they are
    // accepted so that patterns written for printf ("%ld", "%I64d") work.
    while (*p == u'h' || *p == u'l' || *p == u'j' || *p == u'z' || *p == u't') ++p;
    if (p[0] == u'I' && ((p[1] == u'6' && p[2] == u'4') || (p[1] == u'3' && p[2] == u'2'))) p += 3;

    const char16_t conversion = *p;
    if (conversion == 0) {  // the pattern ends inside a conversion
      out.append(start, static_cast<std::size_t>(p - start));
      break;
    }
    ++p;
    if (conversion == u'%') {
      out.push_back(u'%');
      continue;
    }
    const bool known = conversion == u'd' || conversion == u'i' || conversion == u'u' || conversion == u'x' ||
                       conversion == u'X' || conversion == u'c' || conversion == u's';
    if (!known) {
      out.append(start, static_cast<std::size_t>(p - start));
      continue;
    }
    if (next >= count) continue;  // missing argument: prints nothing
    const FormatArg& arg = args[next++];
    if (arg.kind == FormatArg::Kind::Text) {
      AppendText(out, arg.text, spec);
      continue;
    }
    char16_t buffer[24];
    switch (conversion) {
      case u'd':
      case u'i':
        AppendSigned(out, arg, spec);
        break;
      case u'u':
        AppendNumber(out, 0, Digits(UnsignedBits(arg), 10, false, buffer), spec);
        break;
      case u'x':
      case u'X':
        AppendNumber(out, 0, Digits(UnsignedBits(arg), 16, conversion == u'X', buffer), spec);
        break;
      case u'c':
        AppendChar(out, arg.number, spec);
        break;
      default: {  // 's' with an integer: its decimal text
        std::u16string decimal;
        AppendSigned(decimal, arg, FieldSpec{});
        AppendText(out, decimal, spec);
        break;
      }
    }
  }
  return out;
}

}  // namespace

// --- construction -----------------------------------------------------------

CString::CString(const char16_t* text) {
  if (text && *text) text_ = std::make_shared<std::u16string>(text);
}

CString::CString(const char16_t* text, int length) {
  if (text && length > 0) text_ = std::make_shared<std::u16string>(text, static_cast<std::size_t>(length));
}

CString::CString(std::u16string_view text) {
  if (!text.empty()) text_ = std::make_shared<std::u16string>(text);
}

CString::CString(char16_t ch, int repeat) {
  if (repeat > 0) text_ = std::make_shared<std::u16string>(static_cast<std::size_t>(repeat), ch);
}

CString CString::FromUtf8(std::string_view utf8) {
  CString result;
  if (utf8.empty()) return result;
  auto text = std::make_shared<std::u16string>();
  DecodeUtf8(utf8, *text);
  result.text_ = std::move(text);
  return result;
}

std::string CString::ToUtf8() const {
  return EncodeUtf8(View());
}

std::u16string& CString::Writable() {
  if (!text_) {
    text_ = std::make_shared<std::u16string>();
  } else if (!SoleOwner(text_)) {
    text_ = std::make_shared<std::u16string>(*text_);
  }
  return *text_;
}

// --- access and search ------------------------------------------------------

char16_t CString::GetAt(int index) const {
  if (index < 0 || index >= GetLength()) return 0;
  return (*text_)[static_cast<std::size_t>(index)];
}

void CString::SetAt(int index, char16_t ch) {
  if (index < 0 || index >= GetLength()) return;
  Writable()[static_cast<std::size_t>(index)] = ch;
}

int CString::Find(char16_t ch, int start) const {
  if (start < 0) start = 0;
  if (start >= GetLength()) return -1;
  const std::size_t hit = View().find(ch, static_cast<std::size_t>(start));
  return hit == std::u16string_view::npos ? -1 : static_cast<int>(hit);
}

int CString::Find(std::u16string_view sub, int start) const {
  if (start < 0) start = 0;
  if (start > GetLength()) return -1;
  const std::size_t hit = View().find(sub, static_cast<std::size_t>(start));
  return hit == std::u16string_view::npos ? -1 : static_cast<int>(hit);
}

int CString::ReverseFind(char16_t ch) const {
  const std::size_t hit = View().rfind(ch);
  return hit == std::u16string_view::npos ? -1 : static_cast<int>(hit);
}

CString CString::Mid(int first) const {
  return Mid(first, INT_MAX);
}

CString CString::Mid(int first, int count) const {
  const int length = GetLength();
  if (first < 0) first = 0;
  if (count < 0) count = 0;
  if (first >= length) return CString();
  if (count > length - first) count = length - first;
  if (first == 0 && count == length) return *this;
  return CString(View().substr(static_cast<std::size_t>(first), static_cast<std::size_t>(count)));
}

CString CString::Left(int count) const {
  if (count <= 0) return CString();
  if (count >= GetLength()) return *this;
  return CString(View().substr(0, static_cast<std::size_t>(count)));
}

CString CString::Right(int count) const {
  const int length = GetLength();
  if (count <= 0) return CString();
  if (count >= length) return *this;
  return CString(View().substr(static_cast<std::size_t>(length - count)));
}

// --- changes ----------------------------------------------------------------

CString& CString::MakeUpper() {
  const std::u16string_view view = View();
  std::size_t i = 0;
  while (i < view.size() && ToUpperUnit(view[i]) == view[i]) ++i;
  if (i == view.size()) return *this;  // nothing changes: keep sharing
  std::u16string& text = Writable();
  for (; i < text.size(); ++i) text[i] = ToUpperUnit(text[i]);
  return *this;
}

CString& CString::MakeLower() {
  const std::u16string_view view = View();
  std::size_t i = 0;
  while (i < view.size() && ToLowerUnit(view[i]) == view[i]) ++i;
  if (i == view.size()) return *this;
  std::u16string& text = Writable();
  for (; i < text.size(); ++i) text[i] = ToLowerUnit(text[i]);
  return *this;
}

CString& CString::Trim() {
  return TrimRight().TrimLeft();
}

CString& CString::TrimLeft() {
  const std::u16string_view view = View();
  std::size_t first = 0;
  while (first < view.size() && IsTrimSpace(view[first])) ++first;
  if (first == 0) return *this;
  if (first == view.size()) {
    Empty();
  } else if (SoleOwner(text_)) {
    text_->erase(0, first);
  } else {
    text_ = std::make_shared<std::u16string>(view.substr(first));
  }
  return *this;
}

CString& CString::TrimRight() {
  const std::u16string_view view = View();
  std::size_t end = view.size();
  while (end > 0 && IsTrimSpace(view[end - 1])) --end;
  if (end == view.size()) return *this;
  if (end == 0) {
    Empty();
  } else if (SoleOwner(text_)) {
    text_->resize(end);
  } else {
    text_ = std::make_shared<std::u16string>(view.substr(0, end));
  }
  return *this;
}

int CString::Replace(std::u16string_view from, std::u16string_view to) {
  if (from.empty()) return 0;
  const std::u16string_view view = View();
  if (from == to) {  // nothing changes; count the occurrences only
    int count = 0;
    for (std::size_t hit = view.find(from); hit != std::u16string_view::npos; hit = view.find(from, hit + from.size()))
      ++count;
    return count;
  }
  // The result is built apart, so from and to may point into this text.
  std::u16string result;
  std::size_t done = 0;
  int count = 0;
  for (std::size_t hit = view.find(from); hit != std::u16string_view::npos; hit = view.find(from, done)) {
    if (count == 0) result.reserve(view.size() + (to.size() > from.size() ? to.size() - from.size() : 0) * 4);
    result.append(view.substr(done, hit - done));
    result.append(to);
    done = hit + from.size();
    ++count;
  }
  if (count == 0) return 0;
  result.append(view.substr(done));
  ReplaceText(text_, std::move(result));
  return count;
}

int CString::Replace(char16_t from, char16_t to) {
  const std::u16string_view view = View();
  const std::size_t first = view.find(from);
  if (first == std::u16string_view::npos) return 0;
  const int count = static_cast<int>(std::count(view.begin() + static_cast<std::ptrdiff_t>(first), view.end(), from));
  if (from == to) return count;
  std::u16string& text = Writable();
  std::replace(text.begin() + static_cast<std::ptrdiff_t>(first), text.end(), from, to);
  return count;
}

// --- comparison -------------------------------------------------------------

int CString::Compare(std::u16string_view other) const {
  const int result = View().compare(other);
  return result < 0 ? -1 : (result > 0 ? 1 : 0);
}

int CString::CompareNoCase(std::u16string_view other) const {
  const std::u16string_view view = View();
  const std::size_t common = std::min(view.size(), other.size());
  for (std::size_t i = 0; i < common; ++i) {
    const char16_t a = ToLowerUnit(view[i]);
    const char16_t b = ToLowerUnit(other[i]);
    if (a != b) return a < b ? -1 : 1;
  }
  if (view.size() == other.size()) return 0;
  return view.size() < other.size() ? -1 : 1;
}

// --- formatting ---------------------------------------------------------------

CString& CString::FormatList(const char16_t* pattern, const FormatArg* args, std::size_t count) {
  // Built apart: the pattern and the arguments may be views of this text.
  std::u16string result = FormatText(pattern, args, count);
  ReplaceText(text_, std::move(result));
  return *this;
}

// --- concatenation ----------------------------------------------------------

CString& CString::operator+=(const CString& other) {
  if (other.IsEmpty()) return *this;
  if (IsEmpty()) {
    text_ = other.text_;  // share instead of copying
    return *this;
  }
  Writable().append(other.View());
  return *this;
}

CString& CString::operator+=(std::u16string_view other) {
  if (other.empty()) return *this;
  if (!text_) {
    text_ = std::make_shared<std::u16string>(other);
    return *this;
  }
  Writable().append(other);
  return *this;
}

CString& CString::operator+=(const char16_t* other) {
  if (other) *this += std::u16string_view(other);
  return *this;
}

CString& CString::operator+=(char16_t ch) {
  Writable().push_back(ch);
  return *this;
}

namespace {

std::shared_ptr<std::u16string> Join(std::u16string_view a, std::u16string_view b) {
  auto text = std::make_shared<std::u16string>();
  text->reserve(a.size() + b.size());
  text->append(a);
  text->append(b);
  return text;
}

}  // namespace

CString operator+(const CString& a, const CString& b) {
  if (a.IsEmpty()) return b;
  if (b.IsEmpty()) return a;
  CString result;
  result.text_ = Join(a.View(), b.View());
  return result;
}

CString operator+(const CString& a, const char16_t* b) {
  if (!b || !*b) return a;
  CString result;
  result.text_ = Join(a.View(), b);
  return result;
}

CString operator+(const char16_t* a, const CString& b) {
  if (!a || !*a) return b;
  CString result;
  result.text_ = Join(a, b.View());
  return result;
}

CString operator+(const CString& a, char16_t b) {
  CString result;
  result.text_ = Join(a.View(), std::u16string_view(&b, 1));
  return result;
}

}  // namespace Nuvex
