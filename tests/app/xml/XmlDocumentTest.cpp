#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "app/xml/XmlDocument.h"
#include "tests/support/TempFolder.h"

namespace {

using Nuvex::CString;
using TestSupport::ReadFile;
using TestSupport::TempFolder;
using TestSupport::WriteFile;
using Zorvane::XmlDocument;

constexpr const char16_t* kDeclaration = u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";

std::string Utf8(const CString& s) {
  return s.ToUtf8();
}

std::string Utf16Bytes(std::u16string_view text, bool bigEndian) {
  std::string bytes;
  for (const char16_t c : text) {
    const char high = static_cast<char>(c >> 8);
    const char low = static_cast<char>(c & 0xFF);
    bytes += bigEndian ? high : low;
    bytes += bigEndian ? low : high;
  }
  return bytes;
}

std::vector<std::string> Entries(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
  return names;
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A catalogue as the program reads them: equally named siblings with other
// elements between them, and children to resume in.
constexpr const char16_t* kCatalogue =
    u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
    u"<Catalogue version=\"3\">\r\n"
    u"  <Device name=\"A\" pid=\"0x1001\">\r\n"
    u"    <Button id=\"1\"/>\r\n"
    u"    <Button id=\"2\"/>\r\n"
    u"  </Device>\r\n"
    u"  <Note text=\"between\"/>\r\n"
    u"  <Device name=\"B\" pid=\"0x1002\"/>\r\n"
    u"</Catalogue>\r\n";

TEST(XmlDocumentTest, EmptyDocumentHasNothingToVisit) {
  XmlDocument doc;
  EXPECT_FALSE(doc.FindElement(u"Catalogue"));
  EXPECT_FALSE(doc.EnterElement());
  EXPECT_FALSE(doc.LeaveElement());
  EXPECT_EQ(doc.GetAttribute(u"version"), u"");
  EXPECT_FALSE(doc.SetAttribute(u"a", u"1"));
  EXPECT_EQ(doc.GetDocumentText(), u"");
}

TEST(XmlDocumentTest, FindElementWalksEquallyNamedSiblingsInOrder) {
  XmlDocument doc;
  ASSERT_TRUE(doc.SetDocumentText(kCatalogue)) << Utf8(doc.GetResult());

  EXPECT_FALSE(doc.FindElement(u"catalogue"));  // names compare case-sensitively
  ASSERT_TRUE(doc.FindElement(u"Catalogue"));
  EXPECT_EQ(doc.GetAttribute(u"version"), u"3");
  EXPECT_EQ(doc.GetAttribute(u"missing"), u"");
  EXPECT_FALSE(doc.FindElement(u"Catalogue"));  // a single root
  EXPECT_EQ(doc.GetAttribute(u"version"), u"3") << "a failed find leaves the cursor";

  ASSERT_TRUE(doc.EnterElement());
  EXPECT_EQ(doc.GetAttribute(u"version"), u"") << "entering positions before the first child";
  ASSERT_TRUE(doc.FindElement(u"Device"));
  EXPECT_EQ(doc.GetAttribute(u"name"), u"A");
  ASSERT_TRUE(doc.FindElement(u"Device"));  // skips the Note between them
  EXPECT_EQ(doc.GetAttribute(u"name"), u"B");
  EXPECT_FALSE(doc.FindElement(u"Device"));
  EXPECT_EQ(doc.GetAttribute(u"name"), u"B");
  EXPECT_FALSE(doc.FindElement(u"Note")) << "the search goes on after the current element only";
  EXPECT_FALSE(doc.FindElement(u"Button")) << "grandchildren are not siblings";

  ASSERT_TRUE(doc.LeaveElement());
  EXPECT_EQ(doc.GetAttribute(u"version"), u"3");
  EXPECT_FALSE(doc.LeaveElement());
}

TEST(XmlDocumentTest, EnterResumesWhereTheLastLeaveWas) {
  XmlDocument doc;
  ASSERT_TRUE(doc.SetDocumentText(kCatalogue));
  ASSERT_TRUE(doc.FindElement(u"Catalogue"));
  ASSERT_TRUE(doc.EnterElement());
  ASSERT_TRUE(doc.FindElement(u"Device"));
  ASSERT_TRUE(doc.EnterElement());
  ASSERT_TRUE(doc.FindElement(u"Button"));
  EXPECT_EQ(doc.GetAttribute(u"id"), u"1");

  ASSERT_TRUE(doc.LeaveElement());
  EXPECT_EQ(doc.GetAttribute(u"name"), u"A");
  ASSERT_TRUE(doc.EnterElement());
  EXPECT_EQ(doc.GetAttribute(u"id"), u"1") << "the left child is current again";
  ASSERT_TRUE(doc.FindElement(u"Button"));
  EXPECT_EQ(doc.GetAttribute(u"id"), u"2");
  EXPECT_FALSE(doc.FindElement(u"Button"));

  // Leaving to the Catalogue level and finding on continues after device A.
  ASSERT_TRUE(doc.LeaveElement());
  ASSERT_TRUE(doc.FindElement(u"Device"));
  EXPECT_EQ(doc.GetAttribute(u"name"), u"B");
  // A find forgets the remembered position: B is entered from its start.
  ASSERT_TRUE(doc.EnterElement());
  EXPECT_EQ(doc.GetAttribute(u"id"), u"");
  EXPECT_FALSE(doc.FindElement(u"Button"));
}

TEST(XmlDocumentTest, NewTextResetsTheCursor) {
  XmlDocument doc;
  ASSERT_TRUE(doc.SetDocumentText(kCatalogue));
  ASSERT_TRUE(doc.FindElement(u"Catalogue"));
  ASSERT_TRUE(doc.EnterElement());
  ASSERT_TRUE(doc.FindElement(u"Device"));

  ASSERT_TRUE(doc.SetDocumentText(u"<Catalogue version=\"4\"/>"));
  EXPECT_FALSE(doc.LeaveElement());
  EXPECT_EQ(doc.GetAttribute(u"name"), u"");
  ASSERT_TRUE(doc.FindElement(u"Catalogue"));
  EXPECT_EQ(doc.GetAttribute(u"version"), u"4");
}

// The exchange files are built this way; their bytes are what other
// programs and earlier versions read.
TEST(XmlDocumentTest, BuiltDocumentHasTheExchangeLayout) {
  XmlDocument doc;
  EXPECT_FALSE(doc.SetDocumentText(kDeclaration)) << "no root element yet";
  ASSERT_TRUE(doc.AddElement(u"Export"));
  ASSERT_TRUE(doc.SetAttribute(u"version", u"1"));
  ASSERT_TRUE(doc.EnterElement());
  ASSERT_TRUE(doc.AddElement(u"Profile"));
  ASSERT_TRUE(doc.SetAttribute(u"name", u"First"));
  ASSERT_TRUE(doc.SetAttribute(u"dpi", u"800"));
  ASSERT_TRUE(doc.SetAttribute(u"name", u"Game & Work"));  // replaced in its place
  ASSERT_TRUE(doc.EnterElement());
  ASSERT_TRUE(doc.AddElement(u"Key"));  // the first child
  ASSERT_TRUE(doc.SetAttribute(u"id", u"1"));
  ASSERT_TRUE(doc.AddElement(u"Key"));
  ASSERT_TRUE(doc.SetAttribute(u"id", u"2"));
  ASSERT_TRUE(doc.LeaveElement());
  ASSERT_TRUE(doc.AddElement(u"Macro"));  // after the Profile just left
  ASSERT_TRUE(doc.SetAttribute(u"name", u"M"));
  ASSERT_TRUE(doc.LeaveElement());

  const std::string expected =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
      "<Export version=\"1\">\r\n"
      "<Profile name=\"Game &amp; Work\" dpi=\"800\">\r\n"
      "<Key id=\"1\"/>\r\n"
      "<Key id=\"2\"/>\r\n"
      "</Profile>\r\n"
      "<Macro name=\"M\"/>\r\n"
      "</Export>\r\n";
  EXPECT_EQ(Utf8(doc.GetDocumentText()), expected);

  TempFolder folder;
  ASSERT_TRUE(doc.SaveFile(folder / "export.xml")) << Utf8(doc.GetResult());
  EXPECT_EQ(ReadFile(folder / "export.xml"), expected) << "UTF-8 without a byte order mark";

  XmlDocument reread;
  ASSERT_TRUE(reread.LoadFile(folder / "export.xml"));
  EXPECT_EQ(Utf8(reread.GetDocumentText()), expected);
}

TEST(XmlDocumentTest, AddElementInsertsAfterTheCurrentElement) {
  XmlDocument doc;
  ASSERT_TRUE(doc.SetDocumentText(u"<r><k id=\"1\"/><k id=\"3\"/></r>"));
  ASSERT_TRUE(doc.FindElement(u"r"));
  ASSERT_TRUE(doc.EnterElement());
  ASSERT_TRUE(doc.FindElement(u"k"));
  ASSERT_TRUE(doc.AddElement(u"k"));
  ASSERT_TRUE(doc.SetAttribute(u"id", u"2"));
  ASSERT_TRUE(doc.FindElement(u"k"));  // the walk goes on from the new element
  EXPECT_EQ(doc.GetAttribute(u"id"), u"3");
  ASSERT_TRUE(doc.LeaveElement());
  ASSERT_TRUE(doc.EnterElement());
  EXPECT_EQ(doc.GetAttribute(u"id"), u"3");
  // Without a current element the new one goes last.
  XmlDocument fresh;
  ASSERT_TRUE(fresh.SetDocumentText(u"<r><k id=\"1\"/></r>"));
  ASSERT_TRUE(fresh.FindElement(u"r"));
  ASSERT_TRUE(fresh.EnterElement());
  ASSERT_TRUE(fresh.AddElement(u"k"));
  ASSERT_TRUE(fresh.SetAttribute(u"id", u"last"));

  EXPECT_EQ(Utf8(doc.GetDocumentText()), "<r>\r\n<k id=\"1\"/>\r\n<k id=\"2\"/>\r\n<k id=\"3\"/>\r\n</r>\r\n");
  EXPECT_EQ(Utf8(fresh.GetDocumentText()), "<r>\r\n<k id=\"1\"/>\r\n<k id=\"last\"/>\r\n</r>\r\n");
}

TEST(XmlDocumentTest, RefusesWritesThatWouldMakeAnUnreadableDocument) {
  XmlDocument doc;
  doc.SetDocumentText(kDeclaration);
  for (const char16_t* name : {u"", u"1st", u"a b", u"a<b", u"a\"b", u"a=b", u"-x"}) {
    EXPECT_FALSE(doc.AddElement(name)) << Utf8(name);
  }
  ASSERT_TRUE(doc.AddElement(u"root"));
  EXPECT_FALSE(doc.AddElement(u"second")) << "a second root";
  for (const char16_t* name : {u"", u"9", u"a b", u"a>b"}) {
    EXPECT_FALSE(doc.SetAttribute(name, u"v")) << Utf8(name);
  }
  EXPECT_FALSE(doc.SetAttribute(u"a", CString(u"x\0y", 3))) << "XML cannot carry U+0000";
  EXPECT_TRUE(doc.SetAttribute(u"ns:a-b.c_d", u"v"));
  ASSERT_TRUE(doc.SetAttribute(u"\u540d", u"\u503c"));  // names beyond ASCII are fine
  EXPECT_EQ(doc.GetAttribute(u"\u540d"), u"\u503c");

  const CString text = doc.GetDocumentText();
  EXPECT_EQ(Utf8(text),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<root ns:a-b.c_d=\"v\" \xE5\x90\x8D=\"\xE5\x80\xBC\"/>\r\n");
  XmlDocument reread;
  EXPECT_TRUE(reread.SetDocumentText(text));
}

TEST(XmlDocumentTest, NestingIsLimitedForBuiltAndLoadedDocuments) {
  XmlDocument doc;
  ASSERT_TRUE(doc.AddElement(u"e"));
  for (int level = 2; level <= XmlDocument::kMaxDepth; ++level) {
    ASSERT_TRUE(doc.EnterElement());
    ASSERT_TRUE(doc.AddElement(u"e")) << level;
  }
  ASSERT_TRUE(doc.EnterElement());
  EXPECT_FALSE(doc.AddElement(u"e")) << "one level too deep";

  const CString deepest = doc.GetDocumentText();
  XmlDocument reread;
  EXPECT_TRUE(reread.SetDocumentText(deepest)) << Utf8(reread.GetResult());

  std::string tooDeep = "<e>" + deepest.ToUtf8() + "</e>";
  EXPECT_FALSE(reread.SetDocumentText(CString::FromUtf8(tooDeep)));
  EXPECT_FALSE(reread.FindElement(u"e"));
}

TEST(XmlDocumentTest, AttributeValuesSurviveARoundTrip) {
  const CString value(u"<tag> & 'single' \"double\"\tTAB\nLF\rCR\r\nCRLF \u00e9\u4e2d\U0001F600 \x01");
  XmlDocument doc;
  ASSERT_TRUE(doc.AddElement(u"r"));
  ASSERT_TRUE(doc.SetAttribute(u"v", value));
  EXPECT_EQ(doc.GetAttribute(u"v"), value);

  const std::string text = Utf8(doc.GetDocumentText());
  EXPECT_EQ(text,
            "<r v=\"&lt;tag&gt; &amp; &apos;single&apos; &quot;double&quot;&#9;TAB&#10;LF&#13;CR&#13;&#10;CRLF "
            "\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80 &#1;\"/>\r\n");

  XmlDocument reread;
  ASSERT_TRUE(reread.SetDocumentText(CString::FromUtf8(text)));
  ASSERT_TRUE(reread.FindElement(u"r"));
  EXPECT_EQ(reread.GetAttribute(u"v"), value);

  TempFolder folder;
  ASSERT_TRUE(doc.SaveFile(folder / "v.xml"));
  ASSERT_TRUE(reread.LoadFile(folder / "v.xml"));
  ASSERT_TRUE(reread.FindElement(u"r"));
  EXPECT_EQ(reread.GetAttribute(u"v"), value);
}

TEST(XmlDocumentTest, ReadingResolvesReferencesAndNormalisesRawWhitespace) {
  XmlDocument doc;
  ASSERT_TRUE(doc.SetDocumentText(
      u"<r a=\"&lt;&gt;&amp;&apos;&quot;\" b='&#65;&#x42;&#x4E2D;' c=\"x\ty\nz\" d=\"&#9;&#10;&#13;\"/>"));
  ASSERT_TRUE(doc.FindElement(u"r"));
  EXPECT_EQ(doc.GetAttribute(u"a"), u"<>&'\"");
  EXPECT_EQ(doc.GetAttribute(u"b"), u"AB\u4e2d");
  EXPECT_EQ(doc.GetAttribute(u"c"), u"x y z") << "raw TAB and LF read as blanks, hence the references";
  EXPECT_EQ(doc.GetAttribute(u"d"), u"\t\n\r");
}

// Loaded documents are written in the same layout; text inside elements is
// content and keeps its whitespace.
TEST(XmlDocumentTest, LoadedTextAndCommentsAreWrittenBackInTheLayout) {
  XmlDocument doc;
  ASSERT_TRUE(
      doc.SetDocumentText(u"<?xml version='1.0'?>\n"
                          u"<!-- made by hand -->\n"
                          u"<r>\n"
                          u"    <!-- note -->\n"
                          u"    <t lang=\"en\">x &amp; y\n second line</t>\n"
                          u"    <mixed>a <b>bold</b> c</mixed>\n"
                          u"    <e a='1'></e>\n"
                          u"    <c><![CDATA[ <raw> ]]></c>\n"
                          u"    <ws> </ws>\n"
                          u"</r>\n"));
  const std::string expected =
      "<?xml version='1.0'?>\r\n"
      "<!-- made by hand -->\r\n"
      "<r>\r\n"
      "<!-- note -->\r\n"
      "<t lang=\"en\">x &amp; y\n second line</t>\r\n"
      "<mixed>a <b>bold</b> c</mixed>\r\n"
      "<e a=\"1\"/>\r\n"
      "<c><![CDATA[ <raw> ]]></c>\r\n"
      "<ws> </ws>\r\n"
      "</r>\r\n";
  EXPECT_EQ(Utf8(doc.GetDocumentText()), expected);

  XmlDocument reread;
  ASSERT_TRUE(reread.SetDocumentText(doc.GetDocumentText()));
  EXPECT_EQ(Utf8(reread.GetDocumentText()), expected);

  // Blanks that were all an element held become layout once it gets a child.
  ASSERT_TRUE(doc.SetDocumentText(u"<r> </r>"));
  ASSERT_TRUE(doc.FindElement(u"r"));
  ASSERT_TRUE(doc.EnterElement());
  ASSERT_TRUE(doc.AddElement(u"n"));
  EXPECT_EQ(Utf8(doc.GetDocumentText()), "<r>\r\n<n/>\r\n</r>\r\n");
}

struct EncodedCase {
  const char* label;
  std::string bytes;
};

TEST(XmlDocumentTest, EveryAcceptedEncodingLoadsTheSameDocument) {
  const std::u16string utf16 =
      u"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n<Catalogue><Device name=\"Caf\u00e9 \u20ac\"/></Catalogue>";
  const std::u16string undeclared = u"<Catalogue><Device name=\"Caf\u00e9 \u20ac\"/></Catalogue>";
  const std::string utf8 = CString(undeclared).ToUtf8();
  const std::string cp1252 = "<Catalogue><Device name=\"Caf\xE9 \x80\"/></Catalogue>";
  const std::vector<EncodedCase> cases = {
      {"UTF-8, no mark", utf8},
      {"UTF-8 with mark", "\xEF\xBB\xBF" + utf8},
      {"UTF-8 mark over a wrong declaration", "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"windows-1252\"?>" + utf8},
      {"UTF-16LE with mark", "\xFF\xFE" + Utf16Bytes(utf16, false)},
      {"UTF-16BE with mark", "\xFE\xFF" + Utf16Bytes(utf16, true)},
      {"UTF-16LE, no mark", Utf16Bytes(utf16, false)},
      {"UTF-16BE, no mark", Utf16Bytes(utf16, true)},
      {"declared windows-1252", "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\r\n" + cp1252},
      {"declared in lower case", "<?xml version=\"1.0\" encoding='cp1252' ?>" + cp1252},
      {"undeclared, not UTF-8", cp1252},
      {"declared UTF-16 over 8-bit bytes", "<?xml version=\"1.0\" encoding=\"UTF-16\"?>" + utf8},
  };
  TempFolder folder;
  for (const EncodedCase& c : cases) {
    SCOPED_TRACE(c.label);
    WriteFile(folder / "catalogue.xml", c.bytes);
    XmlDocument doc;
    ASSERT_TRUE(doc.LoadFile(folder / "catalogue.xml")) << Utf8(doc.GetResult());
    ASSERT_TRUE(doc.FindElement(u"Catalogue"));
    ASSERT_TRUE(doc.EnterElement());
    ASSERT_TRUE(doc.FindElement(u"Device"));
    EXPECT_EQ(doc.GetAttribute(u"name"), u"Caf\u00e9 \u20ac");
  }
}

TEST(XmlDocumentTest, SingleByteAndEastAsianEncodings) {
  struct Case {
    const char* label;
    std::string bytes;
    std::u16string name;
  };
  const std::vector<Case> cases = {
      {"ISO-8859-1", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r name=\"\xE9\xFF\"/>", u"\u00e9\u00ff"},
      {"GBK", "<?xml version=\"1.0\" encoding=\"GBK\"?><r name=\"\xD6\xD0\xCE\xC4\"/>", u"\u4e2d\u6587"},
      // A GB2312 label on GBK-only characters, as such files are written.
      {"GB2312", "<?xml version=\"1.0\" encoding=\"gb2312\"?><r name=\"\xD6\xD0\x81\x40\"/>", u"\u4e2d\u4e02"},
      {"unmapped windows-1252 byte", "<r name=\"a\x81z\"/>", u"a\ufffdz"},
      {"malformed UTF-8 after a UTF-8 mark", "\xEF\xBB\xBF<r name=\"a\xC3z\"/>", u"a\ufffdz"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    XmlDocument doc;
    ASSERT_TRUE(doc.LoadBytes(c.bytes)) << Utf8(doc.GetResult());
    ASSERT_TRUE(doc.FindElement(u"r"));
    EXPECT_EQ(doc.GetAttribute(u"name"), CString(c.name));
  }
}

TEST(XmlDocumentTest, MalformedDocumentsFailAndLeaveNoElements) {
  const std::vector<EncodedCase> cases = {
      {"empty", ""},
      {"blanks only", " \r\n\t"},
      {"declaration only", "<?xml version=\"1.0\"?>\r\n"},
      {"comment only", "<!-- x -->"},
      {"second root", "<a/><b/>"},
      {"second root after children", "<a><c/></a>\r\n<a/>"},
      {"unclosed", "<a><b>"},
      {"unclosed root", "<a>"},
      {"end tag without start", "<a/></b>"},
      {"end tag only", "</a>"},
      {"crossed tags", "<a><b></a></b>"},
      {"text before the root", "hello<a/>"},
      {"text after the root", "<a/>hello"},
      {"attribute without quotes", "<a b=c/>"},
      {"attribute given twice", "<a x=\"1\" y=\"2\" x=\"3\"/>"},
      {"declaration not at the start", "<!-- c --><?xml version=\"1.0\"?><a/>"},
      {"declaration after blanks", " <?xml version=\"1.0\"?><a/>"},
      {"malformed declaration", "<?xml version=1.0?><a/>"},
      {"unknown encoding", "<?xml version=\"1.0\" encoding=\"no-such-charset\"?><a/>"},
      {"encoding with iconv options", "<?xml version=\"1.0\" encoding=\"CP1252//IGNORE\"?><a/>"},
      {"binary", std::string("\0\x01\x02\xFF", 4)},
  };
  for (const EncodedCase& c : cases) {
    SCOPED_TRACE(c.label);
    XmlDocument doc;
    EXPECT_FALSE(doc.LoadBytes(c.bytes));
    EXPECT_FALSE(doc.GetResult().IsEmpty());
    EXPECT_FALSE(doc.FindElement(u"a"));
    EXPECT_FALSE(doc.EnterElement());
  }
}

TEST(XmlDocumentTest, FailedLoadReplacesTheEarlierDocument) {
  TempFolder folder;
  XmlDocument doc;
  ASSERT_TRUE(doc.SetDocumentText(kCatalogue));
  EXPECT_TRUE(doc.GetResult().IsEmpty());

  EXPECT_FALSE(doc.LoadFile(folder / "missing.xml"));
  EXPECT_FALSE(doc.GetResult().IsEmpty());
  EXPECT_FALSE(doc.FindElement(u"Catalogue"));
  EXPECT_EQ(doc.GetDocumentText(), u"");

  WriteFile(folder / "empty.xml", "");
  ASSERT_TRUE(doc.SetDocumentText(kCatalogue));
  EXPECT_FALSE(doc.LoadFile(folder / "empty.xml"));
  EXPECT_FALSE(doc.FindElement(u"Catalogue"));

  EXPECT_FALSE(doc.LoadFile(folder.Path())) << "a folder is not a document";
}

TEST(XmlDocumentTest, EntityDeclarationsAreNeverExpanded) {
  std::string laughs = "<?xml version=\"1.0\"?>\n<!DOCTYPE lolz [\n<!ENTITY lol \"lol\">\n";
  laughs += "<!ENTITY lol1 \"&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;\">\n";
  for (int i = 2; i <= 9; ++i) {
    laughs += "<!ENTITY lol" + std::to_string(i) + " \"";
    for (int k = 0; k < 10; ++k) laughs += "&lol" + std::to_string(i - 1) + ";";
    laughs += "\">\n";
  }
  laughs += "<!ENTITY ext SYSTEM \"file:///etc/passwd\">\n]>\n<lolz v=\"&lol9;\" w=\"&ext;\">&lol9;</lolz>";

  const auto start = std::chrono::steady_clock::now();
  XmlDocument doc;
  ASSERT_TRUE(doc.LoadBytes(laughs)) << Utf8(doc.GetResult());
  EXPECT_LT(SecondsSince(start), 2.0);
  ASSERT_TRUE(doc.FindElement(u"lolz"));
  EXPECT_EQ(doc.GetAttribute(u"v"), u"&lol9;") << "an unknown entity stays literal text";
  EXPECT_EQ(doc.GetAttribute(u"w"), u"&ext;");
  EXPECT_EQ(Utf8(doc.GetDocumentText()),
            "<?xml version=\"1.0\"?>\r\n<lolz v=\"&amp;lol9;\" w=\"&amp;ext;\">&amp;lol9;</lolz>\r\n")
      << "the document type is not written back";
}

TEST(XmlDocumentTest, HostileSizesFailQuickly) {
  std::string nested;
  for (int i = 0; i < 100000; ++i) nested += "<a>";
  for (int i = 0; i < 100000; ++i) nested += "</a>";
  std::string unclosed(300000, '<');
  std::string tiny = "<r>";
  while (tiny.size() < 10 * 1024 * 1024) tiny += "<a/>";
  tiny += "</r>";
  std::string oversized = "<r v=\"" + std::string(XmlDocument::kMaxInputBytes, 'x') + "\"/>";

  const std::vector<EncodedCase> cases = {
      {"100 000 nested levels", nested}, {"100 000 nested levels, never closed", nested.substr(0, nested.size() / 2)},
      {"300 000 '<'", unclosed},         {"10 MB of tiny elements", tiny},
      {"over 16 MiB", oversized},
  };
  for (const EncodedCase& c : cases) {
    SCOPED_TRACE(c.label);
    const auto start = std::chrono::steady_clock::now();
    XmlDocument doc;
    EXPECT_FALSE(doc.LoadBytes(c.bytes));
    EXPECT_FALSE(doc.SetDocumentText(CString::FromUtf8(c.bytes)));
    EXPECT_FALSE(doc.GetResult().IsEmpty());
    EXPECT_LT(SecondsSince(start), 5.0);
  }

  TempFolder folder;
  WriteFile(folder / "big.xml", oversized);
  XmlDocument doc;
  EXPECT_FALSE(doc.LoadFile(folder / "big.xml"));
}

TEST(XmlDocumentTest, TenMegabyteFileOfRecordsLoads) {
  std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<Macro name=\"long\">\r\n";
  int events = 0;
  while (text.size() < 10 * 1000 * 1000) {
    text += "<Event type=\"1\" key=\"" + std::to_string(events) +
            "\" delay=\"100\" note=\"a comment long enough to look like a real record\"/>\r\n";
    ++events;
  }
  text += "</Macro>\r\n";
  TempFolder folder;
  WriteFile(folder / "macro.xml", text);

  const auto start = std::chrono::steady_clock::now();
  XmlDocument doc;
  ASSERT_TRUE(doc.LoadFile(folder / "macro.xml")) << Utf8(doc.GetResult());
  ASSERT_TRUE(doc.FindElement(u"Macro"));
  ASSERT_TRUE(doc.EnterElement());
  int found = 0;
  while (doc.FindElement(u"Event")) ++found;
  EXPECT_EQ(found, events);
  EXPECT_EQ(doc.GetAttribute(u"key"), CString::FromUtf8(std::to_string(events - 1)));
  EXPECT_EQ(Utf8(doc.GetDocumentText()), text) << "the file was in the written layout already";
  EXPECT_LT(SecondsSince(start), 20.0);
}

TEST(XmlDocumentTest, SaveWritesTheDeclaredEncoding) {
  struct Case {
    const char16_t* declaration;
    std::string expectedHead;  // the first bytes of the file
  };
  const std::vector<Case> cases = {
      {u"", "<r v"},  // no declaration: UTF-8
      {u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>", "<?"},
      {u"<?xml version=\"1.0\" encoding=\"UTF-16\"?>", std::string("<\0?\0", 4)},
      {u"<?xml version=\"1.0\" encoding=\"utf-16le\"?>", std::string("<\0?\0", 4)},
      {u"<?xml version=\"1.0\" encoding=\"UTF-16BE\"?>", std::string("\0<\0?", 4)},
      {u"<?xml version=\"1.0\" encoding=\"windows-1252\"?>", "<?"},
  };
  const CString value(u"Caf\u00e9 \u20ac");
  TempFolder folder;
  for (const Case& c : cases) {
    SCOPED_TRACE(Utf8(c.declaration));
    XmlDocument doc;
    doc.SetDocumentText(c.declaration);
    ASSERT_TRUE(doc.AddElement(u"r"));
    ASSERT_TRUE(doc.SetAttribute(u"v", value));
    ASSERT_TRUE(doc.SaveFile(folder / "out.xml")) << Utf8(doc.GetResult());

    const std::string bytes = ReadFile(folder / "out.xml");
    EXPECT_EQ(bytes.substr(0, c.expectedHead.size()), c.expectedHead) << "no byte order mark";

    XmlDocument reread;
    ASSERT_TRUE(reread.LoadFile(folder / "out.xml")) << Utf8(reread.GetResult());
    ASSERT_TRUE(reread.FindElement(u"r"));
    EXPECT_EQ(reread.GetAttribute(u"v"), value);
    EXPECT_EQ(reread.GetDocumentText(), doc.GetDocumentText());
  }
  XmlDocument cp1252;
  cp1252.SetDocumentText(u"<?xml version=\"1.0\" encoding=\"windows-1252\"?>");
  ASSERT_TRUE(cp1252.AddElement(u"r"));
  ASSERT_TRUE(cp1252.SetAttribute(u"v", value));
  ASSERT_TRUE(cp1252.SaveFile(folder / "cp.xml"));
  EXPECT_EQ(ReadFile(folder / "cp.xml"),
            "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\r\n<r v=\"Caf\xE9 \x80\"/>\r\n");
}

TEST(XmlDocumentTest, FailedSaveKeepsTheOldFile) {
  TempFolder folder;
  const std::string path = folder / "profile.xml";
  WriteFile(path, "old content");

  XmlDocument doc;
  doc.SetDocumentText(u"<?xml version=\"1.0\" encoding=\"windows-1252\"?>\r\n");
  ASSERT_TRUE(doc.AddElement(u"r"));
  ASSERT_TRUE(doc.SetAttribute(u"v", u"\u4e2d"));  // not in windows-1252
  EXPECT_FALSE(doc.SaveFile(path));
  EXPECT_FALSE(doc.GetResult().IsEmpty());
  EXPECT_EQ(ReadFile(path), "old content");

  doc.SetDocumentText(u"<?xml version=\"1.0\" encoding=\"UTF-32\"?>\r\n<r/>");
  EXPECT_FALSE(doc.SaveFile(path)) << "a file this class could not read back";
  EXPECT_EQ(ReadFile(path), "old content");

  EXPECT_FALSE(doc.SaveFile(folder / "no-such-folder/profile.xml"));
  EXPECT_FALSE(std::filesystem::exists(folder / "no-such-folder"));
  EXPECT_EQ(Entries(folder.Path()), std::vector<std::string>{"profile.xml"}) << "no temporary file left";
}

TEST(XmlDocumentTest, SaveReplacesAnExistingFileWhole) {
  TempFolder folder;
  const std::string path = folder / "profile.xml";
  WriteFile(path, std::string(100000, 'x'));  // longer than the new content

  XmlDocument doc;
  ASSERT_TRUE(doc.AddElement(u"r"));
  ASSERT_TRUE(doc.SaveFile(path));
  EXPECT_EQ(ReadFile(path), "<r/>\r\n");
  EXPECT_TRUE(doc.GetResult().IsEmpty());
  EXPECT_EQ(Entries(folder.Path()), std::vector<std::string>{"profile.xml"});
}

}  // namespace
