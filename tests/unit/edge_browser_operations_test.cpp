#include "platform/fake/fake_event_loop.h"
#include "platform/fake/fake_web_view_platform.h"
#include "temp_dir.h"
#include "webview/custom_edge_browser.h"
#include "webview/edge_error.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace tessera {
namespace {

using TFormat = TCustomEdgeBrowser::TPreviewFormat;
using testing::ReadBytes;
using testing::TTempDir;
using testing::WriteBytes;

const std::vector<uint8_t> kPngSignature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
const std::vector<uint8_t> kJpegSignature = {0xFF, 0xD8, 0xFF, 0xE0};

class EdgeBrowserOperations : public ::testing::Test {
protected:
  EdgeBrowserOperations() : Loader(Platform) {}

  std::unique_ptr<TEdgeBrowser> Created() {
    auto browser = std::make_unique<TEdgeBrowser>(Loader, Loop);
    browser->SetParentWindow(5);
    while (!Platform.EnvironmentPending())
      std::this_thread::yield();
    Platform.CompleteEnvironment(kSOk);
    Loop.Drain();
    Platform.CompleteController(kSOk);
    Platform.ClearCalls();
    return browser;
  }

  FakeEventLoop Loop;
  FakeWebViewPlatform Platform;
  TWebViewLoader Loader;
};

struct TOperation {
  const char* Method; // as the fake logs it and looks up its answer
  std::function<void(TCustomEdgeBrowser&)> Run;
  const char* Logged;
};

const TOperation kOperations[] = {
    {"Navigate", [](auto& b) { b.Navigate("file:///a.html"); }, "Navigate file:///a.html"},
    {"NavigateToString", [](auto& b) { b.NavigateToString("<p>hi</p>"); },
     "NavigateToString <p>hi</p>"},
    {"GoBack", [](auto& b) { b.GoBack(); }, "GoBack"},
    {"GoForward", [](auto& b) { b.GoForward(); }, "GoForward"},
    {"Reload", [](auto& b) { b.Refresh(); }, "Reload"},
    {"Stop", [](auto& b) { b.Stop(); }, "Stop"},
    {"AddWebResourceRequestedFilter",
     [](auto& b) { b.AddWebResourceRequestedFilter("*", kWebResourceContextAll); },
     "AddWebResourceRequestedFilter * 0"},
    {"RemoveWebResourceRequestedFilter",
     [](auto& b) { b.RemoveWebResourceRequestedFilter("*", 3); },
     "RemoveWebResourceRequestedFilter * 3"},
    {"PutZoomFactor", [](auto& b) { b.SetZoomFactor(1.5); }, "PutZoomFactor 1.5"},
};

TEST_F(EdgeBrowserOperations, OperationsReachTheWebViewAndRecordTheirResult) {
  auto browser = Created();
  for (const TOperation& op : kOperations) {
    SCOPED_TRACE(op.Method);
    Platform.ClearCalls();
    Platform.Answers[op.Method] = kEAbort;
    op.Run(*browser);
    EXPECT_EQ(Platform.Calls(), std::vector<std::string>{op.Logged});
    EXPECT_EQ(browser->LastErrorCode(), kEAbort);
    Platform.Answers.clear();
    op.Run(*browser);
    EXPECT_EQ(browser->LastErrorCode(), kSOk);
  }
  EXPECT_EQ(browser->ZoomFactor(), 1.5);
}

// Never created, and created then closed (settings and environment are
// still held then, the web view and controller are not).
TEST_F(EdgeBrowserOperations, WithoutAWebViewNothingIsAskedAndQueriesAreEmpty) {
  TTempDir dir;
  auto fresh = std::make_unique<TEdgeBrowser>(Loader, Loop);
  auto closed = Created();
  closed->CloseWebView();
  for (TEdgeBrowser* browser : {fresh.get(), closed.get()}) {
    Platform.ClearCalls();
    int completions = 0;
    browser->OnExecuteScript = [&](TCustomEdgeBrowser&, HRESULT, const std::string&) {
      ++completions;
    };
    browser->OnCapturePreviewCompleted = [&](TCustomEdgeBrowser&, HRESULT) { ++completions; };
    for (const TOperation& op : kOperations)
      if (op.Method != std::string("Navigate"))
        op.Run(*browser);
    browser->ExecuteScript("1");
    browser->SubscribeToCDPEvent("Runtime.consoleAPICalled");
    browser->CapturePreview(dir.File("shot.png"), TFormat::PNG);
    TMemoryStream stream(std::vector<uint8_t>{1, 2, 3});
    stream.SetPosition(2);
    browser->CapturePreview(stream, TFormat::PNG);

    EXPECT_FALSE(browser->CanGoBack());
    EXPECT_FALSE(browser->CanGoForward());
    EXPECT_FALSE(browser->ContainsFullScreenElement());
    EXPECT_EQ(browser->DocumentTitle(), "");
    EXPECT_EQ(browser->LocationURL(), "");
    EXPECT_EQ(browser->ZoomFactor(), 0.0);
    EXPECT_TRUE(Platform.Calls().empty());
    EXPECT_FALSE(std::filesystem::exists(dir.File("shot.png")));
    EXPECT_EQ(stream.Position(), 2) << "the caller's stream is left alone";
    EXPECT_EQ(completions, 0);
  }
}

TEST_F(EdgeBrowserOperations, NavigateBeforeTheWebViewRemembersOnlyUrlsWithContent) {
  struct TCase {
    const char* Url;
    bool Remembered;
  };
  const TCase cases[] = {
      {"", false},
      {"   ", false},
      {"\t\r\n \x01\x1f", false},
      {"  file:///a.html \t", true}, // kept with its blanks
      {"\xC3\xA9", true},            // bytes of a UTF-8 sequence are not blanks
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(std::string(c.Url)));
    TEdgeBrowser browser(Loader, Loop);
    browser.SetLastURL("file:///before.html");
    browser.Navigate(c.Url);
    EXPECT_EQ(browser.LastURL(), c.Remembered ? c.Url : "file:///before.html");
  }

  TEdgeBrowser browser(Loader, Loop);
  browser.Navigate("  file:///a.html ");
  browser.Navigate(" ");
  browser.SetParentWindow(5);
  while (!Platform.EnvironmentPending())
    std::this_thread::yield();
  Platform.CompleteEnvironment(kSOk);
  Loop.Drain();
  Platform.ClearCalls();
  Platform.CompleteController(kSOk);
  EXPECT_EQ(Platform.Calls().back(), "Navigate   file:///a.html ");
}

TEST_F(EdgeBrowserOperations, QueriesReadTheWebViewAndFallBackWhenTheReadFails) {
  auto browser = Created();
  Platform.CanGoBack = true;
  Platform.CanGoForward = true;
  Platform.ContainsFullScreenElement = true;
  Platform.DocumentTitle = "Title";
  Platform.Source = "file:///index.html";
  Platform.ZoomFactor = 2.0;
  struct TQuery {
    const char* Method;
    std::function<std::string(TCustomEdgeBrowser&)> Read;
    const char* Value;
    const char* WhenFailed;
  };
  auto flag = [](bool b) { return std::string(b ? "true" : "false"); };
  const TQuery queries[] = {
      {"GetCanGoBack", [&](auto& b) { return flag(b.CanGoBack()); }, "true", "false"},
      {"GetCanGoForward", [&](auto& b) { return flag(b.CanGoForward()); }, "true", "false"},
      {"GetContainsFullScreenElement", [&](auto& b) { return flag(b.ContainsFullScreenElement()); },
       "true", "false"},
      {"GetDocumentTitle", [](auto& b) { return b.DocumentTitle(); }, "Title", ""},
      {"GetSource", [](auto& b) { return b.LocationURL(); }, "file:///index.html", ""},
      {"GetZoomFactor", [](auto& b) { return std::to_string(b.ZoomFactor()); }, "2.000000",
       "0.000000"},
  };
  for (const TQuery& q : queries) {
    SCOPED_TRACE(q.Method);
    EXPECT_EQ(q.Read(*browser), q.Value);
    EXPECT_EQ(browser->LastErrorCode(), kSOk);
    Platform.Answers[q.Method] = kEAbort;
    EXPECT_EQ(q.Read(*browser), q.WhenFailed);
    EXPECT_EQ(browser->LastErrorCode(), kEAbort);
    Platform.Answers.clear();
  }
}

TEST_F(EdgeBrowserOperations, LocationUrlHidesOnlyTheBlankPage) {
  auto browser = Created();
  const std::pair<const char*, const char*> cases[] = {
      {"about:blank", ""},
      {"ABOUT:Blank", ""},
      {"about:blank#top", "about:blank#top"},
      {"file:///index.html", "file:///index.html"},
  };
  for (auto [source, expected] : cases) {
    Platform.Source = source;
    EXPECT_EQ(browser->LocationURL(), expected) << source;
  }
}

struct TSettingAccessor {
  TWebViewSetting Setting;
  bool (TCustomEdgeBrowser::*Get)();
  void (TCustomEdgeBrowser::*Set)(bool);
};

const TSettingAccessor kSettings[] = {
    {TWebViewSetting::ScriptEnabled, &TCustomEdgeBrowser::ScriptEnabled,
     &TCustomEdgeBrowser::SetScriptEnabled},
    {TWebViewSetting::WebMessageEnabled, &TCustomEdgeBrowser::WebMessageEnabled,
     &TCustomEdgeBrowser::SetWebMessageEnabled},
    {TWebViewSetting::DefaultScriptDialogsEnabled, &TCustomEdgeBrowser::DefaultScriptDialogsEnabled,
     &TCustomEdgeBrowser::SetDefaultScriptDialogsEnabled},
    {TWebViewSetting::StatusBarEnabled, &TCustomEdgeBrowser::StatusBarEnabled,
     &TCustomEdgeBrowser::SetStatusBarEnabled},
    {TWebViewSetting::DevToolsEnabled, &TCustomEdgeBrowser::DevToolsEnabled,
     &TCustomEdgeBrowser::SetDevToolsEnabled},
    {TWebViewSetting::DefaultContextMenusEnabled, &TCustomEdgeBrowser::DefaultContextMenusEnabled,
     &TCustomEdgeBrowser::SetDefaultContextMenusEnabled},
    {TWebViewSetting::ZoomControlEnabled, &TCustomEdgeBrowser::ZoomControlEnabled,
     &TCustomEdgeBrowser::SetZoomControlEnabled},
    {TWebViewSetting::BuiltInErrorPageEnabled, &TCustomEdgeBrowser::BuiltInErrorPageEnabled,
     &TCustomEdgeBrowser::SetBuiltInErrorPageEnabled},
};

void ExpectNotInstantiated(const std::function<void()>& access) {
  try {
    access();
    ADD_FAILURE() << "no EEdgeError raised";
  } catch (const EEdgeError& e) {
    EXPECT_STREQ(e.what(), "WebView2 not instantiated");
    EXPECT_EQ(e.ErrorCode(), kEFail);
  }
}

TEST_F(EdgeBrowserOperations, SettingsNeedTheSettingsObject) {
  TEdgeBrowser fresh(Loader, Loop);
  for (const TSettingAccessor& s : kSettings) {
    SCOPED_TRACE(SettingName(s.Setting));
    ExpectNotInstantiated([&] { (fresh.*s.Get)(); });
    ExpectNotInstantiated([&] { (fresh.*s.Set)(true); });
  }
  EXPECT_TRUE(Platform.Calls().empty());
}

TEST_F(EdgeBrowserOperations, SettingsMapOntoTheirOwnEngineSetting) {
  auto browser = Created();
  for (const TSettingAccessor& s : kSettings) {
    SCOPED_TRACE(SettingName(s.Setting));
    const std::string name = SettingName(s.Setting);
    // Only this setting is off, so reading the wrong one shows.
    Platform.SettingValues = FakeWebViewPlatform::AllSettings(true);
    Platform.SettingValues[s.Setting] = false;
    Platform.ClearCalls();
    EXPECT_FALSE((*browser.*s.Get)());
    (*browser.*s.Set)(true);
    EXPECT_TRUE(Platform.SettingValues[s.Setting]);
    EXPECT_EQ(Platform.Calls(),
              (std::vector<std::string>{"GetBool " + name, "PutBool " + name + " 1"}));

    // A failed read raises with E_FAIL and keeps the engine's own code as the
    // last error; a failed write is only recorded.
    Platform.SettingGetAnswers[s.Setting] = kEAbort;
    ExpectNotInstantiated([&] { (*browser.*s.Get)(); });
    EXPECT_EQ(browser->LastErrorCode(), kEAbort);
    Platform.SettingPutAnswers[s.Setting] = kEInvalidArg;
    EXPECT_NO_THROW((*browser.*s.Set)(false));
    EXPECT_EQ(browser->LastErrorCode(), kEInvalidArg);
    EXPECT_TRUE(Platform.SettingValues[s.Setting]);
    Platform.SettingGetAnswers.clear();
    Platform.SettingPutAnswers.clear();
  }
}

TEST_F(EdgeBrowserOperations, ExecuteScriptResultArrivesThroughItsEvent) {
  auto browser = Created();
  std::vector<std::pair<HRESULT, std::string>> results;
  browser->OnExecuteScript = [&](TCustomEdgeBrowser&, HRESULT r, const std::string& json) {
    results.emplace_back(r, json);
  };
  browser->ExecuteScript("1 + 1");
  browser->ExecuteScript("throw 1");
  EXPECT_EQ(Platform.Calls(),
            (std::vector<std::string>{"ExecuteScript 1 + 1", "ExecuteScript throw 1"}));
  EXPECT_TRUE(results.empty()) << "nothing before the engine answers";
  Platform.CompleteExecuteScript(kSOk, "2");
  Platform.CompleteExecuteScript(kEFail, "null");
  EXPECT_EQ(results, (std::vector<std::pair<HRESULT, std::string>>{{kSOk, "2"}, {kEFail, "null"}}));

  // The immediate answer is not the script's outcome and is not recorded.
  browser->GoBack();
  Platform.Answers["ExecuteScript"] = kEAbort;
  browser->ExecuteScript("x");
  EXPECT_EQ(browser->LastErrorCode(), kSOk);

  // Without a handler the script still runs and its result is dropped.
  Platform.Answers.clear();
  browser->OnExecuteScript = nullptr;
  browser->ExecuteScript("y");
  EXPECT_EQ(Platform.Calls().back(), "ExecuteScript y");
  EXPECT_TRUE(Platform.CompleteExecuteScript(kSOk, "1"));
  EXPECT_EQ(results.size(), 2u);
}

TEST_F(EdgeBrowserOperations, CapturePreviewWritesAFileInTheAskedFormat) {
  TTempDir dir;
  auto browser = Created();
  std::vector<HRESULT> completions;
  browser->OnCapturePreviewCompleted = [&](TCustomEdgeBrowser&, HRESULT r) {
    completions.push_back(r);
  };
  const std::string png = dir.File("shot.png");
  const std::string jpeg = dir.File("shot.jpg");
  WriteBytes(jpeg, std::vector<uint8_t>(100, 'o')); // an older, longer file
  browser->CapturePreview(png, TFormat::PNG);
  browser->CapturePreview(jpeg, TFormat::JPEG);
  EXPECT_EQ(Platform.Calls(), (std::vector<std::string>{"CapturePreview 0", "CapturePreview 1"}));
  ASSERT_TRUE(Platform.CompleteCapturePreview(kSOk));
  ASSERT_TRUE(Platform.CompleteCapturePreview(kSOk));
  EXPECT_EQ(completions, (std::vector<HRESULT>{kSOk, kSOk}));
  EXPECT_EQ(ReadBytes(png), kPngSignature);
  EXPECT_EQ(ReadBytes(jpeg), kJpegSignature) << "the file is made anew";

  // A file that cannot be made ends the operation before the engine is asked.
  Platform.ClearCalls();
  browser->GoBack();
  browser->CapturePreview(dir.File("missing/shot.png"), TFormat::PNG);
  EXPECT_EQ(browser->LastErrorCode(), kEFail);
  EXPECT_EQ(Platform.Calls(), std::vector<std::string>{"GoBack"});

  // The engine refusing at once is recorded and never completes.
  Platform.Answers["CapturePreview"] = kEAbort;
  browser->CapturePreview(png, TFormat::PNG);
  EXPECT_EQ(browser->LastErrorCode(), kEAbort);
  EXPECT_FALSE(Platform.CompleteCapturePreview(kSOk));
}

TEST_F(EdgeBrowserOperations, CapturePreviewIntoACallersStreamWritesFromItsStart) {
  auto browser = Created();
  HRESULT completed = kEAbort;
  browser->OnCapturePreviewCompleted = [&](TCustomEdgeBrowser&, HRESULT r) { completed = r; };
  // On the stack: the control must borrow it, never free it.
  TMemoryStream stream(std::vector<uint8_t>(12, 'o'));
  stream.SetPosition(12);
  browser->CapturePreview(stream, TFormat::JPEG);
  ASSERT_TRUE(Platform.CompleteCapturePreview(kSOk));
  EXPECT_EQ(completed, kSOk);
  std::vector<uint8_t> expected = kJpegSignature;
  expected.resize(12, 'o');
  EXPECT_EQ(stream.Bytes(), expected);
}

TEST_F(EdgeBrowserOperations, CompletionsAfterTheControlIsGoneDoNothing) {
  int events = 0;
  TMemoryStream stream;
  {
    auto browser = Created();
    browser->OnExecuteScript = [&](TCustomEdgeBrowser&, HRESULT, const std::string&) { ++events; };
    browser->OnCapturePreviewCompleted = [&](TCustomEdgeBrowser&, HRESULT) { ++events; };
    browser->ExecuteScript("1");
    browser->CapturePreview(stream, TFormat::PNG);
  }
  EXPECT_TRUE(Platform.CompleteExecuteScript(kSOk, "1"));
  EXPECT_TRUE(Platform.CompleteCapturePreview(kSOk));
  EXPECT_EQ(events, 0);
}

TEST_F(EdgeBrowserOperations, CompletionHandlerExceptionsStayInsideTheControl) {
  auto browser = Created();
  browser->OnExecuteScript = [](TCustomEdgeBrowser&, HRESULT, const std::string&) {
    throw std::runtime_error("script handler fault");
  };
  browser->OnCapturePreviewCompleted = [](TCustomEdgeBrowser&, HRESULT) { throw 1; };
  TMemoryStream stream;
  browser->ExecuteScript("1");
  browser->CapturePreview(stream, TFormat::PNG);
  ::testing::internal::CaptureStderr();
  EXPECT_NO_THROW(Platform.CompleteExecuteScript(kSOk, "1"));
  EXPECT_NO_THROW(Platform.CompleteCapturePreview(kSOk));
  const std::string reported = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(reported.find("script handler fault"), std::string::npos);
}

TEST_F(EdgeBrowserOperations, DevToolsEventsKeepOneHandlerPerNameUntilClosed) {
  auto browser = Created();
  std::vector<std::string> received;
  browser->OnDevToolsProtocolEventReceived = [&](TCustomEdgeBrowser&, const std::string& name,
                                                 const std::string& json) {
    received.push_back(name + " " + json);
  };
  browser->SubscribeToCDPEvent("Runtime.consoleAPICalled");
  browser->SubscribeToCDPEvent("Runtime.consoleAPICalled");
  browser->SubscribeToCDPEvent("Log.entryAdded");
  EXPECT_EQ(Platform.RegisteredHandlerCount("DevTools Runtime.consoleAPICalled"), 1u);
  EXPECT_EQ(Platform.RegisteredHandlerCount("DevTools Log.entryAdded"), 1u);

  FakeDevToolsProtocolEventReceivedArgs args;
  args.ParameterObjectAsJson = R"({"type":"log"})";
  ASSERT_TRUE(Platform.RaiseDevToolsEvent("Runtime.consoleAPICalled", args));
  EXPECT_EQ(received, std::vector<std::string>{R"(Runtime.consoleAPICalled {"type":"log"})"});

  // Unassigned, the arguments are not read.
  browser->OnDevToolsProtocolEventReceived = nullptr;
  args.Reads = 0;
  Platform.RaiseDevToolsEvent("Log.entryAdded", args);
  EXPECT_EQ(args.Reads, 0);

  Platform.ClearCalls();
  browser->CloseWebView();
  const auto calls = Platform.Calls();
  const auto at = std::find(calls.begin(), calls.end(), "remove ContainsFullScreenElementChanged");
  ASSERT_NE(at, calls.end());
  // After the web view's own handlers, before the controller's.
  EXPECT_EQ(std::vector<std::string>(at + 1, at + 5),
            (std::vector<std::string>{"GetDevToolsProtocolEventReceiver Log.entryAdded",
                                      "remove DevTools Log.entryAdded",
                                      "GetDevToolsProtocolEventReceiver Runtime.consoleAPICalled",
                                      "remove DevTools Runtime.consoleAPICalled"}));
  EXPECT_EQ(Platform.RegisteredHandlerCount(), 0u);

  // The names are forgotten: a new web view gets fresh subscriptions, with
  // nothing left over to remove.
  browser->CreateWebView();
  while (!Platform.EnvironmentPending())
    std::this_thread::yield();
  Platform.CompleteEnvironment(kSOk);
  Loop.Drain();
  Platform.CompleteController(kSOk);
  Platform.ClearCalls();
  browser->SubscribeToCDPEvent("Log.entryAdded");
  EXPECT_EQ(Platform.Calls(), (std::vector<std::string>{"GetDevToolsProtocolEventReceiver "
                                                        "Log.entryAdded",
                                                        "add DevTools Log.entryAdded"}));
}

TEST_F(EdgeBrowserOperations, DevToolsSubscriptionFailuresAreRecorded) {
  auto browser = Created();
  Platform.Answers["GetDevToolsProtocolEventReceiver"] = kEAbort;
  browser->SubscribeToCDPEvent("Network.requestWillBeSent");
  EXPECT_EQ(browser->LastErrorCode(), kEAbort);
  EXPECT_EQ(Platform.RegisteredHandlerCount("DevTools Network.requestWillBeSent"), 0u);

  // A refused second subscription leaves no handler and no token behind.
  Platform.Answers.clear();
  browser->SubscribeToCDPEvent("Network.requestWillBeSent");
  Platform.Answers["AddDevToolsHandler"] = kEInvalidArg;
  browser->SubscribeToCDPEvent("Network.requestWillBeSent");
  EXPECT_EQ(browser->LastErrorCode(), kEInvalidArg);
  EXPECT_EQ(Platform.RegisteredHandlerCount("DevTools Network.requestWillBeSent"), 0u);
  Platform.ClearCalls();
  browser->CloseWebView();
  for (const std::string& call : Platform.Calls())
    EXPECT_EQ(call.find("DevTools"), std::string::npos) << call;
}

} // namespace
} // namespace tessera
