#pragma once

#include <string>
#include <vector>

namespace TestSupport {

// A zip archive described entry by entry and written by Python's zipfile
// (tests/support/make_zip.py), so the tests read archives made by another
// implementation. Names are stored exactly as given.
class TestArchive {
 public:
  TestArchive& File(const std::string& name, const std::string& data);
  TestArchive& StoredFile(const std::string& name, const std::string& data);  // uncompressed
  TestArchive& Executable(const std::string& name, const std::string& data);
  TestArchive& Link(const std::string& name, const std::string& target);
  TestArchive& Folder(const std::string& name);

  // Writes the archive; false when Python failed. `scratch` is a folder for
  // the entry list.
  bool Write(const std::string& path, const std::string& scratch) const;

 private:
  TestArchive& Add(const char* kind, const std::string& name, const std::string& data);
  std::string listing_;
};

}  // namespace TestSupport
