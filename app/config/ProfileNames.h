#pragma once

#include "toolkit/core/CString.h"

namespace Zorvane {

// How stored profile names are shown: a name that begins with the word
// "profile" of another language is shown with this language's word instead,
// so the default names follow a language change. Stored names stay as
// written.
class ProfileNames {
 public:
  ProfileNames() = delete;
  // The rest of the name after the recognised prefix keeps its leading blank
  // ("配置 2" is "Profile  2" in English). Names without a recognised prefix,
  // and every name under a language without a rule, come back unchanged.
  static Nuvex::CString DisplayName(const Nuvex::CString& stored, int languageId);
};

}  // namespace Zorvane
