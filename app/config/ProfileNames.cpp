#include "app/config/ProfileNames.h"

#include <array>
#include <string_view>

namespace Zorvane {
namespace {

struct Rule {
  int languageId;
  const char16_t* pattern;
  std::array<std::u16string_view, 4> prefixes;  // tested in this order; empty ones end the list
};

const Rule kRules[] = {
    {1028, u"配寘 %s", {u"Profile", u"配置", u"ボタン"}},
    {1033, u"Profile %s", {u"配置", u"配寘", u"ボタン"}},
    {1041, u"ボタン %s", {u"Profile", u"配置", u"配寘"}},
    {1049, u"Профиль %s", {u"Profile", u"配置", u"配寘", u"ボタン"}},
    {2052, u"配置 %s", {u"Profile", u"配寘", u"ボタン"}},
};

}  // namespace

Nuvex::CString ProfileNames::DisplayName(const Nuvex::CString& stored, int languageId) {
  for (const Rule& rule : kRules) {
    if (rule.languageId != languageId) continue;
    for (std::u16string_view prefix : rule.prefixes) {
      if (prefix.empty()) break;
      if (stored.View().starts_with(prefix))
        return Nuvex::CString().Format(rule.pattern, stored.View().substr(prefix.size()));
    }
    break;
  }
  return stored;
}

}  // namespace Zorvane
