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
  // found either way, so let it happen.
  XSync(FDisplay.get(), False);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));

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
