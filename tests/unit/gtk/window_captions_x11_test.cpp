// The window captions of the Linux OS services, read from the suite's own X
// display (with its window manager's frames, when it has one).
#include "platform/api/os_services.h"

#include <gtest/gtest.h>

// After gtest: Xlib's macros (None, Bool, Status) would break its headers.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace tessera {
namespace {

struct TDisplayClose {
  void operator()(Display* display) const { XCloseDisplay(display); }
};

class WindowCaptionsX11 : public ::testing::Test {
protected:
  Window NewWindow() {
    return XCreateSimpleWindow(FDisplay.get(), DefaultRootWindow(FDisplay.get()), 0, 0, 50, 50, 0,
                               0, 0);
  }
  void SetUtf8Name(Window window, const std::string& name) {
    XChangeProperty(FDisplay.get(), window, XInternAtom(FDisplay.get(), "_NET_WM_NAME", False),
                    XInternAtom(FDisplay.get(), "UTF8_STRING", False), 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(name.data()),
                    static_cast<int>(name.size()));
  }
  void SetLatin1Name(Window window, const std::string& name) {
    XChangeProperty(FDisplay.get(), window, XA_WM_NAME, XA_STRING, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(name.data()),
                    static_cast<int>(name.size()));
  }
  // Whether the window has the property, of any type.
  bool HasProperty(Window window, const char* name) {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    const bool found =
        XGetWindowProperty(FDisplay.get(), window, XInternAtom(FDisplay.get(), name, False), 0, 1,
                           False, AnyPropertyType, &type, &format, &count, &remaining,
                           &data) == Success &&
        type != 0;
    if (data != nullptr)
      XFree(data);
    return found;
  }
  // Whether a window manager runs (it names its check window on the root).
  bool HaveWindowManager() {
    return HasProperty(DefaultRootWindow(FDisplay.get()), "_NET_SUPPORTING_WM_CHECK");
  }
  // Waits until the window manager has framed the window and marked it as
  // managed (WM_STATE on the window, which is how a frame's client is
  // told from the frame's own windows).
  bool WaitForFrame(Window window) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(90);
    while (std::chrono::steady_clock::now() < deadline) {
      if (HasProperty(window, "WM_STATE"))
        return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
  }
  std::vector<std::string> Captions() {
    XSync(FDisplay.get(), False);
    return CreateOsServices()->GetWindowsCaptions();
  }

  std::unique_ptr<Display, TDisplayClose> FDisplay{XOpenDisplay(nullptr)};
};

TEST_F(WindowCaptionsX11, ListsNamedWindowsHiddenOrShownAndLeavesBlankOnesOut) {
  ASSERT_TRUE(FDisplay);
  const Window hidden = NewWindow();
  SetUtf8Name(hidden, " hidden caf\xC3\xA9 ");
  const Window latin1 = NewWindow();
  SetLatin1Name(latin1, "caf\xE9 latin");
  const Window blank = NewWindow();
  SetUtf8Name(blank, " \t ");
  const Window shown = NewWindow();
  SetUtf8Name(shown, "shown window");
  XMapWindow(FDisplay.get(), shown);
  // A window manager frames the shown window after a moment; its name is
  // found either way, so the list is read once it has happened.
  XSync(FDisplay.get(), False);
  if (HaveWindowManager()) {
    ASSERT_TRUE(WaitForFrame(shown)) << "the window manager did not frame the window";
  }

  const std::vector<std::string> captions = Captions();
  for (const char* expected : {" hidden caf\xC3\xA9 ", "caf\xC3\xA9 latin", "shown window"})
    EXPECT_EQ(std::count(captions.begin(), captions.end(), expected), 1) << expected;
  for (const std::string& caption : captions)
    EXPECT_TRUE(std::any_of(caption.begin(), caption.end(), [](char c) {
      return static_cast<unsigned char>(c) > ' ';
    })) << "blank caption listed";
  // The newest window is on top of the stack, so it comes first of ours.
  const auto hiddenAt = std::find(captions.begin(), captions.end(), " hidden caf\xC3\xA9 ");
  const auto latin1At = std::find(captions.begin(), captions.end(), "caf\xC3\xA9 latin");
  EXPECT_LT(latin1At, hiddenAt);
}

} // namespace
} // namespace tessera
