#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "toolkit/core/CString.h"

namespace Zorvane {

// An XML document in memory with a cursor over its elements: the catalogue
// and the exchange files are read and written through it.
//
// The cursor is three element references: the parent whose children are
// visited (none: the document level), the current element (none before the
// first find or add at a level) and the current element's remembered child
// position, where the next EnterElement resumes.
//
// Reading is safe against hostile files: no DTD is processed (a document
// type declaration is skipped, and an entity it declares stays a literal
// "&name;"), inputs above kMaxInputBytes, nesting deeper than kMaxDepth and
// more than kMaxMarkup '<' and '=' characters are refused before they can
// cost much time or memory. A document is well-formed for this class when it
// has exactly one root element, no text outside it and no markup error.
//
// Text is written in one layout whatever its origin: every element and
// comment on a line of its own ended by CR LF, no indentation, "<name/>" for
// an element without children, attributes in the order first set. Values
// escape the five special characters and write TAB, LF and CR as character
// references so that they survive a reading, which would turn them into
// blanks. Elements holding text are written without added line breaks, as
// their whitespace is content. Whitespace between elements of a loaded
// document, processing instructions and the document type are not kept.
//
// Failures are reported through the results and GetResult(), never thrown.
class XmlDocument {
 public:
  static constexpr std::size_t kMaxInputBytes = 16 * 1024 * 1024;
  static constexpr int kMaxDepth = 256;
  // Every element, comment and attribute needs a '<' or a '='; counting them
  // bounds the parser's memory before it runs.
  static constexpr std::size_t kMaxMarkup = 1000000;

  XmlDocument();
  ~XmlDocument();
  XmlDocument(XmlDocument&&) noexcept;
  XmlDocument& operator=(XmlDocument&&) noexcept;
  XmlDocument(const XmlDocument&) = delete;
  XmlDocument& operator=(const XmlDocument&) = delete;

  // Replaces the document with `text` and resets the cursor; returns whether
  // the text is well-formed. When it is not, the document keeps only the XML
  // declaration at its start (if that one is sound) and no elements, so a
  // writer may start from a bare declaration and add the root.
  bool SetDocumentText(const Nuvex::CString& text);
  // The bytes of a file: decoded by byte order mark, else by the declared
  // encoding, else as UTF-8 when valid and as Windows-1252 when not; then as
  // SetDocumentText. Undecodable bytes become U+FFFD.
  bool LoadBytes(std::string_view bytes);
  // LoadBytes on the file's content; false, with an empty document, when the
  // file cannot be read or is larger than kMaxInputBytes.
  bool LoadFile(const std::string& path);
  // Writes GetDocumentText() encoded as the declaration names (UTF-8 when it
  // names none), without a byte order mark, replacing the file atomically: a
  // failed save leaves the old file as it was. False as well when a
  // character cannot be represented in the declared encoding.
  bool SaveFile(const std::string& path);

  // The next element called `name` among the parent's children after the
  // current one (from the first child without one). On success it becomes
  // current with no remembered child position; on failure nothing changes.
  bool FindElement(const Nuvex::CString& name);
  // The current element becomes the parent and the remembered child position
  // the current element. False without a current element.
  bool EnterElement();
  // The parent becomes current and remembers the element that was current as
  // its child position. False at the document level.
  bool LeaveElement();
  // The value with references resolved; "" when absent or without a current
  // element.
  Nuvex::CString GetAttribute(const Nuvex::CString& name) const;

  // Inserts an empty element after the current one, or as the parent's last
  // child without one; it becomes current. Refused (false, nothing changes)
  // for an invalid name, for a second top-level element and beyond
  // kMaxDepth, since the written document could then never be read again.
  bool AddElement(const Nuvex::CString& name);
  // Sets or replaces an attribute of the current element; a new one goes
  // last. False without a current element, for an invalid name, and for a
  // value holding U+0000, which XML cannot carry.
  bool SetAttribute(const Nuvex::CString& name, const Nuvex::CString& value);

  // The text as SaveFile would write it.
  Nuvex::CString GetDocumentText() const;
  // The last load, parse or save problem; "" after a success.
  Nuvex::CString GetResult() const;

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace Zorvane
