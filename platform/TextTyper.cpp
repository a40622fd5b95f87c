#include "platform/TextTyper.h"

#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <system_error>

#include "platform/X11Clipboard.h"

namespace Platform {

TextTyper::TextTyper() : TextTyper(Timing{}) {}

TextTyper::TextTyper(Timing timing) : timing_(timing) {}

TextTyper::~TextTyper() {
  std::lock_guard lock(typing_);
  StopKeeper();
  clipboard_.reset();
  if (wakeFd_ >= 0) close(wakeFd_);
}

bool TextTyper::Type(const std::string& utf8) {
  std::lock_guard lock(typing_);
  StopKeeper();
  if (clipboard_ && !clipboard_->Usable()) clipboard_.reset();  // the server went away: connect anew
  if (!clipboard_) {
    auto clipboard = std::make_unique<X11Clipboard>();
    if (!clipboard->Open()) return false;
    clipboard_ = std::move(clipboard);
  }
  bool typed = TypeOnDisplay(utf8);
  if (clipboard_->Owns() || clipboard_->TransfersPending()) StartKeeper();
  return typed;
}

bool TextTyper::TypeOnDisplay(const std::string& utf8) {
  using Clock = X11Clipboard::Clock;
  Display* display = clipboard_->Connection();
  int eventBase = 0, errorBase = 0, major = 0, minor = 0;
  if (!XTestQueryExtension(display, &eventBase, &errorBase, &major, &minor)) return false;
  KeyCode control = XKeysymToKeycode(display, XK_Control_L);
  KeyCode v = XKeysymToKeycode(display, XK_v);
  if (control == 0 || v == 0) return false;

  // What the clipboard held before, to give it back afterwards.
  std::optional<std::string> previous = clipboard_->FetchText(timing_.fetchLimit);
  if (!clipboard_->Own(utf8)) return false;

  Clock::time_point pressed = Clock::now();
  XTestFakeKeyEvent(display, control, True, CurrentTime);
  XTestFakeKeyEvent(display, v, True, CurrentTime);
  XFlush(display);
  // Programs often paste on the key press: serve while the keys are held.
  Clock::time_point release = pressed + timing_.keyHold;
  while (Clock::now() < release && clipboard_->Pump(release) != X11Clipboard::Wake::Broken) {
  }
  if (!clipboard_->Usable()) return true;  // the server is gone, and with it the keys it held
  XTestFakeKeyEvent(display, v, False, CurrentTime);
  XTestFakeKeyEvent(display, control, False, CurrentTime);
  XFlush(display);

  Clock::time_point limit = pressed + timing_.pasteLimit;
  while (clipboard_->Usable() && clipboard_->Owns()) {
    Clock::time_point until = limit;
    if (clipboard_->PastesServed() > 0 && !clipboard_->TransfersPending())
      until = std::min(limit, clipboard_->LastPaste() + timing_.afterPaste);
    if (Clock::now() >= until) break;
    clipboard_->Pump(until);
  }

  // Give the previous text back, unless another program has claimed the
  // clipboard meanwhile: what it holds now is newer than both.
  if (clipboard_->Usable() && clipboard_->Owns()) {
    if (previous)
      clipboard_->Own(*previous);
    else
      clipboard_->Disown();
  }
  return true;
}

void TextTyper::StartKeeper() {
  if (wakeFd_ < 0) wakeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (wakeFd_ < 0) return;  // the text is then served until the next Type only
  try {
    keeper_ = std::thread(&TextTyper::Keep, this);
  } catch (const std::system_error&) {
  }
}

void TextTyper::StopKeeper() {
  if (!keeper_.joinable()) return;
  std::uint64_t one = 1;
  [[maybe_unused]] ssize_t written = write(wakeFd_, &one, sizeof one);
  keeper_.join();
  std::uint64_t drained = 0;
  [[maybe_unused]] ssize_t taken = read(wakeFd_, &drained, sizeof drained);
}

void TextTyper::Keep() {
  // Ends when told to, when another program claims the clipboard and the last
  // transfer is done, or when the connection breaks.
  using Clock = X11Clipboard::Clock;
  while (clipboard_->Owns() || clipboard_->TransfersPending()) {
    // Without the selection only transfers remain; looking again each second
    // lets stalled ones be dropped.
    auto until =
        Clock::now() + (clipboard_->Owns() ? std::chrono::hours(24) : std::chrono::hours(0)) + std::chrono::seconds(1);
    X11Clipboard::Wake wake = clipboard_->Pump(until, wakeFd_);
    if (wake == X11Clipboard::Wake::Woken || wake == X11Clipboard::Wake::Broken) break;
  }
}

}  // namespace Platform
