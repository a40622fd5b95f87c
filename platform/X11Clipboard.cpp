#include "platform/X11Clipboard.h"

#include <X11/Xatom.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <mutex>

namespace Platform {

namespace {

// Texts beyond this are not fetched (a clipboard can be arbitrarily large).
constexpr std::size_t kMaxFetchedBytes = 64u << 20;
// An incremental transfer whose requestor stops reading is given up after this.
constexpr auto kTransferPatience = std::chrono::seconds(5);
constexpr std::size_t kMaxTransfers = 16;
constexpr auto kStampPatience = std::chrono::seconds(1);

// Xlib's error handlers are one per process. Ours keep errors on our own
// connections (a requestor window that is gone, a forged request, a lost
// server) from reaching the default handlers, which end the program; errors
// on other connections go to the handlers that were there before.
std::mutex gHandlerLock;
std::vector<Display*> gOurDisplays;
XErrorHandler gPreviousHandler = nullptr;
XIOErrorHandler gPreviousIOHandler = nullptr;
std::once_flag gHandlerInstalled;
// Connections whose server went away. Xlib can hang in XCloseDisplay on them
// (its display lock may be left taken), so they are never touched again and
// only their descriptor is closed; one small record per lost server.
std::vector<Display*> gLostDisplays;

bool IsOurs(Display* display) {
  std::lock_guard lock(gHandlerLock);
  return std::find(gOurDisplays.begin(), gOurDisplays.end(), display) != gOurDisplays.end();
}

std::string ToLatin1(const std::string& utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    unsigned char lead = static_cast<unsigned char>(utf8[i]);
    std::size_t length = lead < 0x80           ? 1
                         : (lead >> 5) == 0x6  ? 2
                         : (lead >> 4) == 0xE  ? 3
                         : (lead >> 3) == 0x1E ? 4
                                               : 0;
    bool whole = length > 0 && i + length <= utf8.size();
    for (std::size_t k = 1; whole && k < length; ++k) whole = (static_cast<unsigned char>(utf8[i + k]) & 0xC0) == 0x80;
    if (!whole) {
      out += '?';
      ++i;
      continue;
    }
    unsigned codePoint = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) codePoint = (codePoint << 6) | (utf8[i + k] & 0x3F);
    out += codePoint < 0x100 ? static_cast<char>(codePoint) : '?';
    i += length;
  }
  return out;
}

std::string Latin1ToUtf8(const std::string& latin1) {
  std::string out;
  out.reserve(latin1.size());
  for (char c : latin1) {
    unsigned char byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      out += c;
    } else {
      out += static_cast<char>(0xC0 | (byte >> 6));
      out += static_cast<char>(0x80 | (byte & 0x3F));
    }
  }
  return out;
}

// X times are milliseconds that wrap around every 49 days.
bool NotBefore(Time time, Time reference) {
  return static_cast<std::int32_t>(time - reference) >= 0;
}

}  // namespace

X11Clipboard::~X11Clipboard() {
  Close();
}

int X11Clipboard::IgnoreErrors(Display* display, XErrorEvent* error) {
  if (IsOurs(display)) return 0;
  XErrorHandler previous;
  {
    std::lock_guard lock(gHandlerLock);
    previous = gPreviousHandler;
  }
  return previous ? previous(display, error) : 0;
}

int X11Clipboard::IgnoreIOErrors(Display* display) {
  if (IsOurs(display)) return 0;  // then ConnectionLost runs instead of exit()
  XIOErrorHandler previous;
  {
    std::lock_guard lock(gHandlerLock);
    previous = gPreviousIOHandler;
  }
  return previous ? previous(display) : 0;
}

void X11Clipboard::ConnectionLost(Display*, void* clipboard) {
  // Returning instead of ending the process leaves the connection unusable;
  // every later call on it returns at once.
  static_cast<X11Clipboard*>(clipboard)->broken_ = true;
}

bool X11Clipboard::Open() {
  if (display_) return Usable();
  Display* display = XOpenDisplay(nullptr);
  if (!display) return false;
  {
    std::lock_guard lock(gHandlerLock);
    gOurDisplays.push_back(display);
  }
  std::call_once(gHandlerInstalled, [] {
    XErrorHandler previous = XSetErrorHandler(&X11Clipboard::IgnoreErrors);
    XIOErrorHandler previousIO = XSetIOErrorHandler(&X11Clipboard::IgnoreIOErrors);
    std::lock_guard lock(gHandlerLock);
    gPreviousHandler = previous;
    gPreviousIOHandler = previousIO;
  });
  XSetIOErrorExitHandler(display, &X11Clipboard::ConnectionLost, this);
  display_ = display;

  const char* names[] = {"CLIPBOARD",
                         "TARGETS",
                         "TIMESTAMP",
                         "MULTIPLE",
                         "ATOM_PAIR",
                         "INCR",
                         "UTF8_STRING",
                         "TEXT",
                         "text/plain;charset=utf-8",
                         "ZORVANE_SELECTION",
                         "ZORVANE_TIME_STAMP"};
  Atom atoms[std::size(names)];
  if (!XInternAtoms(display_, const_cast<char**>(names), static_cast<int>(std::size(names)), False, atoms)) {
    Close();
    return false;
  }
  clipboard_ = atoms[0];
  targets_ = atoms[1];
  timestamp_ = atoms[2];
  multiple_ = atoms[3];
  atomPair_ = atoms[4];
  incr_ = atoms[5];
  utf8_ = atoms[6];
  textTarget_ = atoms[7];
  plainUtf8_ = atoms[8];
  received_ = atoms[9];
  stamp_ = atoms[10];
  string_ = XA_STRING;
  integer_ = XA_INTEGER;
  atom_ = XA_ATOM;

  XSetWindowAttributes attributes{};
  attributes.event_mask = PropertyChangeMask;  // time stamps and incremental reads
  window_ = XCreateWindow(display_, DefaultRootWindow(display_), 0, 0, 1, 1, 0, 0, InputOnly, CopyFromParent,
                          CWEventMask, &attributes);
  XSync(display_, False);
  if (broken_ || !window_) {
    Close();
    return false;
  }
  return true;
}

void X11Clipboard::Close() {
  if (!display_) return;
  {
    std::lock_guard lock(gHandlerLock);
    gOurDisplays.erase(std::remove(gOurDisplays.begin(), gOurDisplays.end(), display_), gOurDisplays.end());
  }
  if (broken_) {
    close(ConnectionNumber(display_));
    std::lock_guard lock(gHandlerLock);
    gLostDisplays.push_back(display_);
  } else {
    XCloseDisplay(display_);  // also gives up a selection we own
  }
  display_ = nullptr;
  window_ = 0;
  broken_ = false;
  owns_ = false;
  transfers_.clear();
}

std::size_t X11Clipboard::PieceBytes() const {
  long units = XExtendedMaxRequestSize(display_);
  if (units == 0) units = XMaxRequestSize(display_);
  std::size_t limit = static_cast<std::size_t>(units) * 4 - 256;  // room for the request's own fields
  return std::min<std::size_t>(limit, 256 * 1024);                // larger texts go in increments, as other programs do
}

bool X11Clipboard::WaitForEvent(Clock::time_point deadline, const std::function<bool(const XEvent&)>& wanted,
                                XEvent& found) {
  while (Usable()) {
    while (!broken_ && XPending(display_) > 0) {
      XNextEvent(display_, &found);
      if (wanted(found)) return true;
      Handle(found);
    }
    if (broken_) return false;
    auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return false;
    pollfd connection{ConnectionNumber(display_), POLLIN, 0};
    poll(&connection, 1, static_cast<int>(std::min<long long>(left, INT_MAX)));
  }
  return false;
}

X11Clipboard::Wake X11Clipboard::Pump(Clock::time_point deadline, int wakeFd) {
  while (Usable()) {
    bool handled = false;
    while (!broken_ && XPending(display_) > 0) {
      XEvent event;
      XNextEvent(display_, &event);
      Handle(event);
      handled = true;
    }
    DropStaleTransfers();
    if (broken_) break;
    if (handled) return Wake::Events;
    auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return Wake::Deadline;
    pollfd fds[2] = {{ConnectionNumber(display_), POLLIN, 0}, {wakeFd, POLLIN, 0}};
    poll(fds, wakeFd >= 0 ? 2 : 1, static_cast<int>(std::min<long long>(left, INT_MAX)));
    if (wakeFd >= 0 && (fds[1].revents & POLLIN)) return Wake::Woken;
  }
  return Wake::Broken;
}

void X11Clipboard::Handle(const XEvent& event) {
  switch (event.type) {
    case SelectionRequest:
      AnswerRequest(event.xselectionrequest);
      break;
    case SelectionClear:
      if (event.xselectionclear.window == window_ && event.xselectionclear.selection == clipboard_) {
        owns_ = false;
        text_.clear();
      }
      break;
    case PropertyNotify:
      if (event.xproperty.state == PropertyDelete && event.xproperty.window != window_)
        ContinueTransfer(event.xproperty);
      break;
    default:
      break;
  }
}

void X11Clipboard::AnswerRequest(const XSelectionRequestEvent& request) {
  XSelectionEvent reply{};
  reply.type = SelectionNotify;
  reply.display = display_;
  reply.requestor = request.requestor;
  reply.selection = request.selection;
  reply.target = request.target;
  reply.time = request.time;
  reply.property = None;

  bool ours = owns_ && request.selection == clipboard_ && request.owner == window_ &&
              (request.time == CurrentTime || NotBefore(request.time, ownedSince_));
  if (ours) {
    // Requestors from before ICCCM 2 leave the property out: the target names it.
    Atom property = request.property != None ? request.property : request.target;
    bool served = false;
    bool done = false;
    if (request.target == multiple_) {
      done = request.property != None && AnswerMultiple(request.requestor, request.property, served);
    } else {
      done = Convert(request.requestor, request.target, property);
      served = done && request.target != targets_ && request.target != timestamp_;
    }
    if (done) reply.property = property;
    if (served) {
      ++pastesServed_;
      lastPaste_ = Clock::now();
    }
  }
  if (broken_) return;  // no call after a lost server: Xlib may wait for its display lock forever
  XSendEvent(display_, request.requestor, False, NoEventMask, reinterpret_cast<XEvent*>(&reply));
  XFlush(display_);
}

bool X11Clipboard::Convert(Window requestor, Atom target, Atom property) {
  if (target == targets_) {
    long offered[] = {static_cast<long>(targets_), static_cast<long>(timestamp_), static_cast<long>(multiple_),
                      static_cast<long>(utf8_),    static_cast<long>(plainUtf8_), static_cast<long>(textTarget_),
                      static_cast<long>(string_)};
    XChangeProperty(display_, requestor, property, atom_, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(offered), static_cast<int>(std::size(offered)));
    return true;
  }
  if (target == timestamp_) {
    long time = static_cast<long>(ownedSince_);
    XChangeProperty(display_, requestor, property, integer_, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&time), 1);
    return true;
  }
  std::string data;
  Atom type;
  if (target == utf8_ || target == plainUtf8_ || target == textTarget_) {
    data = text_;
    type = target == textTarget_ ? utf8_ : target;  // TEXT lets the owner choose the encoding
  } else if (target == string_) {
    data = ToLatin1(text_);
    type = string_;
  } else {
    return false;
  }

  if (data.size() <= PieceBytes()) {
    XChangeProperty(display_, requestor, property, type, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(data.data()), static_cast<int>(data.size()));
    return true;
  }
  if (transfers_.size() >= kMaxTransfers) return false;
  // Incremental: announce the size; every deletion of the property by the
  // requestor asks for the next piece, and an empty piece ends the transfer.
  XSelectInput(display_, requestor, PropertyChangeMask);
  long size = static_cast<long>(data.size());
  XChangeProperty(display_, requestor, property, incr_, 32, PropModeReplace, reinterpret_cast<unsigned char*>(&size),
                  1);
  transfers_.push_back(Transfer{requestor, property, type, std::move(data), 0, Clock::now()});
  return true;
}

bool X11Clipboard::AnswerMultiple(Window requestor, Atom property, bool& served) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* raw = nullptr;
  if (XGetWindowProperty(display_, requestor, property, 0, 1024, False, AnyPropertyType, &type, &format, &count, &after,
                         &raw) != Success ||
      !raw)
    return false;
  std::vector<long> pairs;
  if (format == 32) pairs.assign(reinterpret_cast<long*>(raw), reinterpret_cast<long*>(raw) + count);
  XFree(raw);
  if (format != 32 || pairs.size() % 2 != 0) return false;
  for (std::size_t i = 0; i + 1 < pairs.size() && !broken_; i += 2) {
    Atom target = static_cast<Atom>(pairs[i]);
    Atom into = static_cast<Atom>(pairs[i + 1]);
    bool converted = into != None && target != multiple_ && Convert(requestor, target, into);
    if (!converted) pairs[i + 1] = None;  // tells the requestor which ones failed
    served = served || (converted && target != targets_ && target != timestamp_);
  }
  if (broken_) return false;
  XChangeProperty(display_, requestor, property, atomPair_, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(pairs.data()), static_cast<int>(pairs.size()));
  return true;
}

void X11Clipboard::ContinueTransfer(const XPropertyEvent& event) {
  auto transfer = std::find_if(transfers_.begin(), transfers_.end(), [&](const Transfer& t) {
    return t.requestor == event.window && t.property == event.atom;
  });
  if (transfer == transfers_.end() || broken_) return;
  std::size_t piece = std::min(PieceBytes(), transfer->data.size() - transfer->offset);
  XChangeProperty(display_, transfer->requestor, transfer->property, transfer->type, 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(transfer->data.data() + transfer->offset),
                  static_cast<int>(piece));
  transfer->offset += piece;
  transfer->lastActivity = Clock::now();
  if (broken_) return;
  if (piece == 0) {  // the empty piece just written ends it
    Window requestor = transfer->requestor;
    transfers_.erase(transfer);
    if (std::none_of(transfers_.begin(), transfers_.end(), [&](const Transfer& t) { return t.requestor == requestor; }))
      XSelectInput(display_, requestor, NoEventMask);
  }
  XFlush(display_);
}

void X11Clipboard::DropStaleTransfers() {
  auto now = Clock::now();
  std::erase_if(transfers_, [&](const Transfer& t) { return now - t.lastActivity > kTransferPatience; });
}

bool X11Clipboard::ServerTime(Time& time) {
  // A zero-length append changes nothing but makes the server report its time.
  XChangeProperty(display_, window_, stamp_, integer_, 8, PropModeAppend, nullptr, 0);
  XEvent event;
  bool got = WaitForEvent(
      Clock::now() + kStampPatience,
      [&](const XEvent& e) {
        return e.type == PropertyNotify && e.xproperty.window == window_ && e.xproperty.atom == stamp_;
      },
      event);
  if (got) time = event.xproperty.time;
  return got;
}

bool X11Clipboard::Own(const std::string& text) {
  Time time = 0;
  if (!Usable() || !ServerTime(time)) return false;
  XSetSelectionOwner(display_, clipboard_, window_, time);
  if (XGetSelectionOwner(display_, clipboard_) != window_) return false;
  owns_ = true;
  ownedSince_ = time;
  text_ = text;
  pastesServed_ = 0;
  return true;
}

void X11Clipboard::Disown() {
  if (!Usable() || !owns_) return;
  // With the time of our claim the request has no effect when someone else
  // has claimed the selection since.
  XSetSelectionOwner(display_, clipboard_, None, ownedSince_);
  XSync(display_, False);  // done before the caller goes on
  owns_ = false;
  text_.clear();
}

std::optional<std::string> X11Clipboard::FetchText(Clock::duration patience) {
  if (!Usable()) return std::nullopt;
  XSync(display_, False);  // a claim by another client must be seen before trusting owns_
  XEvent event;
  WaitForEvent(
      Clock::now(), [](const XEvent&) { return false; }, event);
  if (owns_) return text_;
  Window owner = XGetSelectionOwner(display_, clipboard_);
  if (owner == None || owner == window_) return std::nullopt;
  bool answered = false;
  std::optional<std::string> text = FetchAs(utf8_, patience, answered);
  if (text || !answered) return text;  // an owner that does not answer is not asked twice
  return FetchAs(string_, patience, answered);
}

std::optional<std::string> X11Clipboard::FetchAs(Atom target, Clock::duration patience, bool& answered) {
  answered = false;
  XDeleteProperty(display_, window_, received_);
  XConvertSelection(display_, clipboard_, target, received_, window_, CurrentTime);
  XEvent event;
  if (!WaitForEvent(
          Clock::now() + patience,
          [&](const XEvent& e) {
            return e.type == SelectionNotify && e.xselection.requestor == window_ &&
                   e.xselection.selection == clipboard_ && e.xselection.target == target;
          },
          event))
    return std::nullopt;
  answered = true;
  if (event.xselection.property == None) return std::nullopt;
  Atom type = None;
  int format = 0;
  std::optional<std::string> data = ReadProperty(type, format);
  if (data && type == incr_) {
    data = ReadIncrements(patience, type);
    format = 8;
  }
  if (!data || format != 8) return std::nullopt;
  if (type == utf8_ || type == plainUtf8_) return data;
  if (type == string_) return Latin1ToUtf8(*data);
  return std::nullopt;  // COMPOUND_TEXT and other encodings are not read
}

std::optional<std::string> X11Clipboard::ReadProperty(Atom& type, int& format) {
  std::string bytes;
  long offset = 0;  // in 32-bit units, as the request counts
  for (;;) {
    unsigned long count = 0, after = 0;
    unsigned char* raw = nullptr;
    if (XGetWindowProperty(display_, window_, received_, offset, 1 << 18, False, AnyPropertyType, &type, &format,
                           &count, &after, &raw) != Success)
      return std::nullopt;
    std::size_t itemBytes = format == 8 ? 1 : format == 16 ? sizeof(short) : sizeof(long);
    if (raw) {
      bytes.append(reinterpret_cast<const char*>(raw), count * itemBytes);
      XFree(raw);
    }
    if (type == None) return std::nullopt;
    if (after == 0 || bytes.size() > kMaxFetchedBytes) break;
    offset += static_cast<long>(count * (format / 8) / 4);
  }
  XDeleteProperty(display_, window_, received_);  // for INCR this asks for the first piece
  XFlush(display_);
  if (bytes.size() > kMaxFetchedBytes) return std::nullopt;
  return bytes;
}

std::optional<std::string> X11Clipboard::ReadIncrements(Clock::duration patience, Atom& type) {
  std::string all;
  for (;;) {
    XEvent event;
    if (!WaitForEvent(
            Clock::now() + patience,
            [&](const XEvent& e) {
              return e.type == PropertyNotify && e.xproperty.window == window_ && e.xproperty.atom == received_ &&
                     e.xproperty.state == PropertyNewValue;
            },
            event))
      return std::nullopt;
    int format = 0;
    std::optional<std::string> piece = ReadProperty(type, format);
    if (!piece || format != 8) return std::nullopt;
    if (piece->empty()) return all;
    all += *piece;
    if (all.size() > kMaxFetchedBytes) return std::nullopt;
  }
}

}  // namespace Platform
