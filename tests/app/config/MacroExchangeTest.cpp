#include <gtest/gtest.h>

#include <vector>

#include "app/config/ConfigStore.h"
#include "app/config/MacroExchange.h"
#include "platform/Paths.h"
#include "tests/support/TempFolder.h"

using Nuvex::CString;
using TestSupport::ReadFile;
using TestSupport::TempFolder;
using TestSupport::WriteFile;
using Zorvane::ConfigStore;
using Zorvane::MacroEventRecord;
using Zorvane::MacroExchange;
using Zorvane::MacroRecord;

class MacroFiles : public testing::Test {
 protected:
  TempFolder data;
  ConfigStore store;
  int macroId = 0;

  void SetUp() override {
    ASSERT_TRUE(Platform::CreateFolderTree(data / "db"));
    ASSERT_TRUE(store.OpenForDevice(data.Path(), u"model"));
    MacroRecord macro;
    macro.name = u"Combo";
    macro.play_type = 2;
    macro.play_times = 3;
    macro.delay_type = 1;
    macro.delay_time = 25;
    macroId = store.AddMacroWithValues(macro);
    ASSERT_NE(macroId, 0);
    // Stored out of order: the file lists them by index.
    for (int index : {2, 0, 1}) {
      MacroEventRecord event;
      event.macro_id = macroId;
      event.type = 1;
      event.record_index = index;
      event.value = 65 + index;
      event.delay_time = 10 * index;
      event.desc = CString().Format(u"key %d \"<>\"", index);
      ASSERT_NE(store.AddMacroEvent(event), 0);
    }
  }
};

TEST_F(MacroFiles, ExportLayoutIsExact) {
  std::string path = data / "m.xml";
  ASSERT_TRUE(MacroExchange(store).ExportMacro(macroId, u"Combo", path));
  EXPECT_EQ(ReadFile(path),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
            "<macro>\r\n"
            "<macroinfo macro_name=\"Combo\" macro_type=\"2\" play_times=\"3\" delay_type=\"1\" delay_time=\"25\"/>\r\n"
            "<macroitems>\r\n"
            "<item desc=\"key 0 &quot;&lt;&gt;&quot;\" index=\"0\" type=\"1\" value=\"65\" timestamp=\"0\"/>\r\n"
            "<item desc=\"key 1 &quot;&lt;&gt;&quot;\" index=\"1\" type=\"1\" value=\"66\" timestamp=\"10\"/>\r\n"
            "<item desc=\"key 2 &quot;&lt;&gt;&quot;\" index=\"2\" type=\"1\" value=\"67\" timestamp=\"20\"/>\r\n"
            "</macroitems>\r\n"
            "</macro>\r\n");
}

TEST_F(MacroFiles, ImportMakesANewMacroWithTheSameEvents) {
  std::string path = data / "m.xml";
  MacroExchange exchange(store);
  ASSERT_TRUE(exchange.ExportMacro(macroId, u"Combo", path));
  auto first = exchange.ImportMacro(path);
  auto second = exchange.ImportMacro(path);
  EXPECT_TRUE(first.fileFound);
  ASSERT_NE(first.macroId, 0);
  EXPECT_NE(second.macroId, first.macroId);  // never matched against existing macros
  EXPECT_EQ(first.name, u"Combo 导入");

  MacroRecord copy;
  ASSERT_TRUE(store.GetMacro(first.macroId, copy));
  EXPECT_EQ(copy.name, u"Combo 导入");
  EXPECT_EQ(copy.play_type, 2);
  EXPECT_EQ(copy.play_times, 3);
  EXPECT_EQ(copy.delay_type, 1);
  EXPECT_EQ(copy.delay_time, 25);
  std::vector<MacroEventRecord> original, imported;
  store.ListMacroEvents(macroId, original);
  store.ListMacroEvents(first.macroId, imported);
  ASSERT_EQ(imported.size(), original.size());
  for (std::size_t i = 0; i < original.size(); ++i) {
    EXPECT_EQ(imported[i].record_index, original[i].record_index);
    EXPECT_EQ(imported[i].value, original[i].value);
    EXPECT_EQ(imported[i].delay_time, original[i].delay_time);
    EXPECT_EQ(imported[i].desc, original[i].desc);
  }
}

TEST_F(MacroFiles, ImportEdgeCases) {
  MacroExchange exchange(store);
  std::string path = data / "m.xml";

  auto missing = exchange.ImportMacro(data / "none.xml");
  EXPECT_FALSE(missing.fileFound);

  WriteFile(path, "<macro><macroinfo/></macro>");
  auto bare = exchange.ImportMacro(path);
  ASSERT_NE(bare.macroId, 0);
  EXPECT_EQ(bare.name, u" 导入");  // an empty name still gets the mark
  std::vector<MacroEventRecord> events;
  EXPECT_EQ(store.ListMacroEvents(bare.macroId, events), 0);

  std::vector<MacroRecord> before;
  store.ListMacros(before);
  for (const char* content : {"", "<profile/>", "<macro><macroinfo>", "<macro/>"}) {
    WriteFile(path, content);
    auto result = exchange.ImportMacro(path);
    EXPECT_TRUE(result.fileFound) << content;
    EXPECT_EQ(result.macroId, 0) << content;
  }
  std::vector<MacroRecord> after;
  EXPECT_EQ(store.ListMacros(after), static_cast<int>(before.size()));
}
