#include "tests/support/TestArchive.h"

#include "tests/support/RunProgram.h"
#include "tests/support/TempFolder.h"

namespace TestSupport {
namespace {

std::string Hex(const std::string& bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (unsigned char byte : bytes) {
    hex += kDigits[byte >> 4];
    hex += kDigits[byte & 15];
  }
  return hex;
}

}  // namespace

TestArchive& TestArchive::Add(const char* kind, const std::string& name, const std::string& data) {
  listing_ += std::string(kind) + " " + Hex(name) + " " + Hex(data) + "\n";
  return *this;
}

TestArchive& TestArchive::File(const std::string& name, const std::string& data) {
  return Add("file", name, data);
}

TestArchive& TestArchive::StoredFile(const std::string& name, const std::string& data) {
  return Add("stored", name, data);
}

TestArchive& TestArchive::Executable(const std::string& name, const std::string& data) {
  return Add("exec", name, data);
}

TestArchive& TestArchive::Link(const std::string& name, const std::string& target) {
  return Add("link", name, target);
}

TestArchive& TestArchive::Folder(const std::string& name) {
  return Add("folder", name, "");
}

bool TestArchive::Write(const std::string& path, const std::string& scratch) const {
  const std::string listing = scratch + "/archive-entries.txt";
  WriteFile(listing, listing_);
  return RunProgram({Python(), SupportFile("make_zip.py"), path, listing});
}

}  // namespace TestSupport
