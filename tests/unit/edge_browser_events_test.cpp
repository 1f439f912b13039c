#include "platform/fake/fake_event_loop.h"
#include "platform/fake/fake_web_view_platform.h"
#include "webview/custom_edge_browser.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace tessera {
namespace {

// One argument object of the right kind for every notification; the events
// that carry nothing get the plain base.
struct TAllArgs {
  FakeNavigationStartingArgs NavigationStarting;
  FakeNavigationStartingArgs FrameNavigationStarting;
  FakeNavigationCompletedArgs NavigationCompleted;
  FakeNavigationCompletedArgs FrameNavigationCompleted;
  FakeSourceChangedArgs SourceChanged;
  FakeContentLoadingArgs ContentLoading;
  FakeNewWindowRequestedArgs NewWindowRequested;
  FakeWebResourceRequestedArgs WebResourceRequested;
  FakeScriptDialogOpeningArgs ScriptDialogOpening;
  FakePermissionRequestedArgs PermissionRequested;
  FakeProcessFailedArgs ProcessFailed;
  FakeWebMessageReceivedArgs WebMessageReceived;
  WebViewEventArgs None;

  WebViewEventArgs& For(TWebViewEvent event) {
    switch (event) {
    case TWebViewEvent::NavigationStarting:
      return NavigationStarting;
    case TWebViewEvent::FrameNavigationStarting:
      return FrameNavigationStarting;
    case TWebViewEvent::NavigationCompleted:
      return NavigationCompleted;
    case TWebViewEvent::FrameNavigationCompleted:
      return FrameNavigationCompleted;
    case TWebViewEvent::SourceChanged:
      return SourceChanged;
    case TWebViewEvent::ContentLoading:
      return ContentLoading;
    case TWebViewEvent::NewWindowRequested:
      return NewWindowRequested;
    case TWebViewEvent::WebResourceRequested:
      return WebResourceRequested;
    case TWebViewEvent::ScriptDialogOpening:
      return ScriptDialogOpening;
    case TWebViewEvent::PermissionRequested:
      return PermissionRequested;
    case TWebViewEvent::ProcessFailed:
      return ProcessFailed;
    case TWebViewEvent::WebMessageReceived:
      return WebMessageReceived;
    default:
      return None;
    }
  }

  int Reads() const {
    return NavigationStarting.Reads + FrameNavigationStarting.Reads + NavigationCompleted.Reads +
           FrameNavigationCompleted.Reads + SourceChanged.Reads + ContentLoading.Reads +
           NewWindowRequested.Reads + WebResourceRequested.Reads +
           WebResourceRequested.Request->Reads + ScriptDialogOpening.Reads +
           PermissionRequested.Reads + ProcessFailed.Reads + WebMessageReceived.Reads;
  }
};

constexpr TWebViewEvent kAllWebViewEvents[] = {
    TWebViewEvent::NavigationStarting,
    TWebViewEvent::NavigationCompleted,
    TWebViewEvent::SourceChanged,
    TWebViewEvent::HistoryChanged,
    TWebViewEvent::ContentLoading,
    TWebViewEvent::DocumentTitleChanged,
    TWebViewEvent::NewWindowRequested,
    TWebViewEvent::FrameNavigationStarting,
    TWebViewEvent::FrameNavigationCompleted,
    TWebViewEvent::WebResourceRequested,
    TWebViewEvent::ScriptDialogOpening,
    TWebViewEvent::PermissionRequested,
    TWebViewEvent::ProcessFailed,
    TWebViewEvent::WebMessageReceived,
    TWebViewEvent::ContainsFullScreenElementChanged,
    TWebViewEvent::WindowCloseRequested,
};

std::string Flag(bool value) {
  return value ? "1" : "0";
}

// Points every notification event of the control at `sink`, with a short
// description of what the handler received.
void AssignAll(TCustomEdgeBrowser& b, std::function<void(const std::string&)> sink) {
  auto uriOf = [](auto& args) {
    std::string uri;
    args.ArgsInterface().GetUri(uri);
    return uri;
  };
  b.OnNavigationStarting = [=](TCustomEdgeBrowser&, TNavigationStartingEventArgs& a) {
    sink("NavigationStarting " + uriOf(a));
  };
  b.OnFrameNavigationStarting = [=](TCustomEdgeBrowser&, TNavigationStartingEventArgs& a) {
    sink("FrameNavigationStarting " + uriOf(a));
  };
  b.OnNavigationCompleted = [=](TCustomEdgeBrowser&, bool ok, TWebViewEnumValue status) {
    sink("NavigationCompleted " + Flag(ok) + " " + std::to_string(status));
  };
  b.OnFrameNavigationCompleted = [=](TCustomEdgeBrowser&, bool ok, TWebViewEnumValue status) {
    sink("FrameNavigationCompleted " + Flag(ok) + " " + std::to_string(status));
  };
  b.OnSourceChanged = [=](TCustomEdgeBrowser&, bool isNew) {
    sink("SourceChanged " + Flag(isNew));
  };
  b.OnHistoryChanged = [=](TCustomEdgeBrowser&) { sink("HistoryChanged"); };
  b.OnContentLoading = [=](TCustomEdgeBrowser&, bool errorPage, std::uint64_t id) {
    sink("ContentLoading " + Flag(errorPage) + " " + std::to_string(id));
  };
  b.OnDocumentTitleChanged = [=](TCustomEdgeBrowser&, const std::string& title) {
    sink("DocumentTitleChanged " + title);
  };
  b.OnNewWindowRequested = [=](TCustomEdgeBrowser&, TNewWindowRequestedEventArgs& a) {
    sink("NewWindowRequested " + uriOf(a));
  };
  b.OnWebResourceRequested = [=](TCustomEdgeBrowser&, TWebResourceRequestedEventArgs& a) {
    std::shared_ptr<WebResourceRequest> request;
    std::string uri;
    a.ArgsInterface().GetRequest(request);
    request->GetUri(uri);
    sink("WebResourceRequested " + uri);
  };
  b.OnScriptDialogOpening = [=](TCustomEdgeBrowser&, TScriptDialogOpeningEventArgs& a) {
    std::string message;
    a.ArgsInterface().GetMessageText(message);
    sink("ScriptDialogOpening " + message);
  };
  b.OnPermissionRequested = [=](TCustomEdgeBrowser&, TPermissionRequestedEventArgs& a) {
    sink("PermissionRequested " + uriOf(a));
  };
  b.OnProcessFailed = [=](TCustomEdgeBrowser&, TWebViewEnumValue kind) {
    sink("ProcessFailed " + std::to_string(kind));
  };
  b.OnWebMessageReceived = [=](TCustomEdgeBrowser&, TWebMessageReceivedEventArgs& a) {
    std::string json;
    a.ArgsInterface().GetWebMessageAsJson(json);
    sink("WebMessageReceived " + json);
  };
  b.OnContainsFullScreenElementChanged = [=](TCustomEdgeBrowser&, bool contains) {
    sink("ContainsFullScreenElementChanged " + Flag(contains));
  };
  b.OnWindowCloseRequested = [=](TCustomEdgeBrowser&) { sink("WindowCloseRequested"); };
  b.OnZoomFactorChanged = [=](TCustomEdgeBrowser&, double zoom) {
    sink("ZoomFactorChanged " + std::to_string(zoom));
  };
}

class EdgeBrowserEvents : public ::testing::Test {
protected:
  EdgeBrowserEvents() : Loader(Platform), Browser(Loader, Loop) {
    Browser.SetParentWindow(5);
    while (!Platform.EnvironmentPending())
      std::this_thread::yield();
    Platform.CompleteEnvironment(kSOk);
    Loop.Drain();
    Platform.CompleteController(kSOk);
    Platform.ClearCalls();
  }

  // Raises every web view notification in registration order, then the
  // controller's zoom change; each one must find the control's handler.
  void RaiseAll(TAllArgs& args) {
    for (TWebViewEvent event : kAllWebViewEvents)
      ASSERT_TRUE(Platform.Raise(event, args.For(event))) << EventName(event);
    ASSERT_TRUE(Platform.Raise(TControllerEvent::ZoomFactorChanged, args.None));
  }

  FakeEventLoop Loop;
  FakeWebViewPlatform Platform;
  TWebViewLoader Loader;
  TEdgeBrowser Browser;
};

TEST_F(EdgeBrowserEvents, UnassignedEventsReadNothingAndLaterHandlersSeeCurrentValues) {
  TAllArgs args;
  RaiseAll(args);
  EXPECT_EQ(args.Reads(), 0);
  EXPECT_TRUE(Platform.Calls().empty()) << "no title, full-screen or zoom read either";

  std::vector<std::string> log;
  AssignAll(Browser, [&](const std::string& what) { log.push_back(what); });
  args.NavigationStarting.Uri = "file:///a.html";
  args.FrameNavigationStarting.Uri = "file:///frame.html";
  args.NavigationCompleted.IsSuccess = false;
  args.NavigationCompleted.WebErrorStatus = 7;
  args.FrameNavigationCompleted.WebErrorStatus = 3;
  args.SourceChanged.IsNewDocument = true;
  args.ContentLoading.IsErrorPage = true;
  args.ContentLoading.NavigationId = 0x100000002ull; // beyond 32 bits
  args.NewWindowRequested.Uri = "file:///new.html";
  args.WebResourceRequested.Request->Uri = "file:///app.js";
  args.ScriptDialogOpening.Message = "sure?";
  args.PermissionRequested.Uri = "file:///cam.html";
  args.ProcessFailed.ProcessFailedKind = 2;
  args.WebMessageReceived.WebMessageAsJson = R"({"id":1})";
  Platform.DocumentTitle = "Fresh title";
  Platform.ContainsFullScreenElement = true;
  Platform.ZoomFactor = 1.25;
  RaiseAll(args);

  const std::vector<std::string> expected = {
      "NavigationStarting file:///a.html",
      "NavigationCompleted 0 7",
      "SourceChanged 1",
      "HistoryChanged",
      "ContentLoading 1 4294967298",
      "DocumentTitleChanged Fresh title",
      "NewWindowRequested file:///new.html",
      "FrameNavigationStarting file:///frame.html",
      "FrameNavigationCompleted 1 3",
      "WebResourceRequested file:///app.js",
      "ScriptDialogOpening sure?",
      "PermissionRequested file:///cam.html",
      "ProcessFailed 2",
      "WebMessageReceived {\"id\":1}",
      "ContainsFullScreenElementChanged 1",
      "WindowCloseRequested",
      "ZoomFactorChanged 1.250000",
  };
  EXPECT_EQ(log, expected);
}

TEST_F(EdgeBrowserEvents, HandlersAnswerThroughThePlatformArguments) {
  Browser.OnNavigationStarting = [](TCustomEdgeBrowser&, TNavigationStartingEventArgs& a) {
    a.ArgsInterface().PutCancel(true);
  };
  Browser.OnFrameNavigationStarting = [](TCustomEdgeBrowser&, TNavigationStartingEventArgs& a) {
    a.ArgsInterface().PutCancel(false);
  };
  Browser.OnNewWindowRequested = [](TCustomEdgeBrowser&, TNewWindowRequestedEventArgs& a) {
    a.ArgsInterface().PutHandled(true);
  };
  Browser.OnPermissionRequested = [](TCustomEdgeBrowser&, TPermissionRequestedEventArgs& a) {
    a.ArgsInterface().PutState(kPermissionStateAllow);
  };
  Browser.OnScriptDialogOpening = [](TCustomEdgeBrowser&, TScriptDialogOpeningEventArgs& a) {
    a.ArgsInterface().PutResultText("typed");
    a.ArgsInterface().Accept();
  };
  std::string message = "unset";
  Browser.OnWebMessageReceived = [&](TCustomEdgeBrowser&, TWebMessageReceivedEventArgs& a) {
    if (a.ArgsInterface().TryGetWebMessageAsString(message) == kEInvalidArg)
      message = "not a string";
  };
  Browser.OnWebResourceRequested = [](TCustomEdgeBrowser& sender,
                                      TWebResourceRequestedEventArgs& a) {
    std::shared_ptr<WebResourceResponse> response;
    sender.EnvironmentInterface()->CreateWebResourceResponse(nullptr, 404, "Not Found", "",
                                                             response);
    a.ArgsInterface().PutResponse(response);
  };

  TAllArgs args;
  args.WebMessageReceived.WebMessageAsString = "hello";
  for (TWebViewEvent event : kAllWebViewEvents)
    Platform.Raise(event, args.For(event));
  EXPECT_EQ(args.NavigationStarting.Cancel, true);
  EXPECT_EQ(args.FrameNavigationStarting.Cancel, false) << "frame events go to their own handler";
  EXPECT_EQ(args.NewWindowRequested.Handled, true);
  EXPECT_EQ(args.PermissionRequested.State, kPermissionStateAllow);
  EXPECT_EQ(args.ScriptDialogOpening.ResultText, "typed");
  EXPECT_TRUE(args.ScriptDialogOpening.Accepted);
  EXPECT_EQ(message, "hello");
  auto* response = dynamic_cast<FakeWebResourceResponse*>(args.WebResourceRequested.Response.get());
  ASSERT_NE(response, nullptr);
  EXPECT_EQ(response->StatusCode, 404);

  FakeWebMessageReceivedArgs object;
  object.WebMessageAsJson = "{}";
  Platform.Raise(TWebViewEvent::WebMessageReceived, object);
  EXPECT_EQ(message, "not a string");
}

// The values the control reads itself for an event go through the last
// error like any query; only the full-screen state drops its event when the
// read fails.
TEST_F(EdgeBrowserEvents, ReadsMadeForAnEventAreRecorded) {
  struct TCase {
    const char* Method;
    TWebViewEvent Event; // ignored for the zoom, which the controller raises
    bool Zoom;
    std::vector<std::string> WhenFailed;
  };
  const TCase cases[] = {
      {"GetContainsFullScreenElement", TWebViewEvent::ContainsFullScreenElementChanged, false, {}},
      {"GetDocumentTitle", TWebViewEvent::DocumentTitleChanged, false, {"DocumentTitleChanged "}},
      {"GetZoomFactor", {}, true, {"ZoomFactorChanged 0.000000"}},
  };
  Platform.DocumentTitle = "T";
  Platform.ContainsFullScreenElement = true;
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Method);
    std::vector<std::string> log;
    AssignAll(Browser, [&](const std::string& what) { log.push_back(what); });
    WebViewEventArgs none;
    auto raise = [&] {
      if (c.Zoom)
        Platform.Raise(TControllerEvent::ZoomFactorChanged, none);
      else
        Platform.Raise(c.Event, none);
    };
    Platform.Answers[c.Method] = kEAbort;
    raise();
    EXPECT_EQ(log, c.WhenFailed);
    EXPECT_EQ(Browser.LastErrorCode(), kEAbort);
    Platform.Answers.erase(c.Method);
    log.clear();
    raise();
    EXPECT_EQ(log.size(), 1u);
    EXPECT_EQ(Browser.LastErrorCode(), kSOk);
  }
}

TEST_F(EdgeBrowserEvents, HandlerExceptionsStayInsideTheControl) {
  int calls = 0;
  AssignAll(Browser, [&](const std::string& what) {
    ++calls;
    if (calls % 2)
      throw std::runtime_error("handler fault in " + what);
    throw 42; // not even a std::exception
  });
  TAllArgs args;
  ::testing::internal::CaptureStderr();
  EXPECT_NO_FATAL_FAILURE(RaiseAll(args));
  const std::string reported = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(calls, 17);
  EXPECT_NE(reported.find("handler fault in NavigationStarting"), std::string::npos);
  EXPECT_NE(reported.find("unknown exception"), std::string::npos);

  // The control keeps forwarding afterwards.
  std::vector<std::string> log;
  AssignAll(Browser, [&](const std::string& what) { log.push_back(what); });
  Platform.Raise(TWebViewEvent::HistoryChanged, args.None);
  EXPECT_EQ(log, std::vector<std::string>{"HistoryChanged"});
}

TEST_F(EdgeBrowserEvents, AHandlerMayClearItsOwnEvent) {
  // A one-shot handler drops itself and then still uses what it captured;
  // the control must not have destroyed it under its feet.
  const std::string context(100, 'x');
  std::string seen;
  Browser.OnNavigationCompleted = [this, context, &seen](TCustomEdgeBrowser&, bool,
                                                         TWebViewEnumValue) {
    Browser.OnNavigationCompleted = nullptr;
    seen = context;
  };
  FakeNavigationCompletedArgs args;
  Platform.Raise(TWebViewEvent::NavigationCompleted, args);
  Platform.Raise(TWebViewEvent::NavigationCompleted, args);
  EXPECT_EQ(seen, context);
  EXPECT_EQ(args.Reads, 2) << "the second notification found no handler and read nothing";
}

} // namespace
} // namespace tessera
