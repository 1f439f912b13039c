#include "platform/fake/fake_event_loop.h"
#include "platform/fake/fake_web_view_platform.h"
#include "webview/custom_edge_browser.h"
#include "webview/edge_error.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace tessera {
namespace {

using TState = TCustomEdgeBrowser::TBrowserControlState;

class EdgeBrowserLifecycle : public ::testing::Test {
protected:
  EdgeBrowserLifecycle() : Loader(Platform) { Loader.WebViewLoaderPath = "/x/loader.dll"; }

  // Starts creation on a parent window and waits for the worker's request.
  void StartCreation(TEdgeBrowser& browser, TNativeWindow window = 77) {
    browser.SetParentWindow(window);
    WaitForEnvironmentRequest();
  }
  void WaitForEnvironmentRequest() {
    while (!Platform.EnvironmentPending())
      std::this_thread::yield();
  }
  // Runs a full successful creation.
  void Create(TEdgeBrowser& browser) {
    StartCreation(browser);
    ASSERT_TRUE(Platform.CompleteEnvironment(kSOk));
    Loop.Drain();
    ASSERT_TRUE(Platform.CompleteController(kSOk));
  }
  std::vector<std::string> CallsStartingWith(const std::string& prefix) {
    std::vector<std::string> out;
    for (auto& c : Platform.Calls())
      if (c.rfind(prefix, 0) == 0)
        out.push_back(c);
    return out;
  }

  FakeEventLoop Loop;
  FakeWebViewPlatform Platform;
  TWebViewLoader Loader;
};

TEST_F(EdgeBrowserLifecycle, CreationRunsTheStepsInOrderAndRegistersHandlers) {
  TEdgeBrowser browser(Loader, Loop);
  std::vector<HRESULT> completions;
  browser.OnCreateWebViewCompleted = [&](TCustomEdgeBrowser& sender, HRESULT result) {
    EXPECT_EQ(&sender, &browser);
    EXPECT_EQ(sender.BrowserControlState(), TState::Created);
    completions.push_back(result);
  };
  EXPECT_EQ(browser.BrowserControlState(), TState::None);
  browser.Resize({0, 0, 200, 100});
  StartCreation(browser);
  EXPECT_EQ(browser.BrowserControlState(), TState::Creating);
  // The environment completion comes from another thread; the controller is
  // asked for only once the UI thread runs the queued step.
  std::thread([&] { Platform.CompleteEnvironment(kSOk); }).join();
  EXPECT_TRUE(CallsStartingWith("CreateController").empty());
  Loop.Drain();
  ASSERT_TRUE(Platform.CompleteController(kSOk));

  EXPECT_EQ(completions, std::vector<HRESULT>{kSOk});
  EXPECT_TRUE(browser.WebViewCreated());
  const std::vector<std::string> expected = {
      "LoadLoader /x/loader.dll",
      "CreateEnvironment",
      "CreateController 77",
      "GetWebView",
      "GetSettings",
      "add NavigationStarting",
      "add NavigationCompleted",
      "add SourceChanged",
      "add HistoryChanged",
      "add ContentLoading",
      "add DocumentTitleChanged",
      "add NewWindowRequested",
      "add FrameNavigationStarting",
      "add FrameNavigationCompleted",
      "add WebResourceRequested",
      "add ScriptDialogOpening",
      "add PermissionRequested",
      "add ProcessFailed",
      "add WebMessageReceived",
      "add ContainsFullScreenElementChanged",
      "add WindowCloseRequested",
      "add ZoomFactorChanged",
      "add MoveFocusRequested",
      "add AcceleratorKeyPressed",
      "add GotFocus",
      "add LostFocus",
      "PutBounds 0,0,200,100",
  };
  EXPECT_EQ(Platform.Calls(), expected);

  Platform.ClearCalls();
  browser.CloseWebView();
  const std::vector<std::string> removals = {
      "remove NavigationStarting",
      "remove NavigationCompleted",
      "remove SourceChanged",
      "remove HistoryChanged",
      "remove ContentLoading",
      "remove DocumentTitleChanged",
      "remove NewWindowRequested",
      "remove FrameNavigationStarting",
      "remove FrameNavigationCompleted",
      "remove WebResourceRequested",
      "remove ScriptDialogOpening",
      "remove PermissionRequested",
      "remove ProcessFailed",
      "remove WebMessageReceived",
      "remove WindowCloseRequested",
      "remove ContainsFullScreenElementChanged",
      "remove AcceleratorKeyPressed",
      "remove GotFocus",
      "remove LostFocus",
      "remove MoveFocusRequested",
      "remove ZoomFactorChanged",
      "Close",
  };
  EXPECT_EQ(Platform.Calls(), removals);
  EXPECT_EQ(Platform.RegisteredHandlerCount(), 0u);
  EXPECT_EQ(browser.BrowserControlState(), TState::Created);
  EXPECT_FALSE(browser.WebViewCreated());
  EXPECT_NE(browser.EnvironmentInterface(), nullptr);
  EXPECT_NE(browser.SettingsInterface(), nullptr);
}

TEST_F(EdgeBrowserLifecycle, SettingTheParentAgainWhileCreatingStartsNothing) {
  TEdgeBrowser browser(Loader, Loop);
  StartCreation(browser);
  browser.SetParentWindow(78);
  browser.CreateWebView();
  Platform.CompleteEnvironment(kSOk);
  Loop.Drain();
  EXPECT_EQ(CallsStartingWith("CreateEnvironment").size(), 1u);
}

TEST_F(EdgeBrowserLifecycle, MissingLoaderReportsFailOnceAndStaysCreating) {
  Platform.LoaderLoadable = false;
  TEdgeBrowser browser(Loader, Loop);
  std::vector<HRESULT> completions;
  browser.OnCreateWebViewCompleted = [&](TCustomEdgeBrowser&, HRESULT r) {
    completions.push_back(r);
  };
  browser.SetParentWindow(77);
  while (Loop.Pending() == 0)
    std::this_thread::yield();
  EXPECT_TRUE(completions.empty()) << "reported on the UI thread, not the worker";
  Loop.Drain();
  EXPECT_EQ(completions, std::vector<HRESULT>{kEFail});
  EXPECT_EQ(browser.LastErrorCode(), kEFail);
  EXPECT_EQ(browser.BrowserControlState(), TState::Creating);
  browser.CreateWebView();
  Loop.Drain();
  EXPECT_EQ(completions.size(), 1u);
  EXPECT_EQ(CallsStartingWith("LoadLoader").size(), 1u);
}

TEST_F(EdgeBrowserLifecycle, EnvironmentFailureIsReportedAndLeavesTheState) {
  TEdgeBrowser browser(Loader, Loop);
  std::vector<HRESULT> completions;
  browser.OnCreateWebViewCompleted = [&](TCustomEdgeBrowser&, HRESULT r) {
    completions.push_back(r);
  };
  StartCreation(browser);
  Platform.CompleteEnvironment(kFileNotFound);
  Loop.Drain();
  EXPECT_EQ(completions, std::vector<HRESULT>{kFileNotFound});
  EXPECT_EQ(browser.BrowserControlState(), TState::Creating);
  EXPECT_EQ(browser.EnvironmentInterface(), nullptr);
}

struct TStepFailure {
  const char* Name;
  HRESULT FakeWebViewPlatform::*Step;
  bool InCompletion; // the controller completion itself carries the code
};

void PrintTo(const TStepFailure& step, std::ostream* os) {
  *os << step.Name;
}

class EdgeBrowserStepFailure : public EdgeBrowserLifecycle,
                               public ::testing::WithParamInterface<TStepFailure> {};

TEST_P(EdgeBrowserStepFailure, FailsWithTheEventOrAQueuedError) {
  for (bool withHandler : {true, false}) {
    SCOPED_TRACE(withHandler ? "with handler" : "without handler");
    FakeWebViewPlatform platform;
    TWebViewLoader loader(platform);
    if (GetParam().Step)
      platform.*GetParam().Step = kEInvalidArg;
    TEdgeBrowser browser(loader, Loop);
    std::vector<HRESULT> completions;
    if (withHandler)
      browser.OnCreateWebViewCompleted = [&](TCustomEdgeBrowser&, HRESULT r) {
        completions.push_back(r);
      };
    browser.SetParentWindow(77);
    while (!platform.EnvironmentPending())
      std::this_thread::yield();
    platform.CompleteEnvironment(kSOk);
    Loop.Drain();
    platform.CompleteController(GetParam().InCompletion ? kEInvalidArg : kSOk);
    EXPECT_EQ(browser.BrowserControlState(), TState::Failed);
    EXPECT_EQ(browser.LastErrorCode(), kEInvalidArg);
    EXPECT_EQ(platform.RegisteredHandlerCount(), 0u);
    if (withHandler) {
      EXPECT_EQ(completions, std::vector<HRESULT>{kEInvalidArg});
      EXPECT_EQ(Loop.Pending(), 0u);
    } else {
      try {
        Loop.Drain();
        ADD_FAILURE() << "no error raised";
      } catch (const EEdgeError& e) {
        EXPECT_STREQ(e.what(), "Failed to create Edge browser control");
        EXPECT_EQ(e.ErrorCode(), kEInvalidArg);
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Steps, EdgeBrowserStepFailure,
    ::testing::Values(TStepFailure{"Controller", nullptr, true},
                      TStepFailure{"WebView", &FakeWebViewPlatform::GetWebViewAnswer, false},
                      TStepFailure{"Settings", &FakeWebViewPlatform::GetSettingsAnswer, false}),
    [](const auto& step) { return std::string(step.param.Name); });

TEST_F(EdgeBrowserLifecycle, FailedCreationCanBeRetried) {
  Platform.GetWebViewAnswer = kEInvalidArg;
  TEdgeBrowser browser(Loader, Loop);
  browser.OnCreateWebViewCompleted = [](TCustomEdgeBrowser&, HRESULT) {};
  Create(browser);
  ASSERT_EQ(browser.BrowserControlState(), TState::Failed);
  Platform.GetWebViewAnswer = kSOk;
  Platform.ClearCalls();
  browser.CreateWebView();
  EXPECT_EQ(browser.BrowserControlState(), TState::Creating);
  // The controller left over from the failed attempt is closed first.
  EXPECT_EQ(CallsStartingWith("Close"), std::vector<std::string>{"Close"});
  WaitForEnvironmentRequest();
  Platform.CompleteEnvironment(kSOk);
  Loop.Drain();
  Platform.CompleteController(kSOk);
  EXPECT_EQ(browser.BrowserControlState(), TState::Created);
  EXPECT_TRUE(browser.WebViewCreated());
}

TEST_F(EdgeBrowserLifecycle, ControllerRefusedAtOnceIsOnlyRecorded) {
  Platform.CreateControllerAnswer = kEAbort;
  TEdgeBrowser browser(Loader, Loop);
  int completions = 0;
  browser.OnCreateWebViewCompleted = [&](TCustomEdgeBrowser&, HRESULT) { ++completions; };
  StartCreation(browser);
  Platform.CompleteEnvironment(kSOk);
  Loop.Drain();
  EXPECT_EQ(browser.LastErrorCode(), kEAbort);
  EXPECT_EQ(browser.BrowserControlState(), TState::Creating);
  EXPECT_EQ(completions, 0);
}

TEST_F(EdgeBrowserLifecycle, RememberedUrlIsNavigatedAfterTheCompletionHandler) {
  TEdgeBrowser browser(Loader, Loop);
  browser.Navigate("file:///app/index.html");
  browser.OnCreateWebViewCompleted = [](TCustomEdgeBrowser& b, HRESULT) {
    b.Navigate("file:///app/splash.html");
  };
  Create(browser);
  EXPECT_EQ(CallsStartingWith("Navigate"),
            (std::vector<std::string>{"Navigate file:///app/splash.html",
                                      "Navigate file:///app/index.html"}));
  EXPECT_EQ(browser.LastURL(), "file:///app/index.html");
}

TEST_F(EdgeBrowserLifecycle, ClosingInsideTheCompletionHandlerSkipsRegistrationAndResize) {
  TEdgeBrowser browser(Loader, Loop);
  browser.OnCreateWebViewCompleted = [](TCustomEdgeBrowser& b, HRESULT) { b.CloseWebView(); };
  Create(browser);
  EXPECT_TRUE(CallsStartingWith("add").empty());
  EXPECT_TRUE(CallsStartingWith("PutBounds").empty());
  EXPECT_EQ(CallsStartingWith("Close"), std::vector<std::string>{"Close"});
}

TEST_F(EdgeBrowserLifecycle, CloseWithoutWebViewDoesNothing) {
  TEdgeBrowser browser(Loader, Loop);
  browser.CloseWebView();
  EXPECT_TRUE(Platform.Calls().empty());
  EXPECT_EQ(browser.BrowserProcessID(), 0u);
}

TEST_F(EdgeBrowserLifecycle, NewWindowHandleGetsANewWebView) {
  TEdgeBrowser browser(Loader, Loop);
  int completions = 0;
  browser.OnCreateWebViewCompleted = [&](TCustomEdgeBrowser&, HRESULT) { ++completions; };
  Create(browser);
  Platform.ClearCalls();
  browser.RecreateWindowHandle(99);
  // Re-initialization runs on the calling thread: the old web view is gone
  // before the new environment is asked for.
  EXPECT_FALSE(browser.WebViewCreated());
  EXPECT_EQ(Platform.Calls().back(), "CreateEnvironment");
  Platform.CompleteEnvironment(kSOk);
  Loop.Drain();
  Platform.CompleteController(kSOk);
  EXPECT_EQ(CallsStartingWith("CreateController"), std::vector<std::string>{"CreateController 99"});
  EXPECT_EQ(completions, 2);
  EXPECT_TRUE(browser.WebViewCreated());
  EXPECT_EQ(Platform.RegisteredHandlerCount(), 21u);
}

TEST_F(EdgeBrowserLifecycle, QueuedWorkForADestroyedControlDoesNothing) {
  int completions = 0;
  {
    TEdgeBrowser browser(Loader, Loop);
    browser.OnCreateWebViewCompleted = [&](TCustomEdgeBrowser&, HRESULT) { ++completions; };
    StartCreation(browser);
    Platform.CompleteEnvironment(kSOk);
  }
  Loop.Drain();
  EXPECT_TRUE(CallsStartingWith("CreateController").empty());
  EXPECT_FALSE(Platform.CompleteController(kSOk));
  EXPECT_EQ(completions, 0);
}

TEST_F(EdgeBrowserLifecycle, AFailingCompletionHandlerLeavesAFailedControlNotAPageWithoutEvents) {
  TEdgeBrowser browser(Loader, Loop);
  browser.OnCreateWebViewCompleted = [](TCustomEdgeBrowser&, HRESULT) {
    throw std::runtime_error("handler fault");
  };
  StartCreation(browser);
  Platform.CompleteEnvironment(kSOk);
  Loop.Drain();
  EXPECT_NO_THROW(Platform.CompleteController(kSOk)) << "nothing reaches the platform";

  EXPECT_EQ(browser.BrowserControlState(), TState::Failed);
  EXPECT_FALSE(browser.WebViewCreated());
  EXPECT_TRUE(CallsStartingWith("add ").empty()) << "no handler is registered";
  EXPECT_EQ(CallsStartingWith("Close"), std::vector<std::string>{"Close"});
  EXPECT_EQ(browser.LastErrorCode(), kEFail);
  // The failure surfaces from the loop as a creation failure does.
  try {
    Loop.Drain();
    ADD_FAILURE() << "no error was raised";
  } catch (const EEdgeError& error) {
    EXPECT_NE(std::string(error.what()).find("Failed to create Edge browser control"),
              std::string::npos);
    EXPECT_NE(std::string(error.what()).find("handler fault"), std::string::npos);
  }
}

TEST_F(EdgeBrowserLifecycle, SizeRatioVisibilityAndSystemCommands) {
  TEdgeBrowser browser(Loader, Loop);
  browser.Resize({10, 20, 211, 121});
  browser.SetVisible(false); // nothing to show yet
  Create(browser);
  Platform.ClearCalls();
  browser.SetSizeRatio(0.5);
  browser.SetSizeRatio(1.0);
  browser.SetVisible(false);
  browser.SetVisible(true);
  browser.HandleSysCommand(TSysCommand::Minimize);
  browser.HandleSysCommand(TSysCommand::Other);
  browser.HandleSysCommand(TSysCommand::Restore);
  EXPECT_EQ(Platform.Calls(),
            (std::vector<std::string>{"PutBounds 10,20,110,70", "PutBounds 10,20,211,121",
                                      "PutIsVisible 0", "PutIsVisible 1", "PutIsVisible 0",
                                      "PutIsVisible 1"}));
}

TEST_F(EdgeBrowserLifecycle, VersionAndProcessQueries) {
  TEdgeBrowser browser(Loader, Loop);
  Platform.BrowserVersion = "120.0";
  EXPECT_EQ(browser.BrowserVersionInfo(), "120.0");
  Create(browser);
  EXPECT_EQ(browser.BrowserProcessID(), 4242u);

  FakeWebViewPlatform absent;
  absent.LoaderLoadable = false;
  TWebViewLoader noLoader(absent);
  TEdgeBrowser other(noLoader, Loop);
  EXPECT_EQ(other.BrowserVersionInfo(), "");
  EXPECT_EQ(other.LastErrorCode(), kEFail);
}

} // namespace
} // namespace tessera
