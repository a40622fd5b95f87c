#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "toolkit/core/NuvexExport.h"

namespace Nuvex {

// One argument of CString::Format: an integer or a piece of text.
struct NUVEX_API FormatArg {
  enum class Kind { Int, Text };
  Kind kind;
  long long number = 0;
  // Set for unsigned arguments, whose values above LLONG_MAX are stored as
  // the same 64 bits in number and must not print as negative.
  bool isUnsigned = false;
  std::u16string_view text;

  FormatArg(int v) : kind(Kind::Int), number(v) {}
  FormatArg(long v) : kind(Kind::Int), number(v) {}
  FormatArg(long long v) : kind(Kind::Int), number(v) {}
  FormatArg(unsigned v) : kind(Kind::Int), number(v), isUnsigned(true) {}
  FormatArg(unsigned long v) : kind(Kind::Int), number(static_cast<long long>(v)), isUnsigned(true) {}
  FormatArg(const char16_t* s) : kind(Kind::Text), text(s ? s : u"") {}
  FormatArg(std::u16string_view s) : kind(Kind::Text), text(s) {}
  FormatArg(const std::u16string& s) : kind(Kind::Text), text(s) {}
  FormatArg(const class CString& s);
};

// A UTF-16 string whose text is shared between copies and copied on the first
// change (copy-on-write). Copies are cheap and may cross threads; one CString
// object must not be changed by one thread while another reads it.
//
// Indexes and lengths count UTF-16 code units. Out-of-range arguments are
// clamped the way the classic wide string class clamps them, never trusted.
// UTF-8 is the encoding of every boundary (files, SQLite, X11, pango):
// FromUtf8/ToUtf8 are the one conversion of the program; malformed input on
// either side becomes U+FFFD and never fails.
class NUVEX_API CString {
 public:
  CString() = default;
  CString(const char16_t* text);  // null reads as empty
  CString(const char16_t* text, int length);
  CString(std::u16string_view text);
  CString(char16_t ch, int repeat);

  static CString FromUtf8(std::string_view utf8);
  std::string ToUtf8() const;

  int GetLength() const { return text_ ? static_cast<int>(text_->size()) : 0; }
  bool IsEmpty() const { return GetLength() == 0; }
  void Empty() { text_.reset(); }
  // Never null; valid until this object is next changed or destroyed.
  const char16_t* GetString() const { return text_ ? text_->c_str() : u""; }
  std::u16string_view View() const { return text_ ? std::u16string_view(*text_) : std::u16string_view(); }
  // 0 for an index outside the text.
  char16_t GetAt(int index) const;
  char16_t operator[](int index) const { return GetAt(index); }
  void SetAt(int index, char16_t ch);  // ignored outside the text

  // -1 when absent; start below 0 reads as 0, past the end finds nothing.
  int Find(char16_t ch, int start = 0) const;
  int Find(std::u16string_view sub, int start = 0) const;
  int ReverseFind(char16_t ch) const;

  CString Mid(int first) const;
  CString Mid(int first, int count) const;
  CString Left(int count) const;
  CString Right(int count) const;

  // Upper and lower case of ASCII, Latin-1, Greek and Cyrillic letters;
  // other characters are left as they are.
  CString& MakeUpper();
  CString& MakeLower();
  CString& Trim();
  CString& TrimLeft();
  CString& TrimRight();
  // Replaces every non-overlapping occurrence, left to right; returns the count.
  int Replace(std::u16string_view from, std::u16string_view to);
  int Replace(char16_t from, char16_t to);

  // Ordinal comparison of code units: <0, 0, >0.
  int Compare(std::u16string_view other) const;
  int CompareNoCase(std::u16string_view other) const;

  // printf-style formatting with type-checked arguments. Conversions: %d %i
  // %u %x %X %c %s and %%, with the flags '-', '0', '+', ' ', a width and, for
  // %s, a precision. A conversion without a matching argument prints nothing;
  // an integer given to %s prints as decimal, text given to %d prints as text.
  // Unknown conversions are copied literally.
  template <typename... Args>
  CString& Format(const char16_t* pattern, const Args&... args) {
    const FormatArg list[] = {FormatArg(args)..., FormatArg(0)};
    return FormatList(pattern, list, sizeof...(Args));
  }
  CString& FormatList(const char16_t* pattern, const FormatArg* args, std::size_t count);

  CString& operator+=(const CString& other);
  CString& operator+=(std::u16string_view other);
  CString& operator+=(const char16_t* other);
  CString& operator+=(char16_t ch);

  friend NUVEX_API CString operator+(const CString& a, const CString& b);
  friend NUVEX_API CString operator+(const CString& a, const char16_t* b);
  friend NUVEX_API CString operator+(const char16_t* a, const CString& b);
  friend NUVEX_API CString operator+(const CString& a, char16_t b);

  friend bool operator==(const CString& a, const CString& b) { return a.View() == b.View(); }
  friend bool operator==(const CString& a, const char16_t* b) { return a.View() == std::u16string_view(b ? b : u""); }
  friend bool operator<(const CString& a, const CString& b) { return a.View() < b.View(); }

 private:
  std::u16string& Writable();  // detaches a shared text before a change

  std::shared_ptr<std::u16string> text_;  // null for the empty string
};

inline FormatArg::FormatArg(const CString& s) : kind(Kind::Text), text(s.View()) {}

}  // namespace Nuvex

template <>
struct std::hash<Nuvex::CString> {
  std::size_t operator()(const Nuvex::CString& s) const noexcept { return std::hash<std::u16string_view>()(s.View()); }
};
