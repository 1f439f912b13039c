#include "platform/fake/fake_event_loop.h"
#include "platform/fake/fake_web_view_platform.h"
#include "webview/custom_edge_browser.h"

#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace tessera {
namespace {

class EdgeBrowserFocus : public ::testing::Test {
protected:
  EdgeBrowserFocus() : Loader(Platform), Browser(Loader, Loop) {
    Browser.SetParentWindow(5);
    while (!Platform.EnvironmentPending())
      std::this_thread::yield();
    Platform.CompleteEnvironment(kSOk);
    Loop.Drain();
    Platform.CompleteController(kSOk);
    Platform.ClearCalls();
  }
  std::vector<std::string> Log;
  FakeEventLoop Loop;
  FakeWebViewPlatform Platform;
  TWebViewLoader Loader;
  TEdgeBrowser Browser;
};

TEST_F(EdgeBrowserFocus, EnteringPushesFocusIntoTheWebViewButNotWhenItReportsFocus) {
  Browser.OnEnter = [&](TCustomEdgeBrowser&) { Log.push_back("enter"); };
  Browser.OnExit = [&](TCustomEdgeBrowser&) { Log.push_back("exit"); };
  Browser.DoEnter();
  WebViewEventArgs none;
  ASSERT_TRUE(Platform.Raise(TControllerEvent::GotFocus, none));
  ASSERT_TRUE(Platform.Raise(TControllerEvent::LostFocus, none));
  Browser.SetFocus();
  EXPECT_EQ(Log, (std::vector<std::string>{"enter", "enter", "exit"}));
  EXPECT_EQ(Platform.Calls(), (std::vector<std::string>{"MoveFocus 0", "MoveFocus 0"}));

  // A throwing handler neither escapes to the platform nor leaves the
  // forwarding flag set.
  Browser.OnEnter = [](TCustomEdgeBrowser&) { throw std::runtime_error("handler fault"); };
  EXPECT_NO_THROW(Platform.Raise(TControllerEvent::GotFocus, none));
  Browser.OnEnter = nullptr;
  Platform.ClearCalls();
  Browser.DoEnter();
  EXPECT_EQ(Platform.Calls(), std::vector<std::string>{"MoveFocus 0"});
}

TEST_F(EdgeBrowserFocus, MoveFocusRequestsWalkTheTabOrder) {
  std::vector<bool> moves;
  Browser.SelectNextTabStop = [&](bool forward) { moves.push_back(forward); };
  for (auto reason :
       {TMoveFocusReason::Next, TMoveFocusReason::Previous, TMoveFocusReason::Programmatic}) {
    FakeMoveFocusRequestedArgs args(reason);
    Platform.Raise(TControllerEvent::MoveFocusRequested, args);
  }
  EXPECT_EQ(moves, (std::vector<bool>{true, false}));
}

TEST_F(EdgeBrowserFocus, FormShortcutsAreTakenFromThePage) {
  std::vector<TKeyMessage> asked;
  Browser.IsShortCut = [&](const TKeyMessage& m) {
    asked.push_back(m);
    return m.WParam == 'S';
  };
  const std::pair<TKeyEventKind, std::uint32_t> kinds[] = {{TKeyEventKind::KeyDown, 0x100},
                                                           {TKeyEventKind::KeyUp, 0x101},
                                                           {TKeyEventKind::SystemKeyDown, 0x104},
                                                           {TKeyEventKind::SystemKeyUp, 0x105}};
  for (auto [kind, msg] : kinds) {
    FakeAcceleratorKeyPressedArgs key;
    key.Kind = kind;
    key.KeyEventLParam = -1;
    Platform.Raise(TControllerEvent::AcceleratorKeyPressed, key);
    EXPECT_EQ(key.Handled, std::optional<bool>(true));
    EXPECT_EQ(asked.back().Msg, msg);
    EXPECT_EQ(asked.back().LParam, -1) << "lParam is sign-extended";
  }
  FakeAcceleratorKeyPressedArgs other;
  other.VirtualKey = 'Q';
  Platform.Raise(TControllerEvent::AcceleratorKeyPressed, other);
  EXPECT_FALSE(other.Handled.has_value());

  FakeAcceleratorKeyPressedArgs broken;
  broken.ReadAnswer = kEFail;
  asked.clear();
  Platform.Raise(TControllerEvent::AcceleratorKeyPressed, broken);
  EXPECT_TRUE(asked.empty());
  EXPECT_EQ(Browser.LastErrorCode(), kEFail);

  Browser.IsShortCut = nullptr; // no owning form
  FakeAcceleratorKeyPressedArgs orphan;
  Platform.Raise(TControllerEvent::AcceleratorKeyPressed, orphan);
  EXPECT_FALSE(orphan.Handled.has_value());
}

TEST_F(EdgeBrowserFocus, CloseBrowserProcessClosesThenEndsTheProcess) {
  Browser.CloseBrowserProcess();
  const auto calls = Platform.Calls();
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls[calls.size() - 2], "Close");
  EXPECT_EQ(calls.back(), "EndBrowserProcess 4242 2000 1");

  Platform.ClearCalls();
  Browser.CloseBrowserProcess(); // no web view: process ID 0
  EXPECT_TRUE(Platform.Calls().empty());
}

} // namespace
} // namespace tessera
