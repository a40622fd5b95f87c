#pragma once

#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace Platform {

class X11Clipboard;

// Types a text into the focused window of the X display ($DISPLAY) the way a
// user pastes it: the text goes onto the CLIPBOARD selection and Ctrl+V is
// synthesised (XTest). Afterwards the clipboard gets back the text it held
// before, served by a thread of this object until another program claims the
// clipboard; when it held no text, it is left empty. The typer uses an X
// connection of its own, so any thread may call Type (calls are serialised).
// Keep one object for the life of the program: the previous text is served
// only as long as it exists.
class TextTyper {
 public:
  struct Timing {
    std::chrono::milliseconds keyHold{100};      // between pressing and releasing V
    std::chrono::milliseconds pasteLimit{2000};  // serving the text after the key press, at most
    std::chrono::milliseconds afterPaste{100};   // served on after the last request (more targets may follow)
    std::chrono::milliseconds fetchLimit{1000};  // waiting for each answer of the clipboard's previous owner
  };

  TextTyper();
  explicit TextTyper(Timing timing);
  ~TextTyper();
  TextTyper(const TextTyper&) = delete;
  TextTyper& operator=(const TextTyper&) = delete;

  // Pastes `utf8` (an empty text pastes an empty clipboard). True when Ctrl+V
  // was sent; false without a display or the XTest extension, or when the
  // clipboard could not be taken. Returns after the paste was requested and
  // served, or after Timing::pasteLimit.
  bool Type(const std::string& utf8);

 private:
  bool TypeOnDisplay(const std::string& utf8);
  void StopKeeper();
  void StartKeeper();
  void Keep();

  Timing timing_;
  std::mutex typing_;
  std::unique_ptr<X11Clipboard> clipboard_;  // used by Type, or by the keeper thread while it runs
  std::thread keeper_;
  int wakeFd_ = -1;
};

}  // namespace Platform
