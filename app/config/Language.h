#pragma once

#include <string>

#include "toolkit/core/CString.h"

namespace Zorvane {

// The language of the interface: every shown text is text N of the language
// file of the language id in force, "<program folder>/language/<id>.lan",
// section "LAN", line "N=text". Texts are looked up at the moment of use, so
// a change of language (or of the file) shows in every text fetched after it.
//
// Any thread may call these.
class Language {
 public:
  Language() = delete;

  static void SetLanguageId(int id);
  static int GetLanguageId();

  // Text `id` of the language in force; "" when the file, the section or the
  // text is missing.
  static Nuvex::CString GetText(const Nuvex::CString& section, int id);
  static Nuvex::CString GetText(int id) { return GetText(u"LAN", id); }

  static std::string LanguageFilePath(int languageId);

  // The value of `key` in `section` of an INI file that is UTF-16LE with a
  // byte order mark or otherwise UTF-8, cut to 259 characters; "" when
  // missing. Sections and keys compare without regard to case.
  static Nuvex::CString ReadProfileString(const Nuvex::CString& section, const Nuvex::CString& key,
                                          const std::string& path);
};

}  // namespace Zorvane
