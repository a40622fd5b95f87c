// The program's entry: one instance per user, the process prepared, then the
// application runs until it is told to end.

#include <dlfcn.h>
#include <signal.h>

#include <cstdio>

#include "app/config/Language.h"
#include "app/device/DeviceManager.h"
#include "app/device/DeviceWorker.h"
#include "app/device/HidapiBackend.h"
#include "app/device/TaskCode.h"
#include "app/device/sim/SimulatorBackend.h"
#include "app/shell/Startup.h"
#include "platform/Paths.h"
#include "platform/SingleInstance.h"
#include "toolkit/core/Manager.h"

using namespace Zorvane;

int main(int argc, char** argv) {
  // Termination requests are taken synchronously below; blocking them first
  // makes every thread started later inherit the mask.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  sigaddset(&stopSignals, SIGHUP);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  // One instance per user. The lock's folder may be the data folder, which
  // must exist before it can hold the lock.
  std::string lockPath = Startup::InstanceLockPath();
  Platform::CreateFolderTree(lockPath.substr(0, lockPath.rfind('/')));
  Platform::SingleInstance instance;
  if (instance.Acquire(lockPath) == Platform::SingleInstance::Result::AlreadyRunning) return 0;
  // A lock that cannot be taken at all (no writable folder) must not keep the
  // user from the program: it runs without the guard.

  int languageId = Startup::ChooseRunLanguage();
  Language::SetLanguageId(languageId);
  Nuvex::Manager::SetInstance(dlopen(nullptr, RTLD_NOW | RTLD_NOLOAD));
  Platform::CreateFolderTree(Startup::DatabaseFolder());  // a failure shows later, when the store opens
  bool startHidden = Startup::IsAutorun(Startup::CommandLine(argc, argv));

  // Where devices come from is decided once; nothing after this knows.
  bool simulate = Startup::WantsSimulator(argc, argv);
  if (simulate) {
    DeviceManager::Install(MakeDefaultSimulator());
  } else {
    DeviceManager::Install(std::make_unique<HidapiBackend>());
  }

  DeviceWorker worker;
  worker.Queue(kInitialReadBack);
  worker.Start();

  std::fprintf(stderr, "zorvane: running without a window (language %d, %s start, %s); Ctrl+C ends it\n", languageId,
               startHidden ? "hidden" : "visible", simulate ? "simulated mouse" : "system HID devices");
  int signal = 0;
  sigwait(&stopSignals, &signal);

  worker.JoinThread();  // the worker ends before anything it uses is torn down
  return 0;
}
