#pragma once

#include <sys/types.h>

#include <string>

#include "tests/support/TempFolder.h"

namespace TestSupport {

// A real HTTPS server on 127.0.0.1 (tests/support/https_server.py) with a
// certificate from a throw-away certificate authority made for this object;
// clients trust it through CaFile(). Serves the files below Root(), plus the
// misbehaving paths the script describes, and the same over plain HTTP on a
// second port. Stopped by the destructor.
class HttpsTestServer {
 public:
  HttpsTestServer();
  ~HttpsTestServer();
  HttpsTestServer(const HttpsTestServer&) = delete;
  HttpsTestServer& operator=(const HttpsTestServer&) = delete;

  // Makes the certificates and starts the server; false when any step failed
  // (Log() tells why).
  bool Start();

  const std::string& CaFile() const { return caFile_; }
  const std::string& Root() const { return root_; }
  int Port() const { return port_; }
  // "https://127.0.0.1:<port>/" followed by `path`.
  std::string Url(const std::string& path) const;
  // The same file over plain HTTP.
  std::string PlainUrl(const std::string& path) const;
  // Writes `content` to Root()/`path`, creating its folders.
  void Put(const std::string& path, const std::string& content) const;
  std::string Log() const;

 private:
  bool MakeCertificates();

  TempFolder folder_;
  std::string root_;
  std::string caFile_;
  std::string log_;
  pid_t pid_ = -1;
  int port_ = 0;
  int plainPort_ = 0;
};

}  // namespace TestSupport
