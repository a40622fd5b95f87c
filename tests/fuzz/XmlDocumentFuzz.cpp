// Feeds arbitrary bytes through the file reading path and arbitrary text
// through SetDocumentText, walks the cursor, and checks that whatever was
// accepted is written in a form that reads back to the very same text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "app/xml/XmlDocument.h"

namespace {

using Nuvex::CString;
using Zorvane::XmlDocument;

void Check(bool condition) {
  if (!condition) std::abort();
}

// A written document must read back, and write the same text again.
void CheckRoundTrip(const XmlDocument& doc) {
  const CString text = doc.GetDocumentText();
  XmlDocument again;
  Check(again.SetDocumentText(text));
  Check(again.GetDocumentText() == text);
}

void Walk(XmlDocument& doc) {
  // Short names are the ones the fuzzer finds quickest.
  static const char16_t* const kNames[] = {u"a", u"b", u"c"};
  int steps = 0;
  for (const char16_t* name : kNames) {
    while (doc.FindElement(name) && ++steps < 64) {
      doc.GetAttribute(u"x");
      if (doc.EnterElement()) {
        doc.FindElement(u"b");
        doc.GetAttribute(u"y");
        Check(doc.LeaveElement());
      }
    }
  }
  while (doc.LeaveElement()) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  XmlDocument loaded;
  if (loaded.LoadBytes(bytes)) {
    CheckRoundTrip(loaded);
    Walk(loaded);
    // Whatever an element holds, it takes a new child with any value.
    if (loaded.EnterElement() && loaded.AddElement(u"n")) {
      Check(loaded.SetAttribute(u"v", u"<&>'\"\t\r\n"));
      Check(loaded.GetAttribute(u"v") == u"<&>'\"\t\r\n");
    }
    CheckRoundTrip(loaded);
  } else {
    // A failed load leaves no elements behind.
    Check(!loaded.FindElement(u"a"));
    Check(!loaded.EnterElement());
  }

  XmlDocument text;
  if (text.SetDocumentText(CString::FromUtf8(bytes))) {
    CheckRoundTrip(text);
    Walk(text);
  }
  return 0;
}
