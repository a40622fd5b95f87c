#include "app/config/MacroExchange.h"

#include <vector>

#include "app/config/ConfigStore.h"
#include "app/xml/XmlDocument.h"
#include "platform/Paths.h"
#include "toolkit/core/WideAtoi.h"

namespace Zorvane {

using Nuvex::CString;
using Nuvex::WideAtoi;

namespace {

constexpr char16_t kDeclaration[] = u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";
// Marks an imported macro in the list; stored with the name, in every language.
constexpr char16_t kImportedSuffix[] = u" 导入";

CString Number(int value) {
  return CString().Format(u"%d", value);
}

}  // namespace

bool MacroExchange::ExportMacro(int macroId, const CString& name, const std::string& path) {
  MacroRecord macro;
  store_.GetMacro(macroId, macro);
  std::vector<MacroEventRecord> events;
  store_.ListMacroEvents(macroId, events);

  XmlDocument xml;
  xml.SetDocumentText(kDeclaration);  // a bare declaration is not a whole document; the root follows
  xml.AddElement(u"macro");
  xml.EnterElement();
  xml.AddElement(u"macroinfo");
  xml.SetAttribute(u"macro_name", name);
  xml.SetAttribute(u"macro_type", Number(macro.play_type));  // the file's name differs from the column
  xml.SetAttribute(u"play_times", Number(macro.play_times));
  xml.SetAttribute(u"delay_type", Number(macro.delay_type));
  xml.SetAttribute(u"delay_time", Number(macro.delay_time));
  xml.AddElement(u"macroitems");
  xml.EnterElement();
  for (const MacroEventRecord& event : events) {
    xml.AddElement(u"item");
    xml.SetAttribute(u"desc", event.desc);
    xml.SetAttribute(u"index", Number(event.record_index));
    xml.SetAttribute(u"type", Number(event.type));
    xml.SetAttribute(u"value", Number(event.value));
    xml.SetAttribute(u"timestamp", Number(event.delay_time));
  }
  return xml.SaveFile(path);
}

MacroExchange::ImportResult MacroExchange::ImportMacro(const std::string& path) {
  ImportResult result;
  if (!Platform::IsFile(path)) return result;
  result.fileFound = true;
  XmlDocument xml;
  if (!xml.LoadFile(path) || !xml.FindElement(u"macro") || !xml.EnterElement() || !xml.FindElement(u"macroinfo"))
    return result;

  MacroRecord macro;
  macro.name = xml.GetAttribute(u"macro_name") + kImportedSuffix;
  macro.play_type = WideAtoi(xml.GetAttribute(u"macro_type"));
  macro.play_times = WideAtoi(xml.GetAttribute(u"play_times"));
  macro.delay_type = WideAtoi(xml.GetAttribute(u"delay_type"));
  macro.delay_time = WideAtoi(xml.GetAttribute(u"delay_time"));

  int macroId = 0;
  bool stored = store_.Atomically([&] {
    macroId = store_.AddMacroWithValues(macro);
    if (macroId == 0) return false;
    if (!xml.FindElement(u"macroitems") || !xml.EnterElement()) return true;  // a macro without events
    std::vector<MacroEventRecord> events;
    while (xml.FindElement(u"item")) {
      MacroEventRecord& event = events.emplace_back();
      event.macro_id = macroId;
      event.type = WideAtoi(xml.GetAttribute(u"type"));
      event.record_index = WideAtoi(xml.GetAttribute(u"index"));
      event.desc = xml.GetAttribute(u"desc");
      event.value = WideAtoi(xml.GetAttribute(u"value"));
      event.delay_time = WideAtoi(xml.GetAttribute(u"timestamp"));
    }
    return store_.SaveMacroEvents(events);
  });
  if (stored) {
    result.macroId = macroId;
    result.name = macro.name;
  }
  return result;
}

}  // namespace Zorvane
