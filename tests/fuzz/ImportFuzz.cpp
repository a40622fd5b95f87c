// Feeds arbitrary bytes to the profile and macro importers against a real
// store, checking that they never crash and that a failed import leaves the
// store able to carry on.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/config/ConfigStore.h"
#include "app/config/MacroExchange.h"
#include "app/config/ProfileExchange.h"
#include "platform/AtomicFile.h"
#include "platform/Paths.h"

namespace {

struct Fixture {
  std::string folder;
  std::string file;
  Zorvane::ConfigStore store;

  Fixture() {
    char pattern[] = "/tmp/zorvane-import-fuzz-XXXXXX";
    if (!mkdtemp(pattern)) std::abort();
    folder = pattern;
    file = folder + "/input.xml";
    if (!Platform::CreateFolderTree(folder + "/db") || !store.OpenForDevice(folder, u"fuzz")) std::abort();
    if (store.LoadProfiles(nullptr) != 1) std::abort();
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Fixture fixture;
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  if (!Platform::WriteFileAtomically(fixture.file, bytes)) std::abort();

  Zorvane::ProfileExchange(fixture.store, true).ImportProfile(1, 101, fixture.file, nullptr);
  auto macro = Zorvane::MacroExchange(fixture.store).ImportMacro(fixture.file);
  if (macro.macroId != 0) fixture.store.DeleteMacro(macro.macroId);  // keeps the database small

  // Whatever happened, the store still answers.
  Nuvex::CString count;
  if (!fixture.store.GetConfigValue(1, u"dpi_count", count)) std::abort();
  return 0;
}
