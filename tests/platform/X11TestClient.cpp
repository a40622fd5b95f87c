#include "tests/platform/X11TestClient.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <thread>

namespace PlatformTest {

namespace {

constexpr std::size_t kIncrPiece = 64 * 1024;

std::string LockPath() {
  std::string display = std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "";
  std::replace(display.begin(), display.end(), '/', '_');
  return "/tmp/zorvane-display-test" + display + ".lock";
}

}  // namespace

X11TestClient::X11TestClient() {
  if (!std::getenv("DISPLAY")) return;
  lockFd_ = open(LockPath().c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (lockFd_ >= 0) flock(lockFd_, LOCK_EX);
  display_ = XOpenDisplay(nullptr);
  if (!display_) return;
  clipboard_ = Intern("CLIPBOARD");
  pasted_ = Intern("TEST_PASTED");
  incr_ = Intern("INCR");
  XSetWindowAttributes attributes{};
  attributes.event_mask = KeyPressMask | PropertyChangeMask | StructureNotifyMask;
  window_ = XCreateWindow(display_, DefaultRootWindow(display_), 10, 10, 200, 100, 0, CopyFromParent, InputOutput,
                          CopyFromParent, CWEventMask, &attributes);
  XSync(display_, False);
}

X11TestClient::~X11TestClient() {
  if (display_) {
    XDestroyWindow(display_, window_);
    XCloseDisplay(display_);
  }
  if (lockFd_ >= 0) close(lockFd_);
}

Atom X11TestClient::Intern(const char* name) const {
  return XInternAtom(display_, name, False);
}

std::string X11TestClient::Name(Atom atom) const {
  if (atom == None) return "None";
  char* name = XGetAtomName(display_, atom);
  std::string result = name ? name : "";
  if (name) XFree(name);
  return result;
}

bool X11TestClient::ShowFocusedWindow() {
  XMapRaised(display_, window_);
  if (!RunUntil([&] {
        XWindowAttributes a;
        return XGetWindowAttributes(display_, window_, &a) && a.map_state == IsViewable;
      }))
    return false;
  XSetInputFocus(display_, window_, RevertToPointerRoot, CurrentTime);
  XSync(display_, False);
  Window focus = 0;
  int revert = 0;
  XGetInputFocus(display_, &focus, &revert);
  return focus == window_;
}

void X11TestClient::SetPasting(const std::string& target, Milliseconds delay, bool forgeFirst,
                               std::optional<std::string> copyAfter) {
  pasteTarget_ = target.empty() ? None : Intern(target.c_str());
  pasteDelay_ = delay;
  forgeFirst_ = forgeFirst;
  copyAfter_ = std::move(copyAfter);
}

bool X11TestClient::OwnClipboard(const std::string& data, Offer offer, bool incremental) {
  // A time stamp from the server, as owners should use.
  XChangeProperty(display_, window_, pasted_, XA_STRING, 8, PropModeAppend, nullptr, 0);
  std::optional<Time> stamp;
  XEvent event;
  while (!stamp) {
    XNextEvent(display_, &event);
    if (event.type == PropertyNotify && event.xproperty.atom == pasted_)
      stamp = event.xproperty.time;
    else
      Handle(event);
  }
  XSetSelectionOwner(display_, clipboard_, window_, *stamp);
  owns_ = XGetSelectionOwner(display_, clipboard_) == window_;
  ownedSince_ = *stamp;
  ownData_ = data;
  offer_ = offer;
  incremental_ = incremental;
  return owns_;
}

void X11TestClient::ClearClipboard() {
  OwnClipboard("", Offer::Utf8);
  XSetSelectionOwner(display_, clipboard_, None, ownedSince_);
  XSync(display_, False);
  owns_ = false;
}

bool X11TestClient::ClipboardHasOwner() {
  return XGetSelectionOwner(display_, clipboard_) != None;
}

bool X11TestClient::RunUntil(const std::function<bool()>& done, Milliseconds limit) {
  auto end = std::chrono::steady_clock::now() + limit;
  for (;;) {
    while (XPending(display_) > 0) {
      XEvent event;
      XNextEvent(display_, &event);
      Handle(event);
    }
    if (pasteDue_ && std::chrono::steady_clock::now() >= *pasteDue_ && !reading_) {
      pasteDue_.reset();
      if (forgeFirst_) {
        XSelectionRequestEvent forged{};
        forged.type = SelectionRequest;
        forged.owner = XGetSelectionOwner(display_, clipboard_);
        forged.requestor = 0x1fffff0;  // no such window
        forged.selection = clipboard_;
        forged.target = Intern("UTF8_STRING");
        forged.property = pasted_;
        forged.time = CurrentTime;
        XSendEvent(display_, forged.owner, False, NoEventMask, reinterpret_cast<XEvent*>(&forged));
      }
      readIsPaste_ = true;
      StartRead(pasteTarget_);
      continue;
    }
    if (done()) return true;
    auto now = std::chrono::steady_clock::now();
    if (now >= end) return false;
    auto wait = std::chrono::duration_cast<Milliseconds>(end - now);
    if (pasteDue_) wait = std::min(wait, std::chrono::duration_cast<Milliseconds>(*pasteDue_ - now));
    pollfd connection{ConnectionNumber(display_), POLLIN, 0};
    poll(&connection, 1, static_cast<int>(std::clamp<long long>(wait.count(), 1, 10)));
  }
}

std::optional<X11TestClient::Received> X11TestClient::Request(const std::string& target, Milliseconds limit) {
  requested_.reset();
  readIsPaste_ = false;
  StartRead(Intern(target.c_str()));
  if (!RunUntil([&] { return requested_.has_value(); }, limit)) return std::nullopt;
  return requested_;
}

void X11TestClient::StartRead(Atom target) {
  reading_ = true;
  readIncremental_ = false;
  read_ = Received{};
  XDeleteProperty(display_, window_, pasted_);
  XConvertSelection(display_, clipboard_, target, pasted_, window_, CurrentTime);
  XFlush(display_);
}

void X11TestClient::FinishRead(Received received) {
  reading_ = false;
  if (!readIsPaste_) {
    requested_ = std::move(received);
    return;
  }
  pastes_.push_back(std::move(received));
  if (copyAfter_) OwnClipboard(*copyAfter_, Offer::Utf8);
}

std::string X11TestClient::ReadAndDelete(Atom& type, int& format) {
  unsigned long count = 0, after = 0;
  unsigned char* raw = nullptr;
  XGetWindowProperty(display_, window_, pasted_, 0, 1 << 24, True, AnyPropertyType, &type, &format, &count, &after,
                     &raw);
  std::string result;
  if (!raw) return result;
  if (type == XA_ATOM && format == 32) {
    std::vector<std::string> names;
    for (unsigned long i = 0; i < count; ++i) names.push_back(Name(reinterpret_cast<Atom*>(raw)[i]));
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) result += (result.empty() ? "" : " ") + name;
  } else if (format == 8) {
    result.assign(reinterpret_cast<const char*>(raw), count);
  }
  XFree(raw);
  return result;
}

void X11TestClient::Handle(XEvent& event) {
  switch (event.type) {
    case KeyPress:
      if (XLookupKeysym(&event.xkey, 0) == XK_v && (event.xkey.state & ControlMask) && pasteTarget_ != 0)
        pasteDue_ = std::chrono::steady_clock::now() + pasteDelay_;
      break;
    case SelectionNotify: {
      if (!reading_ || event.xselection.requestor != window_) break;
      if (event.xselection.property == None) {
        Received refused;
        refused.refused = true;
        FinishRead(refused);
        break;
      }
      Atom type = None;
      int format = 0;
      std::string data = ReadAndDelete(type, format);  // deleting an INCR property asks for the first piece
      if (type == incr_) {
        readIncremental_ = true;
        break;
      }
      Received received;
      received.type = Name(type);
      received.data = data;
      FinishRead(received);
      break;
    }
    case PropertyNotify:
      if (event.xproperty.window == window_ && event.xproperty.atom == pasted_ &&
          event.xproperty.state == PropertyNewValue && reading_ && readIncremental_) {
        Atom type = None;
        int format = 0;
        std::string piece = ReadAndDelete(type, format);
        read_.type = Name(type);
        if (piece.empty()) {
          FinishRead(read_);
        } else {
          read_.data += piece;
        }
      } else if (incrActive_ && event.xproperty.window == incrRequestor_ && event.xproperty.atom == incrProperty_ &&
                 event.xproperty.state == PropertyDelete) {
        std::size_t piece = std::min(kIncrPiece, ownData_.size() - incrOffset_);
        Atom type = offer_ == Offer::Latin1Only ? XA_STRING : Intern("UTF8_STRING");
        XChangeProperty(display_, incrRequestor_, incrProperty_, type, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(ownData_.data() + incrOffset_), static_cast<int>(piece));
        incrOffset_ += piece;
        if (piece == 0) {
          incrActive_ = false;
          XSelectInput(display_, incrRequestor_, NoEventMask);
        }
        XFlush(display_);
      }
      break;
    case SelectionRequest:
      Serve(event.xselectionrequest);
      break;
    case SelectionClear:
      if (event.xselectionclear.selection == clipboard_) owns_ = false;
      break;
    default:
      break;
  }
}

void X11TestClient::Serve(const XSelectionRequestEvent& request) {
  XSelectionEvent reply{};
  reply.type = SelectionNotify;
  reply.requestor = request.requestor;
  reply.selection = request.selection;
  reply.target = request.target;
  reply.time = request.time;
  reply.property = None;
  Atom utf8 = Intern("UTF8_STRING");
  Atom png = Intern("image/png");
  std::string target = Name(request.target);
  if (owns_ && request.property != None) {
    if (target == "TARGETS") {
      Atom offered = offer_ == Offer::Utf8 ? utf8 : offer_ == Offer::Latin1Only ? XA_STRING : png;
      Atom list[] = {Intern("TARGETS"), offered};
      XChangeProperty(display_, request.requestor, request.property, XA_ATOM, 32, PropModeReplace,
                      reinterpret_cast<unsigned char*>(list), 2);
      reply.property = request.property;
    } else if ((offer_ == Offer::Utf8 && request.target == utf8) ||
               (offer_ == Offer::Latin1Only && request.target == XA_STRING) ||
               (offer_ == Offer::ImageOnly && request.target == png)) {
      if (incremental_ && ownData_.size() > kIncrPiece) {
        XSelectInput(display_, request.requestor, PropertyChangeMask);
        long size = static_cast<long>(ownData_.size());
        XChangeProperty(display_, request.requestor, request.property, incr_, 32, PropModeReplace,
                        reinterpret_cast<unsigned char*>(&size), 1);
        incrActive_ = true;
        incrRequestor_ = request.requestor;
        incrProperty_ = request.property;
        incrOffset_ = 0;
      } else {
        XChangeProperty(display_, request.requestor, request.property, request.target, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(ownData_.data()), static_cast<int>(ownData_.size()));
      }
      reply.property = request.property;
    }
  }
  XSendEvent(display_, request.requestor, False, NoEventMask, reinterpret_cast<XEvent*>(&reply));
  XFlush(display_);
}

}  // namespace PlatformTest
