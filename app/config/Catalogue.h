#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "app/config/CatalogueEntry.h"
#include "app/config/CatalogueHost.h"
#include "app/config/StoreRecords.h"
#include "toolkit/core/CString.h"

namespace Zorvane {

class ConfigStore;

// The program's own information from the catalogue file.
struct SoftwareInfo {
  Nuvex::CString caption;  // read, not shown
  Nuvex::CString version;
  Nuvex::CString website;
  Nuvex::CString store;
  Nuvex::CString upgrade;
  Nuvex::CString copyright;
};

// The supported models, read from "config.xml" and "device/<model>.xml" in
// the program folder: which USB identities to look for, the device list,
// the mouse picture with its buttons and their default functions, and which
// database belongs to the selected model.
//
// Loading runs on the UI thread. The accessors may be called from any thread
// and return copies.
class Catalogue {
 public:
  Catalogue(std::string programFolder, std::string dataFolder, ConfigStore& store);

  // Reads the catalogue file, fills the model and mode lists, the device list
  // and the software texts, registers every mode with the device layer, then
  // loads the selected model and starts watching for devices. A missing or
  // malformed file leaves the lists empty.
  void LoadCatalogue(CatalogueHost& host);
  // Selects the model of the stored device type (101 when none), opens its
  // database and reads its device file. A missing or malformed device file
  // keeps the previous picture, lighting and default keys.
  void LoadModel(CatalogueHost& host);

  std::vector<CatalogueEntry> Models() const;
  std::vector<CatalogueEntry> Modes() const;
  // One default assignment per button of the selected model, in file order.
  std::vector<KeyAssignment> DefaultKeys() const;
  SoftwareInfo Software() const;
  Nuvex::CString ModelName() const;
  Nuvex::CString ModelKey() const;
  int DeviceType() const;
  // Whether the selected model has lighting; stays as it was when a device
  // file does not say.
  bool HasLighting() const;

  // "a#b#c": each "#" ends one number; a missing "#" makes that number 0 and
  // leaves the whole rest for the next.
  static void ParseRect(const Nuvex::CString& text, int& a, int& b, int& c);
  // Hexadecimal with an optional "0x"; anything else reads as 0.
  static int ParseHex(const Nuvex::CString& text);

 private:
  std::string programFolder_;
  std::string dataFolder_;
  ConfigStore& store_;

  mutable std::mutex mutex_;  // guards everything below
  std::vector<CatalogueEntry> models_;
  std::vector<CatalogueEntry> modes_;
  std::vector<KeyAssignment> defaultKeys_;
  SoftwareInfo software_;
  Nuvex::CString modelName_;
  Nuvex::CString modelKey_;
  int deviceType_ = 0;
  bool hasLighting_ = true;
};

}  // namespace Zorvane
