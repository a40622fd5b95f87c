#pragma once

#include <string>

#include "toolkit/core/CString.h"

namespace Zorvane {

class ConfigStore;

// Macro files: one macro's play settings and its events, as XML. Macros
// belong to no profile; an imported macro is always a new one.
class MacroExchange {
 public:
  explicit MacroExchange(ConfigStore& store) : store_(store) {}

  // Writes macro `macroId` under `name` (the text its list entry shows), its
  // events in record order. False when the file could not be written.
  bool ExportMacro(int macroId, const Nuvex::CString& name, const std::string& path);

  struct ImportResult {
    bool fileFound = false;  // the file existed, whatever its content
    int macroId = 0;         // the new macro, 0 when nothing was stored
    Nuvex::CString name;     // its name: the file's name followed by " 导入"
  };
  // Stores the file's macro with all its events as one transaction: a file
  // that cannot be read, or a write that fails, stores nothing.
  ImportResult ImportMacro(const std::string& path);

 private:
  ConfigStore& store_;
};

}  // namespace Zorvane
