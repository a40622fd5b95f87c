#include "app/update/Versions.h"

#include <algorithm>
#include <cstddef>
#include <vector>

#include "toolkit/core/WideAtoi.h"

namespace Zorvane {
namespace {

constexpr std::size_t kMaxServerVersionLength = 10;

std::vector<int> VersionParts(const Nuvex::CString& text) {
  std::vector<int> parts;
  std::u16string_view rest = text.View();
  for (;;) {
    const std::size_t dot = rest.find(u'.');
    parts.push_back(Nuvex::WideAtoi(rest.substr(0, dot)));
    if (dot == std::u16string_view::npos) return parts;
    rest.remove_prefix(dot + 1);
  }
}

// -1, 0 or 1 like CompareVersions, missing parts counting as 0.
int ComparePadded(const std::vector<int>& a, const std::vector<int>& b) {
  const std::size_t count = std::max(a.size(), b.size());
  for (std::size_t i = 0; i < count; ++i) {
    const int partA = i < a.size() ? a[i] : 0;
    const int partB = i < b.size() ? b[i] : 0;
    if (partA != partB) return partB > partA ? 1 : -1;
  }
  return 0;
}

}  // namespace

int CompareVersions(const Nuvex::CString& a, const Nuvex::CString& b) {
  const std::vector<int> partsA = VersionParts(a);
  const std::vector<int> partsB = VersionParts(b);
  if (partsA.size() != partsB.size()) return 2;
  return ComparePadded(partsA, partsB);
}

bool IsNewerVersion(const Nuvex::CString& local, const Nuvex::CString& server) {
  return ComparePadded(VersionParts(local), VersionParts(server)) == 1;
}

bool IsAcceptableServerVersion(std::string_view text) {
  if (text.empty() || text.size() > kMaxServerVersionLength) return false;
  return std::all_of(text.begin(), text.end(), [](char c) { return c == '.' || (c >= '0' && c <= '9'); });
}

}  // namespace Zorvane
