#pragma once

#include <X11/Xlib.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace Platform {

// The CLIPBOARD selection through a private X connection and an unmapped
// window of its own: reads the current owner's text and owns the selection
// with a text of ours, serving it as UTF-8 (UTF8_STRING, TEXT,
// text/plain;charset=utf-8) and Latin-1 (STRING), also in increments (INCR)
// and through MULTIPLE. Events are handled only while one of the waiting
// calls runs. Not thread-safe: one thread at a time uses an object.
class X11Clipboard {
 public:
  using Clock = std::chrono::steady_clock;

  X11Clipboard() = default;
  ~X11Clipboard();
  X11Clipboard(const X11Clipboard&) = delete;
  X11Clipboard& operator=(const X11Clipboard&) = delete;

  // Connects to $DISPLAY and makes the window; false when there is no display.
  bool Open();
  // Open and the connection still works.
  bool Usable() const { return display_ != nullptr && !broken_; }
  Display* Connection() const { return display_; }

  // The text the clipboard holds now, as UTF-8: ours when we own it, else the
  // owner's (asked for UTF-8, then Latin-1). Nothing when no one owns it, the
  // owner offers no text, or it does not answer in time (every answer, and
  // every increment, must come within `patience`).
  std::optional<std::string> FetchText(Clock::duration patience);

  // Owns the selection with `text`, with a server time stamp so the change is
  // ordered against other clients' claims.
  bool Own(const std::string& text);
  // Gives the selection up when we still own it: the clipboard is empty then.
  void Disown();
  // We own it: no other client has claimed it since Own.
  bool Owns() const { return owns_; }
  bool TransfersPending() const { return !transfers_.empty(); }

  // Requests for the text (not for TARGETS and the like) answered so far, and
  // when the last one came.
  int PastesServed() const { return pastesServed_; }
  Clock::time_point LastPaste() const { return lastPaste_; }

  enum class Wake { Events, Deadline, Woken, Broken };
  // Waits until events arrive, `deadline` passes or `wakeFd` (when >= 0)
  // becomes readable, then handles every queued event.
  Wake Pump(Clock::time_point deadline, int wakeFd = -1);

 private:
  struct Transfer {
    Window requestor;
    Atom property;
    Atom type;
    std::string data;
    std::size_t offset;
    Clock::time_point lastActivity;
  };

  void Close();
  // Waits for an event `wanted` accepts (handling all others meanwhile).
  bool WaitForEvent(Clock::time_point deadline, const std::function<bool(const XEvent&)>& wanted, XEvent& found);
  void Handle(const XEvent& event);
  void AnswerRequest(const XSelectionRequestEvent& request);
  bool Convert(Window requestor, Atom target, Atom property);
  bool AnswerMultiple(Window requestor, Atom property, bool& served);
  void ContinueTransfer(const XPropertyEvent& event);
  void DropStaleTransfers();
  bool ServerTime(Time& time);
  std::optional<std::string> FetchAs(Atom target, Clock::duration patience, bool& answered);
  std::optional<std::string> ReadProperty(Atom& type, int& format);
  std::optional<std::string> ReadIncrements(Clock::duration patience, Atom& type);
  std::size_t PieceBytes() const;

  static int IgnoreErrors(Display* display, XErrorEvent* error);
  static int IgnoreIOErrors(Display* display);
  static void ConnectionLost(Display* display, void* clipboard);

  Display* display_ = nullptr;
  Window window_ = 0;
  bool broken_ = false;
  bool owns_ = false;
  Time ownedSince_ = 0;
  std::string text_;
  std::vector<Transfer> transfers_;
  int pastesServed_ = 0;
  Clock::time_point lastPaste_{};

  Atom clipboard_ = 0, targets_ = 0, timestamp_ = 0, multiple_ = 0, atomPair_ = 0, incr_ = 0, utf8_ = 0,
       textTarget_ = 0, plainUtf8_ = 0, string_ = 0, integer_ = 0, atom_ = 0, received_ = 0, stamp_ = 0;
};

}  // namespace Platform
