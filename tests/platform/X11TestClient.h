#pragma once

#include <X11/Xlib.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace PlatformTest {

// Another program on the test display, as the clipboard code meets it: a
// window that takes the input focus and pastes on Ctrl+V, and a clipboard
// owner. Holds a lock file for the display while it lives, so tests in
// parallel processes never share the focus or the clipboard.
class X11TestClient {
 public:
  using Milliseconds = std::chrono::milliseconds;

  X11TestClient();
  ~X11TestClient();
  X11TestClient(const X11TestClient&) = delete;
  X11TestClient& operator=(const X11TestClient&) = delete;

  bool Connected() const { return display_ != nullptr; }

  struct Received {
    bool refused = false;
    std::string type;  // the answer's type name; for INCR the pieces' type
    std::string data;  // text as sent; atom lists as sorted names joined by ' '
  };

  // Maps the window and gives it the input focus.
  bool ShowFocusedWindow();
  // Ctrl+V requests CLIPBOARD as `target` ("" = no paste), `delay` after the key press; with
  // `forgeFirst` a request naming a window that does not exist is sent to the
  // owner first; with `copyAfter` the clipboard is claimed with that text as
  // soon as the paste has arrived.
  void SetPasting(const std::string& target, Milliseconds delay = Milliseconds(0), bool forgeFirst = false,
                  std::optional<std::string> copyAfter = std::nullopt);
  const std::vector<Received>& Pastes() const { return pastes_; }

  enum class Offer { Utf8, Latin1Only, ImageOnly };
  // Owns CLIPBOARD with `data`; `incremental` serves it in INCR pieces.
  bool OwnClipboard(const std::string& data, Offer offer, bool incremental = false);
  // Until another client claims the clipboard.
  bool OwnsClipboard() const { return owns_; }
  bool ClipboardHasOwner();
  // Leaves the clipboard without an owner.
  void ClearClipboard();

  // Handles events until `done` holds; false when `limit` passed first.
  bool RunUntil(const std::function<bool()>& done, Milliseconds limit = Milliseconds(10000));
  // Asks for the clipboard as `target` and waits for the whole answer.
  std::optional<Received> Request(const std::string& target, Milliseconds limit = Milliseconds(5000));

 private:
  void Handle(XEvent& event);
  void StartRead(Atom target);
  void FinishRead(Received received);
  void Serve(const XSelectionRequestEvent& request);
  std::string ReadAndDelete(Atom& type, int& format);
  Atom Intern(const char* name) const;
  std::string Name(Atom atom) const;

  int lockFd_ = -1;
  Display* display_ = nullptr;
  Window window_ = 0;
  Atom clipboard_ = 0, pasted_ = 0, incr_ = 0;

  // Pasting.
  Atom pasteTarget_ = 0;
  Milliseconds pasteDelay_{0};
  bool forgeFirst_ = false;
  std::optional<std::string> copyAfter_;
  std::optional<std::chrono::steady_clock::time_point> pasteDue_;
  std::vector<Received> pastes_;

  // The read in progress (one at a time).
  bool reading_ = false;
  bool readIsPaste_ = false;
  bool readIncremental_ = false;
  Received read_;
  std::optional<Received> requested_;

  // Owning.
  bool owns_ = false;
  Time ownedSince_ = 0;
  std::string ownData_;
  Offer offer_ = Offer::Utf8;
  bool incremental_ = false;
  Window incrRequestor_ = 0;
  Atom incrProperty_ = 0;
  std::size_t incrOffset_ = 0;
  bool incrActive_ = false;
};

}  // namespace PlatformTest
