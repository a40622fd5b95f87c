#include "app/config/Language.h"

#include <atomic>

#include "app/config/LanguageFile.h"
#include "platform/Paths.h"

namespace Zorvane {

namespace {

std::atomic<int> g_languageId{1033};

// The program folder cannot change while the program runs; finding it costs a
// system call that every text would otherwise pay.
const std::string& LanguageFolder() {
  static const std::string folder = [] {
    const std::string program = Platform::ProgramFolder();
    return (program == "/" ? std::string() : program) + "/language/";
  }();
  return folder;
}

}  // namespace

void Language::SetLanguageId(int id) {
  g_languageId.store(id);
}

int Language::GetLanguageId() {
  return g_languageId.load();
}

Nuvex::CString Language::GetText(const Nuvex::CString& section, int id) {
  Nuvex::CString key;
  key.Format(u"%d", id);
  return ReadProfileString(section, key, LanguageFilePath(GetLanguageId()));
}

std::string Language::LanguageFilePath(int languageId) {
  return LanguageFolder() + std::to_string(languageId) + ".lan";
}

Nuvex::CString Language::ReadProfileString(const Nuvex::CString& section, const Nuvex::CString& key,
                                           const std::string& path) {
  return LanguageFile::Lookup(path, section.View(), key.View());
}

}  // namespace Zorvane
