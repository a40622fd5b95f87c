#pragma once

#include <functional>

namespace Zorvane {

// What the update work tells the settings dialog. The work runs on the
// dialog's update thread; the dialog binds the sink to its window's
// PostMessage, so the sink must be callable from that thread and must not
// wait for the UI thread.
using MessageSink = std::function<void(unsigned message, long wParam, long lParam)>;

// Download progress: wParam 0, lParam 0..100, sent only when the value
// changes. The dialog ignores it.
constexpr unsigned kMsgUpdateProgress = 0x69A;

// Result of update work.
//   wParam kUpdateChecked: lParam 1 = a newer version was found (read it with
//     Updater::ServerVersion), 0 = the server's version is not newer.
//   wParam kUpdateInstallerStarted: the installer runs; the UI thread ends
//     the program. A background thread never ends the process itself.
constexpr unsigned kMsgUpdateResult = 0x721;
constexpr long kUpdateChecked = 1;
constexpr long kUpdateInstallerStarted = 2;

}  // namespace Zorvane
