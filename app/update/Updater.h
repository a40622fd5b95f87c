#pragma once

#include <atomic>
#include <deque>
#include <mutex>
#include <string>

#include "app/shell/CThreadBasic.h"
#include "app/update/HttpClient.h"
#include "app/update/UpdateMessages.h"
#include "app/zip/ZipExtractor.h"
#include "toolkit/core/CString.h"

namespace Zorvane {

// The program's self-update, owned by the settings dialog: the version check
// (task 10) and download-and-install (task 11), run on a thread of its own.
//
// Server layout below the base URL: "software-upgrade/Velmora/release/"
// holds "version" (the server version as text) and "mouse-setup-<v>.zip",
// whose top level holds the installer "mouse-setup-<v>.run". The archive is
// downloaded to and unpacked in the temporary folder, a folder only the user
// may write (0700, not a link), and the installer is started through the
// elevator (pkexec).
//
// Results reach the dialog as messages through the sink, on the update
// thread (see UpdateMessages.h). A check posts (kMsgUpdateResult,
// kUpdateChecked, 1 or 0), or nothing when the server cannot be reached or
// its version text is not acceptable. Download-and-install posts progress
// and, once the installer runs, (kMsgUpdateResult, kUpdateInstallerStarted,
// 0): then the UI thread ends the program. Failures post nothing.
//
// One job at a time. Shutdown (and the destructor) stops a transfer in
// progress and waits for the thread; afterwards nothing is posted.
class Updater : public CThreadBasic {
 public:
  static constexpr int kTaskCheck = 10;
  static constexpr int kTaskInstall = 11;
  static constexpr char kDefaultBaseUrl[] = "https://updates.zorvane.example/";

  struct Settings {
    std::string baseUrl = kDefaultBaseUrl;
    Nuvex::CString localVersion;               // the program's version
    std::string tempFolder;                    // empty: "<data folder>/temp"
    std::string elevator = "/usr/bin/pkexec";  // missing: the installer is started directly
    HttpClient::Options http;
    ZipExtractor::Limits zip;
  };

  enum class CheckResult { kSilent, kNotNewer, kNewer };
  enum class InstallResult {
    kNoVersion,      // no acceptable server version from a check
    kFolderRefused,  // the temporary folder is missing, a link or not private
    kDownloadFailed,
    kUnpackFailed,  // the archive did not unpack completely
    kNoInstaller,   // the archive carries no installer at its top level
    kStartFailed,
    kStopped,  // Shutdown came first
    kInstallerStarted,
  };

  Updater(Settings settings, MessageSink post);
  ~Updater() override;

  // Queues `code` and starts the thread for it, then waits up to one second
  // for it to end (a quick check is then answered before the caller
  // returns). false, with nothing queued, while a job runs or after
  // Shutdown. Unknown codes are dropped by the thread.
  bool RunTask(int code);

  // Stops a transfer in progress and waits for the thread. For the dialog
  // closing; RunTask refuses from then on.
  void Shutdown();

  const Nuvex::CString& LocalVersion() const { return settings_.localVersion; }
  // The version read by the last check, "" before one succeeded.
  Nuvex::CString ServerVersion() const;

  std::string SoftwareFolderUrl() const;
  std::string VersionFileUrl() const;
  std::string ArchiveUrl(const std::string& version) const;
  const std::string& TempFolder() const { return tempFolder_; }
  std::string ArchivePath(const std::string& version) const;
  std::string InstallerPath(const std::string& version) const;

  // The two tasks as the thread runs them, posting their messages. Public so
  // that the flow can be driven directly; never while the thread runs.
  CheckResult Check();
  InstallResult DownloadAndInstall();

 protected:
  void ThreadBody() override;

 private:
  bool PrepareTempFolder() const;

  const Settings settings_;
  const std::string tempFolder_;
  const MessageSink post_;
  HttpClient http_;
  std::atomic<bool> shutDown_{false};

  std::mutex tasksMutex_;
  std::deque<int> tasks_;

  mutable std::mutex versionMutex_;
  std::string serverVersion_;
};

}  // namespace Zorvane
