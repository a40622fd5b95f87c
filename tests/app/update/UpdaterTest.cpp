#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>
#include <thread>
#include <tuple>
#include <vector>

#include "app/update/Updater.h"
#include "tests/support/HttpsTestServer.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestArchive.h"
#include "tests/support/WaitFor.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Nuvex::CString;
using TestSupport::HttpsTestServer;
using TestSupport::ReadFile;
using TestSupport::TestArchive;
using TestSupport::WaitFor;
using TestSupport::WriteFile;
using Zorvane::Updater;

namespace {

using Message = std::tuple<unsigned, long, long>;
const Message kNewer{Zorvane::kMsgUpdateResult, Zorvane::kUpdateChecked, 1};
const Message kNotNewer{Zorvane::kMsgUpdateResult, Zorvane::kUpdateChecked, 0};
const Message kInstallerStarted{Zorvane::kMsgUpdateResult, Zorvane::kUpdateInstallerStarted, 0};
constexpr char kRelease[] = "software-upgrade/Velmora/release/";

// What the dialog's window would receive, minus the progress messages.
class MessageLog {
 public:
  Zorvane::MessageSink Sink() {
    return [this](unsigned message, long wParam, long lParam) {
      std::lock_guard lock(mutex_);
      if (message == Zorvane::kMsgUpdateProgress) {
        EXPECT_GE(lParam, lastProgress_);
        EXPECT_LE(lParam, 100);
        lastProgress_ = lParam;
      } else {
        messages_.emplace_back(message, wParam, lParam);
      }
    };
  }
  std::vector<Message> Messages() const {
    std::lock_guard lock(mutex_);
    return messages_;
  }
  bool Has(const Message& wanted) const {
    std::lock_guard lock(mutex_);
    return std::find(messages_.begin(), messages_.end(), wanted) != messages_.end();
  }
  long LastProgress() const {
    std::lock_guard lock(mutex_);
    return lastProgress_;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<Message> messages_;
  long lastProgress_ = -1;
};

class UpdaterTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    for (const char* name : {"https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"}) unsetenv(name);
    server_ = new HttpsTestServer();
    ASSERT_TRUE(server_->Start()) << server_->Log();
  }
  static void TearDownTestSuite() {
    delete server_;
    server_ = nullptr;
  }

  // A server folder of its own for each use, "<site>/software-upgrade/...".
  Updater::Settings SettingsFor(const std::string& site) const {
    Updater::Settings settings;
    settings.baseUrl = server_->Url(site + "/");
    settings.localVersion = u"1.0.10";
    settings.tempFolder = temp_ / "data/temp";
    settings.elevator = elevator_;
    settings.http.caFile = server_->CaFile();
    settings.http.connectTimeoutMs = 1000;
    settings.http.lowSpeedBytesPerSecond = 50000;
    settings.http.lowSpeedSeconds = 1;
    return settings;
  }

  void PutVersion(const std::string& site, const std::string& version) const {
    server_->Put(site + "/" + kRelease + "version", version);
  }

  // The installer the archive carries: it notes its path in marker_.
  std::string InstallerScript() const { return "#!/bin/sh\necho \"$0\" > '" + marker_ + "'\n"; }

  void PutArchive(const std::string& site, const TestArchive& archive) const {
    const std::string path = server_->Root() + "/" + site + "/" + kRelease + "mouse-setup-1.0.11.zip";
    fs::create_directories(fs::path(path).parent_path());
    ASSERT_TRUE(archive.Write(path, temp_.Path()));
  }

  void SetUp() override {
    // Stands in for pkexec: notes what it was asked to run, then runs it.
    WriteFile(elevator_, "#!/bin/sh\necho \"$@\" > '" + elevatorLog_ + "'\nexec \"$@\"\n");
    fs::permissions(elevator_, fs::perms::owner_all);
  }

  static HttpsTestServer* server_;
  TestSupport::TempFolder temp_;
  const std::string elevator_ = temp_ / "fake-pkexec";
  const std::string elevatorLog_ = temp_ / "elevator.log";
  const std::string marker_ = temp_ / "installer-ran";
};

HttpsTestServer* UpdaterTest::server_ = nullptr;

}  // namespace

TEST_F(UpdaterTest, CheckPostsWhetherTheServerVersionIsNewer) {
  struct Case {
    const char* body;  // nullptr: no version file
    Updater::CheckResult result;
  };
  const Case cases[] = {
      {"1.0.11", Updater::CheckResult::kNewer},
      {"1.0.10", Updater::CheckResult::kNotNewer},
      {"1.0.9", Updater::CheckResult::kNotNewer},
      {"1.1", Updater::CheckResult::kNewer},     // fewer parts, but newer
      {"1.0", Updater::CheckResult::kNotNewer},  // fewer parts and older: never offered
      {"1.0.10.1", Updater::CheckResult::kNewer},
      // Silently ignored: 11 characters, trailing line end, not a version, no file.
      {"1.0.11\r\n\r\n\r", Updater::CheckResult::kSilent},
      {"1.0.11\n", Updater::CheckResult::kSilent},
      {"../../x", Updater::CheckResult::kSilent},
      {nullptr, Updater::CheckResult::kSilent},
  };
  int site = 0;
  for (const Case& c : cases) {
    const std::string name = "check" + std::to_string(site++);
    if (c.body) PutVersion(name, c.body);
    MessageLog log;
    Updater updater(SettingsFor(name), log.Sink());
    const std::string what = c.body ? c.body : "(missing)";
    EXPECT_EQ(updater.Check(), c.result) << what;
    switch (c.result) {
      case Updater::CheckResult::kNewer:
        EXPECT_EQ(log.Messages(), std::vector<Message>{kNewer}) << what;
        break;
      case Updater::CheckResult::kNotNewer:
        EXPECT_EQ(log.Messages(), std::vector<Message>{kNotNewer}) << what;
        break;
      case Updater::CheckResult::kSilent:
        EXPECT_TRUE(log.Messages().empty()) << what;
        break;
    }
    EXPECT_EQ(updater.ServerVersion().ToUtf8(), c.result == Updater::CheckResult::kSilent ? "" : c.body) << what;
  }
}

TEST_F(UpdaterTest, TasksRunOnTheThreadAndStartTheUnpackedInstaller) {
  // Once through the elevator, once started directly because it is missing.
  for (bool withElevator : {true, false}) {
    const std::string site = withElevator ? "install-elevated" : "install-direct";
    PutVersion(site, "1.0.11");
    TestArchive archive;
    archive.File("mouse-setup-1.0.11.run", InstallerScript()).File("docs/notes.txt", "notes");
    PutArchive(site, archive);
    fs::remove(marker_);
    fs::remove(elevatorLog_);

    MessageLog log;
    Updater::Settings settings = SettingsFor(site);
    if (!withElevator) settings.elevator = temp_ / "no-such-pkexec";
    Updater updater(settings, log.Sink());
    ASSERT_TRUE(updater.RunTask(Updater::kTaskCheck));
    ASSERT_TRUE(WaitFor([&] { return log.Has(kNewer); }));
    EXPECT_EQ(updater.ServerVersion().ToUtf8(), "1.0.11");

    ASSERT_TRUE(WaitFor([&] { return updater.RunTask(Updater::kTaskInstall); }));
    ASSERT_TRUE(WaitFor([&] { return log.Has(kInstallerStarted); }, 10s)) << site;
    EXPECT_EQ(log.LastProgress(), 100);

    const std::string installer = updater.InstallerPath("1.0.11");
    EXPECT_EQ(installer, temp_ / "data/temp/mouse-setup-1.0.11.run");
    ASSERT_TRUE(WaitFor([&] { return ReadFile(marker_) == installer + "\n"; })) << site;
    EXPECT_EQ(ReadFile(elevatorLog_), withElevator ? installer + "\n" : "");
    struct stat info {};
    ASSERT_EQ(stat(installer.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0700u);
    ASSERT_EQ(stat(updater.TempFolder().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0700u);
    EXPECT_FALSE(fs::exists(updater.ArchivePath("1.0.11")));  // unpacked completely, so removed
    EXPECT_EQ(ReadFile(updater.TempFolder() + "/docs/notes.txt"), "notes");
  }
}

TEST_F(UpdaterTest, OnlyAnInstallerThisRunUnpackedCompletelyIsStarted) {
  struct Case {
    const char* what;
    bool serveArchive;
    TestArchive archive;
    Updater::InstallResult result;
  };
  const Case cases[] = {
      {"no installer in the archive", true, TestArchive().File("docs/notes.txt", "notes"),
       Updater::InstallResult::kNoInstaller},
      {"installer below the top level", true, TestArchive().Executable("sub/mouse-setup-1.0.11.run", InstallerScript()),
       Updater::InstallResult::kNoInstaller},
      {"archive with a refused entry", true,
       TestArchive().Executable("mouse-setup-1.0.11.run", InstallerScript()).File("../evil.txt", "evil"),
       Updater::InstallResult::kUnpackFailed},
      {"no archive on the server", false, TestArchive(), Updater::InstallResult::kDownloadFailed},
  };
  int site = 0;
  for (const Case& c : cases) {
    const std::string name = "refuse" + std::to_string(site++);
    PutVersion(name, "1.0.11");
    if (c.serveArchive) PutArchive(name, c.archive);
    MessageLog log;
    Updater updater(SettingsFor(name), log.Sink());
    // An installer left by an earlier run must not be started either.
    const std::string stale = InstallerScript() + "# left by an earlier run\n";
    fs::create_directories(updater.TempFolder());
    WriteFile(updater.InstallerPath("1.0.11"), stale);
    fs::permissions(updater.InstallerPath("1.0.11"), fs::perms::owner_all);

    ASSERT_EQ(updater.Check(), Updater::CheckResult::kNewer) << c.what;
    EXPECT_EQ(updater.DownloadAndInstall(), c.result) << c.what;
    EXPECT_FALSE(log.Has(kInstallerStarted)) << c.what;
    EXPECT_NE(ReadFile(updater.InstallerPath("1.0.11")), stale) << c.what;
    EXPECT_FALSE(fs::exists(marker_)) << c.what;
    EXPECT_FALSE(fs::exists(temp_ / "data/evil.txt")) << c.what;
  }

  // Without a successful check there is no version to fetch.
  MessageLog log;
  Updater unchecked(SettingsFor("refuse0"), log.Sink());
  EXPECT_EQ(unchecked.DownloadAndInstall(), Updater::InstallResult::kNoVersion);
}

TEST_F(UpdaterTest, TemporaryFolderMustBePrivateAndNotALink) {
  PutVersion("folder", "1.0.11");
  PutArchive("folder", TestArchive().File("mouse-setup-1.0.11.run", InstallerScript()));

  // A link: refused, and nothing reaches the folder it points to.
  const std::string elsewhere = temp_ / "elsewhere";
  fs::create_directories(elsewhere);
  fs::create_directories(temp_ / "data");
  fs::create_directory_symlink(elsewhere, temp_ / "data/temp");
  {
    MessageLog log;
    Updater updater(SettingsFor("folder"), log.Sink());
    ASSERT_EQ(updater.Check(), Updater::CheckResult::kNewer);
    EXPECT_EQ(updater.DownloadAndInstall(), Updater::InstallResult::kFolderRefused);
    EXPECT_TRUE(fs::is_empty(elsewhere));
  }

  // An existing folder others could write to is made private first.
  fs::remove(temp_ / "data/temp");
  fs::create_directories(temp_ / "data/temp");
  fs::permissions(temp_ / "data/temp", fs::perms::owner_all | fs::perms::group_all | fs::perms::others_all);
  MessageLog log;
  Updater updater(SettingsFor("folder"), log.Sink());
  ASSERT_EQ(updater.Check(), Updater::CheckResult::kNewer);
  EXPECT_EQ(updater.DownloadAndInstall(), Updater::InstallResult::kInstallerStarted);
  struct stat info {};
  ASSERT_EQ(stat((temp_ / "data/temp").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0700u);
  EXPECT_TRUE(WaitFor([&] { return fs::exists(marker_); }));
}

TEST_F(UpdaterTest, OneJobAtATimeAndShutdownStopsARunningDownload) {
  PutVersion("stall", "1.0.11");
  // The archive stalls after its first 20480 bytes; only Shutdown ends that in time.
  server_->Put(std::string("stall/") + kRelease + "mouse-setup-1.0.11.zip", std::string(200000, 'z'));
  server_->Put(std::string("stall/") + kRelease + "mouse-setup-1.0.11.zip.stall", "");
  Updater::Settings settings = SettingsFor("stall");
  settings.http.lowSpeedSeconds = 60;
  MessageLog log;
  auto updater = std::make_unique<Updater>(settings, log.Sink());

  ASSERT_TRUE(updater->RunTask(Updater::kTaskCheck));
  ASSERT_TRUE(WaitFor([&] { return log.Has(kNewer); }));
  ASSERT_TRUE(WaitFor([&] { return updater->RunTask(Updater::kTaskInstall); }));
  ASSERT_TRUE(WaitFor([&] { return log.LastProgress() >= 10; }));
  EXPECT_FALSE(updater->RunTask(Updater::kTaskCheck));  // the download still runs

  std::atomic<bool> shutDown{false};
  std::thread closer([&] {
    updater->Shutdown();
    shutDown = true;
  });
  EXPECT_TRUE(WaitFor([&] { return shutDown.load(); }, 10s));
  closer.join();
  const std::size_t posted = log.Messages().size();
  EXPECT_FALSE(updater->RunTask(Updater::kTaskCheck));
  updater.reset();
  EXPECT_EQ(log.Messages().size(), posted);
  EXPECT_FALSE(log.Has(kInstallerStarted));
  EXPECT_FALSE(fs::exists(temp_ / "data/temp/mouse-setup-1.0.11.zip"));
}
