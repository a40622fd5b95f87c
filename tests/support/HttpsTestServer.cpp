#include "tests/support/HttpsTestServer.h"

#include <chrono>
#include <filesystem>
#include <sstream>
#include <thread>

#include "tests/support/RunProgram.h"

namespace TestSupport {
namespace {

constexpr auto kStartLimit = std::chrono::seconds(20);

// Just what the two certificates need, independent of the system's
// openssl.cnf.
constexpr char kOpensslConfig[] =
    "[req]\n"
    "distinguished_name = name\n"
    "prompt = no\n"
    "[name]\n"
    "CN = Zorvane test\n"
    "[ca]\n"
    "basicConstraints = critical, CA:TRUE\n"
    "keyUsage = critical, keyCertSign, cRLSign\n"
    "subjectKeyIdentifier = hash\n"
    "[server]\n"
    "basicConstraints = critical, CA:FALSE\n"
    "keyUsage = critical, digitalSignature\n"
    "extendedKeyUsage = serverAuth\n"
    "subjectAltName = IP:127.0.0.1, DNS:localhost\n"
    "authorityKeyIdentifier = keyid\n";

}  // namespace

HttpsTestServer::HttpsTestServer()
    : root_(folder_ / "root"), caFile_(folder_ / "ca.pem"), log_(folder_ / "server.log") {
  std::filesystem::create_directories(root_);
}

HttpsTestServer::~HttpsTestServer() {
  StopProgram(pid_);
}

bool HttpsTestServer::MakeCertificates() {
  const std::string config = folder_ / "openssl.cnf";
  WriteFile(config, kOpensslConfig);
  const std::string caKey = folder_ / "ca.key";
  const std::string key = folder_ / "server.key";
  const std::string request = folder_ / "server.csr";
  const std::string certificate = folder_ / "server.pem";
  return RunProgram({"openssl",
                     "req",
                     "-x509",
                     "-new",
                     "-newkey",
                     "ec",
                     "-pkeyopt",
                     "ec_paramgen_curve:P-256",
                     "-nodes",
                     "-days",
                     "2",
                     "-config",
                     config,
                     "-extensions",
                     "ca",
                     "-keyout",
                     caKey,
                     "-out",
                     caFile_,
                     "-subj",
                     "/CN=Zorvane throw-away test CA"},
                    log_) &&
         RunProgram({"openssl", "req", "-new", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256", "-nodes",
                     "-config", config, "-keyout", key, "-out", request, "-subj", "/CN=127.0.0.1"},
                    log_) &&
         RunProgram({"openssl", "x509", "-req", "-in", request, "-CA", caFile_, "-CAkey", caKey, "-CAcreateserial",
                     "-days", "2", "-extfile", config, "-extensions", "server", "-out", certificate},
                    log_);
}

bool HttpsTestServer::Start() {
  if (!MakeCertificates()) return false;
  const std::string portFile = folder_ / "port";
  pid_ = StartProgram(
      {Python(), SupportFile("https_server.py"), folder_ / "server.pem", folder_ / "server.key", root_, portFile},
      log_);
  if (pid_ < 0) return false;
  const auto end = std::chrono::steady_clock::now() + kStartLimit;
  while (std::chrono::steady_clock::now() < end) {
    std::istringstream ports(ReadFile(portFile));
    if (ports >> port_ >> plainPort_) return port_ > 0 && plainPort_ > 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

std::string HttpsTestServer::Url(const std::string& path) const {
  return "https://127.0.0.1:" + std::to_string(port_) + "/" + path;
}

std::string HttpsTestServer::PlainUrl(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(plainPort_) + "/" + path;
}

void HttpsTestServer::Put(const std::string& path, const std::string& content) const {
  const std::filesystem::path file = std::filesystem::path(root_) / path;
  std::filesystem::create_directories(file.parent_path());
  WriteFile(file.string(), content);
}

std::string HttpsTestServer::Log() const {
  return ReadFile(log_);
}

}  // namespace TestSupport
