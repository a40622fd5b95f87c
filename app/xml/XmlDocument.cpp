#include "app/xml/XmlDocument.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <pugixml.hpp>
#include <string>
#include <vector>

#include "platform/AtomicFile.h"

namespace Zorvane {

namespace {

using Nuvex::CString;

// Comments and character data are kept and written back; processing
// instructions and the document type are skipped. The declaration is checked
// here for its place and kept by this class. Fragment mode makes text outside
// the root visible, so that it can be refused instead of silently dropped.
constexpr unsigned kParseOptions = pugi::parse_cdata | pugi::parse_escapes | pugi::parse_eol |
                                   pugi::parse_wconv_attribute | pugi::parse_comments | pugi::parse_ws_pcdata_single |
                                   pugi::parse_fragment | pugi::parse_declaration;

// Only the start of a file is searched for the declaration.
constexpr std::size_t kDeclarationSearch = 1024;
constexpr std::size_t kMaxEncodingName = 40;
constexpr char16_t kReplacement = 0xFFFD;

bool IsXmlSpace(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

bool IsAsciiAlnum(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
}

struct Declaration {
  enum class State { None, Sound, Malformed };
  State state = State::None;
  std::size_t length = 0;  // through "?>"
  std::u16string encoding;
};

// The XML declaration at the very start of `text`. Its pseudo-attributes are
// read loosely (any order, version not required); only the encoding matters.
Declaration ReadDeclaration(std::u16string_view text) {
  Declaration d;
  if (!text.starts_with(u"<?xml") || text.size() < 6) return d;
  if (text[5] == u'?') {
    d.state = Declaration::State::Malformed;
    return d;
  }
  if (!IsXmlSpace(text[5])) return d;  // another instruction, such as "<?xml-stylesheet"
  d.state = Declaration::State::Malformed;
  std::size_t pos = 5;
  for (;;) {
    const std::size_t before = pos;
    while (pos < text.size() && IsXmlSpace(text[pos])) ++pos;
    if (pos + 1 < text.size() && text[pos] == u'?' && text[pos + 1] == u'>') {
      d.length = pos + 2;
      d.state = Declaration::State::Sound;
      return d;
    }
    if (pos == before) return d;  // pseudo-attributes need a blank between them
    const std::size_t nameStart = pos;
    while (pos < text.size() && (IsAsciiAlnum(text[pos]) || text[pos] == u'_' || text[pos] == u'-')) ++pos;
    if (pos == nameStart) return d;
    const std::u16string_view name = text.substr(nameStart, pos - nameStart);
    while (pos < text.size() && IsXmlSpace(text[pos])) ++pos;
    if (pos >= text.size() || text[pos] != u'=') return d;
    ++pos;
    while (pos < text.size() && IsXmlSpace(text[pos])) ++pos;
    if (pos >= text.size() || (text[pos] != u'"' && text[pos] != u'\'')) return d;
    const char16_t quote = text[pos++];
    const std::size_t end = text.find(quote, pos);
    if (end == std::u16string_view::npos) return d;
    const std::u16string_view value = text.substr(pos, end - pos);
    // The parser ends the declaration at the first "?>", quoted or not.
    if (value.find(u'<') != std::u16string_view::npos || value.find(u"?>") != std::u16string_view::npos) return d;
    if (name == u"encoding") d.encoding = std::u16string(value);
    pos = end + 1;
  }
}

// GB2312 files are in practice written with the GBK superset.
std::string IconvName(const std::string& name) {
  return name == "GB2312" ? std::string("GBK") : name;
}

enum class EncodingKind { Utf8, Utf16Le, Utf16Be, Other, Invalid };

// Upper-cased ASCII name, or "" when the name could carry iconv's "//"
// suffixes (which would transliterate or drop characters) or anything odd.
std::string NormalisedEncodingName(std::u16string_view name) {
  if (name.empty() || name.size() > kMaxEncodingName) return {};
  std::string ascii;
  for (const char16_t c : name) {
    if (!IsAsciiAlnum(c) && c != u'-' && c != u'_' && c != u'.' && c != u':') return {};
    ascii += static_cast<char>(c >= u'a' && c <= u'z' ? c - u'a' + u'A' : c);
  }
  return ascii;
}

EncodingKind ClassifyEncoding(const std::string& name) {
  if (name.empty()) return EncodingKind::Invalid;
  if (name == "UTF-8" || name == "UTF8") return EncodingKind::Utf8;
  // Plain UTF-16 is written little-endian, the way Windows programs write it;
  // reading tells the two orders apart by the first bytes.
  if (name == "UTF-16" || name == "UTF16" || name == "UTF-16LE" || name == "UTF16LE") return EncodingKind::Utf16Le;
  if (name == "UTF-16BE" || name == "UTF16BE") return EncodingKind::Utf16Be;
  return EncodingKind::Other;
}

class Iconv {
 public:
  Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Iconv() {
    if (Valid()) iconv_close(cd_);
  }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;
  bool Valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // Converts all of `in`; an unconvertible sequence either fails the whole
  // conversion (strict) or is skipped one byte at a time, with `replacement`
  // appended in its place.
  bool Convert(std::string_view in, std::string& out, bool strict, std::string_view replacement) {
    char* inPtr = const_cast<char*>(in.data());
    std::size_t inLeft = in.size();
    char buffer[16 * 1024];
    for (;;) {
      char* outPtr = buffer;
      std::size_t outLeft = sizeof buffer;
      const bool flushing = inLeft == 0;
      const std::size_t rc =
          flushing ? iconv(cd_, nullptr, nullptr, &outPtr, &outLeft) : iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft);
      out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
      if (rc != static_cast<std::size_t>(-1)) {
        if (flushing) return true;
        continue;
      }
      if (errno == E2BIG) continue;
      if (strict || flushing) return false;
      if (errno == EILSEQ && inLeft > 0) {
        out += replacement;
        ++inPtr;
        --inLeft;
      } else {
        // EINVAL: the input ends inside a sequence.
        out += replacement;
        inLeft = 0;
      }
    }
  }

 private:
  iconv_t cd_;
};

CString FromUtf16Bytes(std::string_view bytes, bool bigEndian) {
  std::u16string text;
  text.reserve(bytes.size() / 2 + 1);
  std::size_t i = 0;
  for (; i + 1 < bytes.size(); i += 2) {
    const auto a = static_cast<unsigned char>(bytes[i]);
    const auto b = static_cast<unsigned char>(bytes[i + 1]);
    text += static_cast<char16_t>(bigEndian ? (a << 8 | b) : (b << 8 | a));
  }
  if (i < bytes.size()) text += kReplacement;  // an odd last byte
  return CString(text);
}

std::string ToUtf16Bytes(std::u16string_view text, bool bigEndian) {
  std::string bytes;
  bytes.reserve(text.size() * 2);
  for (const char16_t c : text) {
    const char high = static_cast<char>(c >> 8);
    const char low = static_cast<char>(c & 0xFF);
    bytes += bigEndian ? high : low;
    bytes += bigEndian ? low : high;
  }
  return bytes;
}

std::optional<CString> DecodeWithIconv(std::string_view bytes, const std::string& encoding) {
  Iconv converter("UTF-16LE", encoding.c_str());
  if (!converter.Valid()) return std::nullopt;
  std::string utf16;
  if (!converter.Convert(bytes, utf16, false, std::string_view("\xFD\xFF", 2))) return std::nullopt;
  return FromUtf16Bytes(utf16, false);
}

bool IsValidUtf8(std::string_view bytes) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    if (c < 0x80) {
      ++i;
      continue;
    }
    int extra;
    unsigned min;
    unsigned code;
    if ((c & 0xE0) == 0xC0) {
      extra = 1, min = 0x80, code = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
      extra = 2, min = 0x800, code = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
      extra = 3, min = 0x10000, code = c & 0x07;
    } else {
      return false;
    }
    if (bytes.size() - i <= static_cast<std::size_t>(extra)) return false;
    for (int k = 1; k <= extra; ++k) {
      const auto next = static_cast<unsigned char>(bytes[i + static_cast<std::size_t>(k)]);
      if ((next & 0xC0) != 0x80) return false;
      code = code << 6 | (next & 0x3F);
    }
    if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
    i += static_cast<std::size_t>(extra) + 1;
  }
  return true;
}

// Whether an encoding writes "<?xml" as ASCII bytes, so that its declaration
// can be read before the text is decoded.
bool IsAsciiCompatible(const std::string& encoding) {
  Iconv converter(encoding.c_str(), "UTF-8");
  std::string probe;
  return converter.Valid() && converter.Convert("<?xml version=", probe, true, {}) && probe == "<?xml version=";
}

// Decodes a file's bytes; nullopt (with `problem` set) only for a declared
// encoding that cannot be decoded.
std::optional<CString> DecodeBytes(std::string_view bytes, std::string& problem) {
  if (bytes.starts_with("\xEF\xBB\xBF")) return CString::FromUtf8(bytes.substr(3));
  if (bytes.starts_with("\xFF\xFE")) return FromUtf16Bytes(bytes.substr(2), false);
  if (bytes.starts_with("\xFE\xFF")) return FromUtf16Bytes(bytes.substr(2), true);
  // Without a mark, UTF-16 shows in the first two characters "<?".
  if (bytes.starts_with(std::string_view("<\0?\0", 4))) return FromUtf16Bytes(bytes, false);
  if (bytes.starts_with(std::string_view("\0<\0?", 4))) return FromUtf16Bytes(bytes, true);

  std::u16string head;
  for (const char c : bytes.substr(0, kDeclarationSearch)) head += static_cast<char16_t>(static_cast<unsigned char>(c));
  const Declaration declaration = ReadDeclaration(head);
  if (declaration.state == Declaration::State::Sound && !declaration.encoding.empty()) {
    const std::string name = NormalisedEncodingName(declaration.encoding);
    switch (ClassifyEncoding(name)) {
      case EncodingKind::Utf8:
        return CString::FromUtf8(bytes);
      case EncodingKind::Other:
        if (!Iconv("UTF-16LE", IconvName(name).c_str()).Valid()) {
          problem = "unsupported encoding " + name;
          return std::nullopt;
        }
        // An encoding that does not keep ASCII as it is cannot be the one
        // the declaration was just read in: the label is wrong, so guess.
        if (!IsAsciiCompatible(name)) break;
        if (auto text = DecodeWithIconv(bytes, IconvName(name))) return text;
        problem = "cannot decode the declared encoding " + name;
        return std::nullopt;
      case EncodingKind::Invalid:
        problem = "unsupported encoding in the XML declaration";
        return std::nullopt;
      default:
        break;  // UTF-16 declared over ASCII bytes: mislabelled
    }
  }
  if (IsValidUtf8(bytes)) return CString::FromUtf8(bytes);
  if (auto text = DecodeWithIconv(bytes, "CP1252")) return text;
  problem = "cannot decode the text as Windows-1252";
  return std::nullopt;
}

// Element and attribute names as the parser reads them back.
bool IsValidName(std::u16string_view name) {
  if (name.empty()) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const char16_t c = name[i];
    const bool start = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_' || c == u':' || c >= 0x80;
    const bool more = (c >= u'0' && c <= u'9') || c == u'-' || c == u'.';
    if (!start && !(i > 0 && more)) return false;
  }
  return true;
}

void AppendCharacterReference(std::string& out, unsigned char c) {
  out += "&#";
  out += std::to_string(c);
  out += ';';
}

// Attribute values and element text escape alike, except for the quotes,
// which only values need, and for TAB and LF: a reader turns them into
// blanks in values but keeps them in text (a raw CR becomes LF in both).
void AppendEscaped(std::string& out, const char* text, bool attributeValue) {
  for (const char* p = text; *p; ++p) {
    const auto c = static_cast<unsigned char>(*p);
    switch (c) {
      case '<':
        out += "&lt;";
        break;
      case '&':
        out += "&amp;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '\'':
      case '"':
        if (attributeValue)
          out += c == '"' ? "&quot;" : "&apos;";
        else
          out += static_cast<char>(c);
        break;
      default:
        if (c < 0x20 && (attributeValue || (c != '\t' && c != '\n')))
          AppendCharacterReference(out, c);
        else
          out += static_cast<char>(c);
    }
  }
}

bool IsBlank(const char* text) {
  for (const char* p = text; *p; ++p)
    if (!IsXmlSpace(static_cast<unsigned char>(*p))) return false;
  return true;
}

// The text the parser keeps: blanks only when they are all an element
// holds, since between other nodes they are layout.
bool IsKeptText(const pugi::xml_node& node) {
  if (node.type() == pugi::node_cdata) return true;
  if (node.type() != pugi::node_pcdata) return false;
  return !IsBlank(node.value()) || (!node.previous_sibling() && !node.next_sibling());
}

// Whitespace in an element that holds text is part of that text, so such an
// element gets no added line breaks.
bool HoldsText(const pugi::xml_node& element) {
  for (pugi::xml_node child = element.first_child(); child; child = child.next_sibling())
    if (IsKeptText(child)) return true;
  return false;
}

bool HasDuplicateAttribute(const pugi::xml_node& element) {
  std::vector<std::string_view> names;
  for (pugi::xml_attribute a = element.first_attribute(); a; a = a.next_attribute()) names.emplace_back(a.name());
  if (names.size() < 2) return false;
  std::sort(names.begin(), names.end());
  return std::adjacent_find(names.begin(), names.end()) != names.end();
}

// Pre-order steps without recursion: documents may nest far deeper than a
// stack would allow. Returns the next node after `node` and its whole
// subtree, adjusting `depth` and calling `leave` for every element closed on
// the way up; null at the end of the document.
template <typename Leave>
pugi::xml_node NextAfterSubtree(pugi::xml_node node, int& depth, Leave&& leave) {
  while (!node.next_sibling()) {
    node = node.parent();
    --depth;
    if (!node || node.type() == pugi::node_document) return {};
    leave(node);
  }
  return node.next_sibling();
}

}  // namespace

class XmlDocument::Impl {
 public:
  Impl() { ResetCursor(); }

  bool Parse(const CString& text);
  bool Fail(std::string problem);
  void ResetCursor();
  std::string Serialise() const;
  std::string DeclaredEncoding() const;
  int DepthOf(pugi::xml_node node) const;

  pugi::xml_document doc;
  // The parsed text: names and values of loaded nodes point into it.
  std::string source;
  std::u16string declaration;  // as it stood in the text, through "?>"
  pugi::xml_node parent;       // the document node at the document level
  pugi::xml_node current;
  pugi::xml_node childPosition;
  std::string result;
};

void XmlDocument::Impl::ResetCursor() {
  parent = doc;
  current = pugi::xml_node();
  childPosition = pugi::xml_node();
}

bool XmlDocument::Impl::Fail(std::string problem) {
  doc.reset();
  std::string().swap(source);
  ResetCursor();
  result = std::move(problem);
  return false;
}

bool XmlDocument::Impl::Parse(const CString& whole) {
  doc.reset();
  std::string().swap(source);
  declaration.clear();
  ResetCursor();
  std::u16string_view text = whole.View();
  const bool marked = text.starts_with(u"\uFEFF");
  if (marked) text.remove_prefix(1);
  if (text.size() > kMaxInputBytes) return Fail("the document is larger than 16 MiB");

  const Declaration head = ReadDeclaration(text);
  if (head.state == Declaration::State::Malformed) return Fail("malformed XML declaration");
  if (head.state == Declaration::State::Sound) declaration = std::u16string(text.substr(0, head.length));

  source = whole.ToUtf8();
  if (marked) source.erase(0, 3);
  if (source.size() > kMaxInputBytes) return Fail("the document is larger than 16 MiB");
  const std::size_t markup = static_cast<std::size_t>(std::count(source.begin(), source.end(), '<')) +
                             static_cast<std::size_t>(std::count(source.begin(), source.end(), '='));
  if (markup > kMaxMarkup) return Fail("the document has too many elements or attributes");
  const pugi::xml_parse_result parsed =
      doc.load_buffer_inplace(source.data(), source.size(), kParseOptions, pugi::encoding_utf8);
  if (!parsed)
    return Fail(std::string("XML error at byte ") + std::to_string(parsed.offset) + ": " + parsed.description());

  int roots = 0;
  int depth = 1;
  for (pugi::xml_node node = doc.first_child(); node;) {
    switch (node.type()) {
      case pugi::node_declaration:
        if (depth != 1 || node != doc.first_child() || head.state != Declaration::State::Sound)
          return Fail("an XML declaration that is not at the start");
        break;
      case pugi::node_pcdata:
      case pugi::node_cdata:
        if (depth == 1 && (node.type() == pugi::node_cdata || !IsBlank(node.value())))
          return Fail("text outside the root element");
        break;
      case pugi::node_element:
        if (depth > kMaxDepth) return Fail("elements nested deeper than 256 levels");
        if (depth == 1 && ++roots > 1) return Fail("more than one root element");
        if (HasDuplicateAttribute(node)) return Fail("an attribute given twice in one element");
        if (pugi::xml_node child = node.first_child()) {
          node = child;
          ++depth;
          continue;
        }
        break;
      default:
        break;
    }
    node = NextAfterSubtree(node, depth, [](pugi::xml_node) {});
  }
  if (roots == 0) return Fail("no root element");
  if (doc.first_child().type() == pugi::node_declaration) doc.remove_child(doc.first_child());
  result.clear();
  return true;
}

std::string XmlDocument::Impl::Serialise() const {
  std::string out = CString(declaration).ToUtf8();
  if (!out.empty()) out += "\r\n";
  // One entry per open element: whether its children go without line breaks.
  std::vector<bool> compact;
  auto lineEnd = [&] {
    if (compact.empty() || !compact.back()) out += "\r\n";
  };
  auto closeElement = [&](pugi::xml_node element) {
    compact.pop_back();
    out += "</";
    out += element.name();
    out += '>';
    lineEnd();
  };
  int depth = 1;
  for (pugi::xml_node node = doc.first_child(); node;) {
    switch (node.type()) {
      case pugi::node_element:
        out += '<';
        out += node.name();
        for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute()) {
          out += ' ';
          out += a.name();
          out += "=\"";
          AppendEscaped(out, a.value(), true);
          out += '"';
        }
        if (pugi::xml_node child = node.first_child()) {
          out += '>';
          compact.push_back(HoldsText(node));
          if (!compact.back()) out += "\r\n";
          node = child;
          ++depth;
          continue;
        }
        out += "/>";
        lineEnd();
        break;
      case pugi::node_pcdata:
        if (depth > 1 && IsKeptText(node)) AppendEscaped(out, node.value(), false);
        break;
      case pugi::node_cdata:
        out += "<![CDATA[";
        out += node.value();
        out += "]]>";
        break;
      case pugi::node_comment:
        out += "<!--";
        out += node.value();
        out += "-->";
        lineEnd();
        break;
      default:
        break;
    }
    node = NextAfterSubtree(node, depth, closeElement);
  }
  return out;
}

std::string XmlDocument::Impl::DeclaredEncoding() const {
  const Declaration d = ReadDeclaration(declaration);
  return d.encoding.empty() ? std::string("UTF-8") : NormalisedEncodingName(d.encoding);
}

int XmlDocument::Impl::DepthOf(pugi::xml_node node) const {
  int depth = 0;
  for (; node && node.type() != pugi::node_document; node = node.parent()) ++depth;
  return depth;
}

XmlDocument::XmlDocument() : impl_(std::make_unique<Impl>()) {}
XmlDocument::~XmlDocument() = default;
XmlDocument::XmlDocument(XmlDocument&&) noexcept = default;
XmlDocument& XmlDocument::operator=(XmlDocument&&) noexcept = default;

bool XmlDocument::SetDocumentText(const CString& text) {
  return impl_->Parse(text.View());
}

bool XmlDocument::LoadBytes(std::string_view bytes) {
  if (bytes.size() > kMaxInputBytes) {
    impl_->declaration.clear();
    return impl_->Fail("the document is larger than 16 MiB");
  }
  std::string problem;
  const std::optional<CString> text = DecodeBytes(bytes, problem);
  if (!text) {
    impl_->declaration.clear();
    return impl_->Fail(problem);
  }
  return impl_->Parse(*text);
}

bool XmlDocument::LoadFile(const std::string& path) {
  std::string bytes;
  if (!Platform::ReadWholeFile(path, bytes, kMaxInputBytes)) {
    impl_->declaration.clear();
    return impl_->Fail("cannot read " + path + " (missing, unreadable or larger than 16 MiB)");
  }
  return LoadBytes(bytes);
}

bool XmlDocument::SaveFile(const std::string& path) {
  const CString text = GetDocumentText();
  const std::string encoding = impl_->DeclaredEncoding();
  std::string bytes;
  switch (ClassifyEncoding(encoding)) {
    case EncodingKind::Utf8:
      bytes = text.ToUtf8();
      break;
    case EncodingKind::Utf16Le:
    case EncodingKind::Utf16Be:
      bytes = ToUtf16Bytes(text.View(), ClassifyEncoding(encoding) == EncodingKind::Utf16Be);
      break;
    case EncodingKind::Other: {
      // A file whose declaration cannot be read back before decoding would
      // never load again.
      if (!IsAsciiCompatible(encoding)) {
        impl_->result = "cannot write a document in " + encoding;
        return false;
      }
      Iconv converter(IconvName(encoding).c_str(), "UTF-8");
      if (!converter.Convert(text.ToUtf8(), bytes, true, {})) {
        impl_->result = "the document has characters that " + encoding + " cannot represent";
        return false;
      }
      break;
    }
    case EncodingKind::Invalid:
      impl_->result = "unsupported encoding in the XML declaration";
      return false;
  }
  if (!Platform::WriteFileAtomically(path, bytes)) {
    impl_->result = "cannot write " + path;
    return false;
  }
  impl_->result.clear();
  return true;
}

bool XmlDocument::FindElement(const CString& name) {
  const std::string wanted = name.ToUtf8();
  Impl& d = *impl_;
  for (pugi::xml_node node = d.current ? d.current.next_sibling() : d.parent.first_child(); node;
       node = node.next_sibling()) {
    if (node.type() == pugi::node_element && wanted == node.name()) {
      d.current = node;
      d.childPosition = pugi::xml_node();
      return true;
    }
  }
  return false;
}

bool XmlDocument::EnterElement() {
  Impl& d = *impl_;
  if (!d.current) return false;
  d.parent = d.current;
  d.current = d.childPosition;
  d.childPosition = pugi::xml_node();
  return true;
}

bool XmlDocument::LeaveElement() {
  Impl& d = *impl_;
  if (d.parent.type() == pugi::node_document) return false;
  d.childPosition = d.current;
  d.current = d.parent;
  d.parent = d.parent.parent();
  return true;
}

CString XmlDocument::GetAttribute(const CString& name) const {
  const Impl& d = *impl_;
  if (!d.current) return CString();
  const std::string wanted = name.ToUtf8();
  for (pugi::xml_attribute a = d.current.first_attribute(); a; a = a.next_attribute())
    if (wanted == a.name()) return CString::FromUtf8(a.value());
  return CString();
}

bool XmlDocument::AddElement(const CString& name) {
  Impl& d = *impl_;
  if (!IsValidName(name.View())) return false;
  if (d.parent.type() == pugi::node_document) {
    for (pugi::xml_node node = d.parent.first_child(); node; node = node.next_sibling())
      if (node.type() == pugi::node_element) return false;
  } else if (d.DepthOf(d.parent) >= kMaxDepth) {
    return false;
  }
  pugi::xml_node added = d.current ? d.parent.insert_child_after(pugi::node_element, d.current)
                                   : d.parent.append_child(pugi::node_element);
  if (!added) return false;
  if (!added.set_name(name.ToUtf8().c_str())) {
    d.parent.remove_child(added);
    return false;
  }
  d.current = added;
  d.childPosition = pugi::xml_node();
  return true;
}

bool XmlDocument::SetAttribute(const CString& name, const CString& value) {
  Impl& d = *impl_;
  if (!d.current || !IsValidName(name.View()) || value.View().find(u'\0') != std::u16string_view::npos) return false;
  const std::string key = name.ToUtf8();
  const std::string text = value.ToUtf8();
  for (pugi::xml_attribute a = d.current.first_attribute(); a; a = a.next_attribute())
    if (key == a.name()) return a.set_value(text.c_str());
  pugi::xml_attribute added = d.current.append_attribute(key.c_str());
  if (!added) return false;
  if (!added.set_value(text.c_str())) {
    d.current.remove_attribute(added);
    return false;
  }
  return true;
}

CString XmlDocument::GetDocumentText() const {
  return CString::FromUtf8(impl_->Serialise());
}

CString XmlDocument::GetResult() const {
  return CString::FromUtf8(impl_->result);
}

}  // namespace Zorvane
