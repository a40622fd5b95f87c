#pragma once

#include "toolkit/core/CString.h"

namespace Zorvane {

// A supported model, or one connection mode of a model (then the mode fields
// are set too), as the catalogue file describes it.
struct CatalogueEntry {
  Nuvex::CString name;
  int deviceType = 0;
  Nuvex::CString modelKey;   // file stem of the device file and the database
  Nuvex::CString imagePath;  // full path of the device list picture
  int modeValue = 0;         // 0 by cable, 1 through the dongle
  int vendorId = 0;
  int productId = 0;
  Nuvex::CString description;
  Nuvex::CString runtimeText;  // the device layer's
  Nuvex::CString hidInterface;
  int runtimeNumber = 0;
  int runtimeIndex = -1;
};

}  // namespace Zorvane
