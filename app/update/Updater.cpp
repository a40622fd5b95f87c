#include "app/update/Updater.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <utility>

#include "app/shell/Startup.h"
#include "app/update/InstallerLauncher.h"
#include "app/update/Versions.h"
#include "platform/Paths.h"

namespace Zorvane {
namespace {

constexpr char kSoftwareFolder[] = "software-upgrade/Velmora/release/";
constexpr char kVersionFile[] = "version";
constexpr char kSetupPrefix[] = "mouse-setup-";
// Longer version files are not accepted, so no more is ever read.
constexpr std::size_t kMaxVersionBytes = 10;
constexpr int kThreadIntervalMs = 100;

std::string ArchiveName(const std::string& version) {
  return kSetupPrefix + version + ".zip";
}

std::string InstallerName(const std::string& version) {
  return kSetupPrefix + version + ".run";
}

// Removes a file left by an earlier run; true when nothing is at `path` now.
bool RemoveStale(const std::string& path) {
  return unlink(path.c_str()) == 0 || errno == ENOENT;
}

}  // namespace

Updater::Updater(Settings settings, MessageSink post)
    : settings_(std::move(settings)),
      tempFolder_(settings_.tempFolder.empty() ? Startup::DataFolder() + "/temp" : settings_.tempFolder),
      post_(std::move(post)),
      http_(settings_.http) {}

Updater::~Updater() {
  Shutdown();
}

bool Updater::RunTask(int code) {
  if (shutDown_.load()) return false;
  {
    std::lock_guard lock(tasksMutex_);
    tasks_.push_back(code);
  }
  if (!StartThread(kThreadIntervalMs, false)) {  // a job still runs
    std::lock_guard lock(tasksMutex_);
    if (!tasks_.empty()) tasks_.pop_back();
    return false;
  }
  StopThread();  // waits at most a second; the job itself carries on
  return true;
}

void Updater::Shutdown() {
  shutDown_.store(true);
  http_.Stop();
  JoinThread();
}

void Updater::ThreadBody() {
  int code = 0;
  {
    std::lock_guard lock(tasksMutex_);
    if (tasks_.empty()) return;
    code = tasks_.front();
    tasks_.pop_front();
  }
  if (shutDown_.load()) return;
  if (code == kTaskCheck)
    Check();
  else if (code == kTaskInstall)
    DownloadAndInstall();
}

Nuvex::CString Updater::ServerVersion() const {
  std::lock_guard lock(versionMutex_);
  return Nuvex::CString::FromUtf8(serverVersion_);
}

std::string Updater::SoftwareFolderUrl() const {
  std::string url = settings_.baseUrl;
  if (url.empty() || url.back() != '/') url += '/';
  return url + kSoftwareFolder;
}

std::string Updater::VersionFileUrl() const {
  return SoftwareFolderUrl() + kVersionFile;
}

std::string Updater::ArchiveUrl(const std::string& version) const {
  // The server layout has always had two more slashes after the folder's own.
  return SoftwareFolderUrl() + "//" + ArchiveName(version);
}

std::string Updater::ArchivePath(const std::string& version) const {
  return tempFolder_ + "/" + ArchiveName(version);
}

std::string Updater::InstallerPath(const std::string& version) const {
  return tempFolder_ + "/" + InstallerName(version);
}

Updater::CheckResult Updater::Check() {
  {
    std::lock_guard lock(versionMutex_);
    serverVersion_.clear();
  }
  std::string text;
  if (http_.FetchText(VersionFileUrl(), text, kMaxVersionBytes) != HttpClient::kComplete) return CheckResult::kSilent;
  if (!IsAcceptableServerVersion(text)) return CheckResult::kSilent;
  {
    std::lock_guard lock(versionMutex_);
    serverVersion_ = text;
  }
  const bool newer = IsNewerVersion(settings_.localVersion, Nuvex::CString::FromUtf8(text));
  if (post_) post_(kMsgUpdateResult, kUpdateChecked, newer ? 1 : 0);
  return newer ? CheckResult::kNewer : CheckResult::kNotNewer;
}

Updater::InstallResult Updater::DownloadAndInstall() {
  std::string version;
  {
    std::lock_guard lock(versionMutex_);
    version = serverVersion_;
  }
  if (!IsAcceptableServerVersion(version)) return InstallResult::kNoVersion;
  if (!PrepareTempFolder()) return InstallResult::kFolderRefused;
  const std::string archive = ArchivePath(version);
  const std::string installer = InstallerPath(version);
  // Only what this run unpacks may be started, never a file left behind.
  if (!RemoveStale(archive) || !RemoveStale(installer)) return InstallResult::kFolderRefused;

  const int downloaded = http_.DownloadFile(ArchiveUrl(version), archive, post_);
  if (downloaded == HttpClient::kStopped || shutDown_.load()) return InstallResult::kStopped;
  if (downloaded != HttpClient::kComplete) return InstallResult::kDownloadFailed;

  ZipExtractor extractor(settings_.zip);
  if (!extractor.ExtractAll(archive, tempFolder_)) return InstallResult::kUnpackFailed;
  unlink(archive.c_str());
  const std::vector<std::string>& unpacked = extractor.Extracted();
  if (std::find(unpacked.begin(), unpacked.end(), InstallerName(version)) == unpacked.end())
    return InstallResult::kNoInstaller;
  if (chmod(installer.c_str(), 0700) != 0) return InstallResult::kStartFailed;

  if (shutDown_.load()) return InstallResult::kStopped;
  if (!InstallerLauncher::Start(installer, settings_.elevator)) return InstallResult::kStartFailed;
  if (post_) post_(kMsgUpdateResult, kUpdateInstallerStarted, 0);
  return InstallResult::kInstallerStarted;
}

bool Updater::PrepareTempFolder() const {
  if (!Platform::CreateFolderTree(tempFolder_, 0700)) return false;
  // Only the user may write here, or another local user could swap the
  // installer between unpacking and starting it.
  const int fd = open(tempFolder_.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;  // a link, or not a folder
  struct stat info {};
  bool ok = fstat(fd, &info) == 0 && info.st_uid == geteuid();
  if (ok && (info.st_mode & 07777) != 0700) ok = fchmod(fd, 0700) == 0;
  close(fd);
  return ok;
}

}  // namespace Zorvane
