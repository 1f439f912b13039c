// The captions of the top-level windows of the Linux OS services, read from
// the X server.
#include "platform/posix/os_services_posix.h"

#include "base/utf.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace tessera {

namespace {

struct TDisplayClose {
  void operator()(Display* display) const { XCloseDisplay(display); }
};
using TDisplay = std::unique_ptr<Display, TDisplayClose>;

struct TXFree {
  void operator()(void* data) const { XFree(data); }
};

// Windows can go away between the listing and the reading of their names;
// the X library's default answer to such an error ends the process.
int IgnoreXError(Display*, XErrorEvent*) {
  return 0;
}

class TXErrorGuard {
public:
  TXErrorGuard() : FPrevious(XSetErrorHandler(IgnoreXError)) {}
  ~TXErrorGuard() { XSetErrorHandler(FPrevious); }
  TXErrorGuard(const TXErrorGuard&) = delete;
  TXErrorGuard& operator=(const TXErrorGuard&) = delete;

private:
  int (*FPrevious)(Display*, XErrorEvent*);
};

// A text property's bytes and type; false when the window has none.
bool ReadTextProperty(Display* display, Window window, Atom property, std::string& bytes,
                      Atom& type) {
  int format = 0;
  unsigned long count = 0;
  unsigned long remaining = 0;
  unsigned char* raw = nullptr;
  if (XGetWindowProperty(display, window, property, 0, 65536, False, AnyPropertyType, &type,
                         &format, &count, &remaining, &raw) != Success ||
      raw == nullptr) {
    return false;
  }
  const std::unique_ptr<unsigned char, TXFree> data(raw);
  if (format != 8)
    return false;
  bytes.assign(reinterpret_cast<const char*>(data.get()), count);
  return true;
}

struct TAtoms {
  Atom NetWmName;
  Atom Utf8String;
  Atom WmState;
};

// _NET_WM_NAME in UTF-8, else WM_NAME (Latin-1, the X default for STRING).
std::string WindowCaption(Display* display, Window window, const TAtoms& atoms) {
  std::string bytes;
  Atom type = None;
  if (ReadTextProperty(display, window, atoms.NetWmName, bytes, type) && type == atoms.Utf8String) {
    return Utf16ToUtf8(Utf8ToUtf16(bytes));
  }
  if (!ReadTextProperty(display, window, XA_WM_NAME, bytes, type))
    return {};
  if (type == atoms.Utf8String)
    return Utf16ToUtf8(Utf8ToUtf16(bytes));
  std::string text;
  for (const char c : bytes)
    AppendUtf8(text, static_cast<unsigned char>(c));
  return text;
}

bool HasProperty(Display* display, Window window, Atom property) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0;
  unsigned long remaining = 0;
  unsigned char* raw = nullptr;
  const int rc = XGetWindowProperty(display, window, property, 0, 0, False, AnyPropertyType, &type,
                                    &format, &count, &remaining, &raw);
  if (raw != nullptr)
    XFree(raw);
  return rc == Success && type != None;
}

std::vector<Window> Children(Display* display, Window window) {
  Window root = 0;
  Window parent = 0;
  Window* raw = nullptr;
  unsigned int count = 0;
  if (XQueryTree(display, window, &root, &parent, &raw, &count) == 0)
    return {};
  const std::unique_ptr<Window, TXFree> children(raw);
  return raw != nullptr ? std::vector<Window>(raw, raw + count) : std::vector<Window>();
}

// A window manager puts each application window in a frame of its own:
// the application's window is the frame's descendant that carries WM_STATE
// (looked for a few levels deep, frames are shallow). 0 when there is none.
Window ClientWindow(Display* display, Window window, const TAtoms& atoms, int depth) {
  const std::vector<Window> children = Children(display, window);
  for (const Window child : children)
    if (HasProperty(display, child, atoms.WmState))
      return child;
  if (depth > 0)
    for (const Window child : children)
      if (const Window client = ClientWindow(display, child, atoms, depth - 1); client != 0)
        return client;
  return 0;
}

bool IsBlankCaption(const std::string& caption) {
  return std::all_of(caption.begin(), caption.end(),
                     [](char c) { return static_cast<unsigned char>(c) <= 0x20; });
}

} // namespace

std::vector<std::string> PosixOsServices::GetWindowsCaptions() {
  std::vector<std::string> captions;
  const TDisplay display(XOpenDisplay(nullptr));
  if (!display)
    return captions;
  const TXErrorGuard errorGuard;
  const TAtoms atoms{XInternAtom(display.get(), "_NET_WM_NAME", False),
                     XInternAtom(display.get(), "UTF8_STRING", False),
                     XInternAtom(display.get(), "WM_STATE", False)};
  // The tree lists the root's children from the bottom of the stack up;
  // the top window comes first here, as in the system's z-order.
  std::vector<Window> windows = Children(display.get(), DefaultRootWindow(display.get()));
  std::reverse(windows.begin(), windows.end());
  for (const Window window : windows) {
    std::string caption = WindowCaption(display.get(), window, atoms);
    if (IsBlankCaption(caption)) {
      const Window client = ClientWindow(display.get(), window, atoms, 2);
      if (client != 0)
        caption = WindowCaption(display.get(), client, atoms);
    }
    if (!IsBlankCaption(caption))
      captions.push_back(std::move(caption));
  }
  // Errors of the reads above arrive by now, while the guard still holds.
  XSync(display.get(), False);
  return captions;
}

} // namespace tessera
