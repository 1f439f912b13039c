// The web view control hosted in real top-level Win32 windows, driven by the
// Win32 event loop and the COM binding, with the test engine standing in
// for the browser runtime's loader library.
#include "engine_log_reader.h"

#include "base/stream.h"
#include "platform/webview2/webview2_platform.h"
#include "platform/win32/com_apartment.h"
#include "platform/win32/event_loop_win32.h"
#include "platform/win32/windows_api.h"
#include "webview/custom_edge_browser.h"
#include "webview/edge_error.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cwchar>
#include <exception>
#include <filesystem>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace tessera {
namespace {

using testing::TEngineLogReader;
using TState = TCustomEdgeBrowser::TBrowserControlState;

constexpr HRESULT kAccessDenied = static_cast<HRESULT>(0x80070005u);
constexpr HRESULT kUnexpected = static_cast<HRESULT>(0x8000FFFFu);

std::filesystem::path ThisFolder() {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return std::filesystem::path(path).parent_path();
}

std::string HandleText(HWND window) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%llX",
                static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(window)));
  return text;
}

// Whether `window` itself is shown, whatever its parent.
bool Shown(HWND window) {
  return (GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE) != 0;
}

// A top-level window standing for the control's own window. Its window
// procedure forwards what the toolkit would: size changes and system
// commands, which the control swallows.
class THostWindow {
public:
  explicit THostWindow(TCustomEdgeBrowser*& browser) : FBrowser(browser) {
    static const ATOM windowClass = [] {
      WNDCLASSEXW wc{};
      wc.cbSize = sizeof wc;
      wc.lpfnWndProc = &THostWindow::WindowProc;
      wc.hInstance = GetModuleHandleW(nullptr);
      wc.lpszClassName = L"TesseraTestHost";
      return RegisterClassExW(&wc);
    }();
    EXPECT_NE(windowClass, 0);
    // Left unmapped: under Wine without a window manager, taking a mapped
    // top-level window down costs two seconds. Nothing here needs pixels.
    FWindow = CreateWindowExW(0, L"TesseraTestHost", L"host", WS_OVERLAPPEDWINDOW, 10, 10, 440, 360,
                              nullptr, nullptr, GetModuleHandleW(nullptr), this);
    EXPECT_NE(FWindow, nullptr);
  }
  ~THostWindow() { Destroy(); }
  THostWindow(const THostWindow&) = delete;
  THostWindow& operator=(const THostWindow&) = delete;

  HWND Handle() const { return FWindow; }
  TNativeWindow Native() const { return reinterpret_cast<TNativeWindow>(FWindow); }
  void Destroy() {
    if (FWindow != nullptr)
      DestroyWindow(std::exchange(FWindow, nullptr));
  }
  TBoundsRect ClientRect() const {
    RECT r{};
    GetClientRect(FWindow, &r);
    return {r.left, r.top, r.right, r.bottom};
  }
  // The engine's page window inside this window, if any.
  HWND PageWindow() const {
    HWND found = nullptr;
    EnumChildWindows(
        FWindow,
        [](HWND child, LPARAM out) -> BOOL {
          wchar_t name[64];
          GetClassNameW(child, name, 64);
          constexpr wchar_t kPrefix[] = L"TesseraEngineView";
          if (wcsncmp(name, kPrefix, std::size(kPrefix) - 1) != 0)
            return TRUE;
          *reinterpret_cast<HWND*>(out) = child;
          return FALSE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
  }

private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
      auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<THostWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    TCustomEdgeBrowser* browser = self != nullptr ? self->FBrowser : nullptr;
    try {
      if (message == WM_SYSCOMMAND && browser != nullptr) {
        browser->HandleSysCommand(wParam == SC_MINIMIZE  ? TSysCommand::Minimize
                                  : wParam == SC_RESTORE ? TSysCommand::Restore
                                                         : TSysCommand::Other);
        return 0;
      }
      if (message == WM_SIZE && browser != nullptr)
        browser->Resize({0, 0, LOWORD(lParam), HIWORD(lParam)});
    } catch (const std::exception& e) {
      ADD_FAILURE() << "exception in the window procedure: " << e.what();
    }
    return DefWindowProcW(window, message, wParam, lParam);
  }

  TCustomEdgeBrowser*& FBrowser;
  HWND FWindow = nullptr;
};

class EdgeBrowserWindow : public ::testing::Test {
protected:
  EdgeBrowserWindow() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "." + info->name();
    for (char& c : name)
      if (c == '/')
        c = '_';
    Log = TEngineLogReader(std::filesystem::temp_directory_path() /
                           ("tessera-engine-" + name + ".log"));
    std::filesystem::remove(Log.Path());
    SetEnvironmentVariableW(L"TESSERA_ENGINE_LOG", Log.Path().wstring().c_str());
    SetEnvironmentVariableW(L"TESSERA_ENGINE_SCRIPT", nullptr);
    SetEnvironmentVariableW(L"TESSERA_ENGINE_FAIL", nullptr);
    Loader.WebViewLoaderPath = win32::Narrow((ThisFolder() / "WebView2LoaderWin64.dll").wstring());
    Loop.OnUnhandledException = [this](std::exception_ptr error) {
      Unhandled.push_back(error);
      LogWhenReported = Log.Lines();
    };
  }
  ~EdgeBrowserWindow() override {
    Browser.reset();
    BrowserPointer = nullptr;
    SetEnvironmentVariableW(L"TESSERA_ENGINE_LOG", nullptr);
    SetEnvironmentVariableW(L"TESSERA_ENGINE_FAIL", nullptr);
    SetEnvironmentVariableW(L"TESSERA_ENGINE_SCRIPT", nullptr);
  }

  void SetFailure(const wchar_t* switches) {
    SetEnvironmentVariableW(L"TESSERA_ENGINE_FAIL", switches);
  }
  void SetScript(const std::string& text) {
    const auto path = std::filesystem::path(Log.Path()).replace_extension(".script");
    FILE* file = _wfopen(path.wstring().c_str(), L"wb");
    ASSERT_NE(file, nullptr);
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
    SetEnvironmentVariableW(L"TESSERA_ENGINE_SCRIPT", path.wstring().c_str());
  }

  TEdgeBrowser& MakeBrowser() {
    Browser = std::make_unique<TEdgeBrowser>(Loader, Loop);
    BrowserPointer = Browser.get();
    Browser->OnCreateWebViewCompleted = [this](TCustomEdgeBrowser&, HRESULT result) {
      Completions.push_back(result);
    };
    return *Browser;
  }

  // Pumps the UI thread's messages until `done` holds; false on time-out.
  bool RunUntil(const std::function<bool()>& done, DWORD timeoutMs = 10000) {
    const DWORD start = GetTickCount();
    while (!done()) {
      if (GetTickCount() - start > timeoutMs)
        return false;
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
      Loop.ProcessMessages();
    }
    return true;
  }
  // Pumps for a while, for things that must not happen.
  void RunFor(DWORD ms) {
    RunUntil([] { return false; }, ms);
  }
  bool RunUntilCompletions(std::size_t count) {
    return RunUntil([&] { return Completions.size() >= count; });
  }
  // A control with its web view ready in `window`.
  void CreateIn(THostWindow& window) {
    MakeBrowser().SetParentWindow(window.Native());
    ASSERT_TRUE(RunUntilCompletions(1));
    ASSERT_EQ(Completions[0], kSOk);
    ASSERT_TRUE(Browser->WebViewCreated());
  }

  TComApartment Apartment;
  Win32EventLoop Loop;
  webview2::Win32WebViewPlatform Platform{Loop};
  TWebViewLoader Loader{Platform};
  TEngineLogReader Log{""};
  TCustomEdgeBrowser* BrowserPointer = nullptr;
  THostWindow Window{BrowserPointer};
  std::unique_ptr<TEdgeBrowser> Browser;
  std::vector<HRESULT> Completions;
  std::vector<std::exception_ptr> Unhandled;
  std::vector<std::string> LogWhenReported;
};

TEST_F(EdgeBrowserWindow, OneCreationPerParentAndNoneWhileCreating) {
  ASSERT_TRUE(Apartment.Initialized());
  TEdgeBrowser& browser = MakeBrowser();
  browser.SetParentWindow(Window.Native());
  EXPECT_EQ(browser.BrowserControlState(), TState::Creating);
  browser.SetParentWindow(Window.Native());
  browser.CreateWebView();
  ASSERT_TRUE(RunUntilCompletions(1));
  // Once created, a further parent change starts nothing either.
  browser.SetParentWindow(Window.Native());
  RunFor(300);

  EXPECT_EQ(Completions, std::vector<HRESULT>{kSOk});
  EXPECT_EQ(browser.BrowserControlState(), TState::Created);
  EXPECT_EQ(Log.Count("CreateCoreWebView2Environment"), 1u);
  EXPECT_EQ(
      Log.Starting("CreateCoreWebView2Controller"),
      std::vector<std::string>{"CreateCoreWebView2Controller " + HandleText(Window.Handle())});
  EXPECT_EQ(Log.Count("failed"), 0u);
  // The page window lives in the control's window.
  EXPECT_NE(Window.PageWindow(), nullptr);
}

TEST_F(EdgeBrowserWindow, RecreatedWindowHandleGetsANewWebView) {
  ASSERT_NO_FATAL_FAILURE(CreateIn(Window));
  const auto firstWebView = Browser->DefaultInterface();

  THostWindow second(BrowserPointer);
  Window.Destroy();
  Browser->RecreateWindowHandle(second.Native());
  ASSERT_TRUE(RunUntilCompletions(2));

  EXPECT_EQ(Completions, (std::vector<HRESULT>{kSOk, kSOk}));
  EXPECT_EQ(Browser->BrowserControlState(), TState::Created);
  EXPECT_NE(Browser->DefaultInterface(), firstWebView);
  // The old controller is closed before the new one is asked for, and the
  // new one is parented to the new window.
  const long close = Log.Find("Close");
  ASSERT_GE(close, 0);
  const long second_controller =
      Log.Find("CreateCoreWebView2Controller " + HandleText(second.Handle()), close);
  EXPECT_GT(second_controller, close);
  EXPECT_NE(second.PageWindow(), nullptr);
  EXPECT_EQ(Log.Count("close-released"), 0u);
}

TEST_F(EdgeBrowserWindow, NavigateBeforeReadyRunsAfterTheCompletionHandler) {
  TEdgeBrowser& browser = MakeBrowser();
  browser.Navigate("file:///C:/app/index.html");
  browser.OnCreateWebViewCompleted = [&](TCustomEdgeBrowser& sender, HRESULT result) {
    Completions.push_back(result);
    sender.Navigate("about:blank");
  };
  browser.SetParentWindow(Window.Native());
  ASSERT_TRUE(RunUntilCompletions(1));
  ASSERT_TRUE(RunUntil([&] { return Log.Count("raise NavigationCompleted") >= 1; }));

  // The handler's navigation starts first and the remembered one replaces it.
  EXPECT_EQ(
      Log.Starting("Navigate "),
      (std::vector<std::string>{"Navigate about:blank", "Navigate file:///C:/app/index.html"}));
  // Both are asked for inside the engine's controller completion.
  const long invoked = Log.Find("invoke ControllerCompleted");
  const long handlerNavigation = Log.Find("Navigate about:blank");
  const long remembered = Log.Find("Navigate file:");
  const long returned = Log.Find("returned ControllerCompleted");
  EXPECT_LT(invoked, handlerNavigation);
  EXPECT_LT(handlerNavigation, remembered);
  EXPECT_LT(remembered, returned);
  EXPECT_EQ(browser.LastURL(), "file:///C:/app/index.html");
  // Only the last navigation is carried through; the page is not there.
  EXPECT_EQ(Log.Starting("raise NavigationCompleted"),
            std::vector<std::string>{"raise NavigationCompleted 1 0 12 file:///C:/app/index.html"});
}

TEST_F(EdgeBrowserWindow, MissingLoaderReportsEFailOnceAndStaysCreating) {
  Loader.WebViewLoaderPath =
      win32::Narrow((ThisFolder() / "absent" / "WebView2LoaderWin64.dll").wstring());
  TEdgeBrowser& browser = MakeBrowser();
  browser.SetParentWindow(Window.Native());
  ASSERT_TRUE(RunUntilCompletions(1));
  browser.CreateWebView();
  RunFor(300);

  EXPECT_EQ(Completions, std::vector<HRESULT>{kEFail});
  EXPECT_EQ(browser.BrowserControlState(), TState::Creating);
  EXPECT_EQ(browser.LastErrorCode(), kEFail);
  EXPECT_FALSE(browser.WebViewCreated());
  EXPECT_TRUE(Log.Lines().empty());
}

TEST_F(EdgeBrowserWindow, ControllerFailureWithoutHandlerIsRaisedAfterTheCompletionReturned) {
  SetFailure(L"controller:0x80070005");
  TEdgeBrowser& browser = MakeBrowser();
  browser.OnCreateWebViewCompleted = nullptr;
  browser.SetParentWindow(Window.Native());
  ASSERT_TRUE(RunUntil([&] { return !Unhandled.empty(); }));
  RunFor(200);

  ASSERT_EQ(Unhandled.size(), 1u);
  try {
    std::rethrow_exception(Unhandled[0]);
  } catch (const EEdgeError& e) {
    EXPECT_STREQ(e.what(), "Failed to create Edge browser control");
    EXPECT_EQ(e.ErrorCode(), kAccessDenied);
  } catch (...) {
    ADD_FAILURE() << "not an EEdgeError";
  }
  // The engine had its answer back before the error was raised.
  const std::string returned = "returned ControllerCompleted 0x00000000";
  EXPECT_NE(std::find(LogWhenReported.begin(), LogWhenReported.end(), returned),
            LogWhenReported.end());
  EXPECT_EQ(browser.BrowserControlState(), TState::Failed);
  EXPECT_FALSE(browser.WebViewCreated());
}

// Each point where creation can fail, as the engine reports it through COM.
struct TCreationFailure {
  const wchar_t* Switch;
  HRESULT Reported;
  TState State;
};

// Names the case by its switch in test listings.
void PrintTo(const TCreationFailure& failure, std::ostream* out) {
  *out << win32::Narrow(failure.Switch);
}

class EdgeBrowserCreationFailure : public EdgeBrowserWindow,
                                   public ::testing::WithParamInterface<TCreationFailure> {};

TEST_P(EdgeBrowserCreationFailure, ReportsTheCodeOnceAndLeavesTheState) {
  SetFailure(GetParam().Switch);
  TEdgeBrowser& browser = MakeBrowser();
  browser.SetParentWindow(Window.Native());
  ASSERT_TRUE(RunUntilCompletions(1));
  RunFor(200);

  EXPECT_EQ(Completions, std::vector<HRESULT>{GetParam().Reported});
  EXPECT_EQ(browser.BrowserControlState(), GetParam().State);
  EXPECT_EQ(browser.LastErrorCode(), GetParam().Reported);
  EXPECT_FALSE(browser.WebViewCreated());
  EXPECT_TRUE(Unhandled.empty());
  EXPECT_EQ(Log.Count("add "), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Points, EdgeBrowserCreationFailure,
    ::testing::Values(
        // The environment is refused at once, or reported failed: no
        // controller was ever asked for, so the state stays Creating.
        TCreationFailure{L"environment:0x80070005", kAccessDenied, TState::Creating},
        TCreationFailure{L"environment-completed:0x80070005", kAccessDenied, TState::Creating},
        TCreationFailure{L"controller:0x8000FFFF", kUnexpected, TState::Failed},
        TCreationFailure{L"getwebview:0x80070005", kAccessDenied, TState::Failed},
        TCreationFailure{L"settings:0x8000FFFF", kUnexpected, TState::Failed}),
    [](const ::testing::TestParamInfo<TCreationFailure>& point) {
      // "environment-completed:0x…" names the test EnvironmentCompleted.
      std::string name;
      bool upper = true;
      for (const wchar_t* c = point.param.Switch; *c != L'\0' && *c != L':'; ++c) {
        if (*c == L'-') {
          upper = true;
          continue;
        }
        name += static_cast<char>(upper ? std::toupper(*c) : *c);
        upper = false;
      }
      return name;
    });

TEST_F(EdgeBrowserWindow, SizeRatioSizesTheRealPageWindow) {
  ASSERT_NO_FATAL_FAILURE(CreateIn(Window));
  const TBoundsRect client = Window.ClientRect();
  ASSERT_GT(client.Right, 10);
  ASSERT_GT(client.Bottom, 10);
  Browser->Resize(client);
  const HWND page = Window.PageWindow();
  ASSERT_NE(page, nullptr);
  const auto pageRect = [&] {
    RECT r{};
    GetWindowRect(page, &r);
    MapWindowPoints(nullptr, Window.Handle(), reinterpret_cast<POINT*>(&r), 2);
    return TBoundsRect{r.left, r.top, r.right, r.bottom};
  };
  EXPECT_EQ(pageRect(), client);

  Browser->SetSizeRatio(0.5);
  const TBoundsRect quarter{0, 0, client.Right / 2, client.Bottom / 2};
  EXPECT_EQ(pageRect(), quarter);
  char expected[64];
  std::snprintf(expected, sizeof expected, "put_Bounds 0,0,%d,%d", quarter.Right, quarter.Bottom);
  EXPECT_EQ(Log.Starting("put_Bounds").back(), expected);

  Browser->SetSizeRatio(1.0);
  EXPECT_EQ(pageRect(), client);
}

TEST_F(EdgeBrowserWindow, MinimizeAndRestoreHideAndShowThePageAndOtherCommandsAreSwallowed) {
  ASSERT_NO_FATAL_FAILURE(CreateIn(Window));
  const HWND page = Window.PageWindow();
  ASSERT_NE(page, nullptr);
  ASSERT_TRUE(Shown(page));

  SendMessageW(Window.Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_FALSE(Shown(page));
  SendMessageW(Window.Handle(), WM_SYSCOMMAND, SC_RESTORE, 0);
  EXPECT_TRUE(Shown(page));
  SendMessageW(Window.Handle(), WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  RunFor(100);

  EXPECT_EQ(Log.Starting("put_IsVisible"),
            (std::vector<std::string>{"put_IsVisible 0", "put_IsVisible 1"}));
  // The window itself was never minimized nor maximized.
  EXPECT_FALSE(IsIconic(Window.Handle()));
  EXPECT_FALSE(IsZoomed(Window.Handle()));
}

TEST_F(EdgeBrowserWindow, CloseWebViewDetachesEveryHandlerBeforeClosing) {
  ASSERT_NO_FATAL_FAILURE(CreateIn(Window));
  Browser->CloseWebView();

  const std::vector<std::string> adds = Log.Starting("add ");
  // Sixteen web view events and five controller events.
  EXPECT_EQ(adds.size(), 21u);
  const long close = Log.Find("Close");
  ASSERT_GE(close, 0);
  for (const std::string& add : adds) {
    const std::string remove = "remove " + add.substr(4);
    const long at = Log.Find(remove);
    EXPECT_GE(at, 0) << "no removal for: " << add;
    EXPECT_LT(at, close) << remove << " after Close";
  }
  EXPECT_EQ(Log.Count("close-released"), 0u);
  EXPECT_EQ(Log.Count("failed"), 0u);
  EXPECT_EQ(Log.Starting("remove ").size(), adds.size());
  EXPECT_EQ(Window.PageWindow(), nullptr);
  EXPECT_FALSE(Browser->WebViewCreated());
  // The state is left as it was; a new creation may start.
  EXPECT_EQ(Browser->BrowserControlState(), TState::Created);
  Browser->CreateWebView();
  ASSERT_TRUE(RunUntilCompletions(2));
  EXPECT_TRUE(Browser->WebViewCreated());
}

TEST_F(EdgeBrowserWindow, ScriptedPageReachesTheControlsEvents) {
  SetScript("page file:///C:/app/*\n"
            "title Hello page\n"
            "message-json {\"id\":10001,\"uuid\":\"u-1\",\"data\":{}}\n"
            "message-string qel-webbrowser-clicked\n"
            "wait-for-post \"uuid\":\"u-1\"\n"
            "title Answered\n");
  ASSERT_NO_FATAL_FAILURE(CreateIn(Window));
  std::vector<std::string> titles;
  std::vector<std::pair<std::string, std::string>> messages;
  std::vector<bool> completed;
  Browser->OnDocumentTitleChanged = [&](TCustomEdgeBrowser&, const std::string& title) {
    titles.push_back(title);
  };
  Browser->OnNavigationCompleted = [&](TCustomEdgeBrowser&, bool success, TWebViewEnumValue) {
    completed.push_back(success);
  };
  Browser->OnWebMessageReceived = [&](TCustomEdgeBrowser& sender,
                                      TWebMessageReceivedEventArgs& args) {
    std::string json;
    std::string text;
    EXPECT_EQ(args.ArgsInterface().GetWebMessageAsJson(json), kSOk);
    if (args.ArgsInterface().TryGetWebMessageAsString(text) != kSOk)
      text = "<not a string>";
    messages.emplace_back(json, text);
    // The host answers the request as the bridge does.
    if (json.find("u-1") != std::string::npos)
      sender.DefaultInterface()->PostWebMessageAsJson(
          R"({"uuid":"u-1","success":true,"result":"hi"})");
  };
  Browser->AddWebResourceRequestedFilter("*", kWebResourceContextAll);
  Browser->Navigate("file:///C:/app/index.html");
  ASSERT_TRUE(RunUntil([&] { return titles.size() >= 2; }));

  // Nothing answered the document's request and no such file exists.
  EXPECT_EQ(completed, std::vector<bool>{false});
  EXPECT_EQ(titles, (std::vector<std::string>{"Hello page", "Answered"}));
  EXPECT_EQ(Browser->DocumentTitle(), "Answered");
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(messages[0].first, R"({"id":10001,"uuid":"u-1","data":{}})");
  EXPECT_EQ(messages[0].second, "<not a string>");
  EXPECT_EQ(messages[1], std::make_pair(std::string(R"("qel-webbrowser-clicked")"),
                                        std::string("qel-webbrowser-clicked")));
  EXPECT_EQ(Log.Count("response file:///C:/app/index.html none"), 1u);
  EXPECT_EQ(Log.Count("post-matched \"uuid\":\"u-1\""), 1u);
  EXPECT_EQ(Log.Count("script-error"), 0u);
}

// The engine holds hosts to the browser runtime's rule: an event handler
// returns without running a message loop. A handler that pumps (as a modal
// dialog does) is reported; one that only posts its work is not.
TEST_F(EdgeBrowserWindow, EngineReportsAMessageLoopRunInsideAnEventHandler) {
  SetScript("page file:///C:/app/*\n"
            "message-json {\"id\":1,\"uuid\":\"posts\",\"data\":{}}\n"
            "message-json {\"id\":2,\"uuid\":\"pumps\",\"data\":{}}\n"
            "title Done\n");
  ASSERT_NO_FATAL_FAILURE(CreateIn(Window));
  bool done = false;
  Browser->OnDocumentTitleChanged = [&](TCustomEdgeBrowser&, const std::string&) { done = true; };
  Browser->OnWebMessageReceived = [&](TCustomEdgeBrowser&, TWebMessageReceivedEventArgs& args) {
    std::string json;
    args.ArgsInterface().GetWebMessageAsJson(json);
    if (json.find("pumps") == std::string::npos) {
      Loop.Post([] {});
      return;
    }
    // What a modal dialog's loop does inside the callback.
    PostMessageW(Window.Handle(), WM_NULL, 0, 0);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
      DispatchMessageW(&message);
  };
  Browser->Navigate("file:///C:/app/index.html");
  ASSERT_TRUE(RunUntil([&] { return done; }));
  const std::vector<std::string> reports = Log.Starting("reentrancy ");
  ASSERT_EQ(reports.size(), 1u) << "only the handler that pumped is reported";
  EXPECT_EQ(reports[0].rfind("reentrancy WebMessageReceived ", 0), 0u) << reports[0];
}

TEST_F(EdgeBrowserWindow, AnsweredDocumentRequestIsServedFromTheHostsStream) {
  ASSERT_NO_FATAL_FAILURE(CreateIn(Window));
  std::vector<bool> completed;
  Browser->OnNavigationCompleted = [&](TCustomEdgeBrowser&, bool success, TWebViewEnumValue) {
    completed.push_back(success);
  };
  Browser->OnWebResourceRequested = [&](TCustomEdgeBrowser& sender,
                                        TWebResourceRequestedEventArgs& args) {
    std::shared_ptr<WebResourceRequest> request;
    std::string uri;
    ASSERT_EQ(args.ArgsInterface().GetRequest(request), kSOk);
    ASSERT_EQ(request->GetUri(uri), kSOk);
    EXPECT_EQ(uri, "file:///C:/app/index.html");
    auto body = std::make_shared<TMemoryStream>();
    body->Write(std::string_view("<html>hi</html>"));
    body->SetPosition(0);
    std::shared_ptr<WebResourceResponse> response;
    ASSERT_EQ(sender.EnvironmentInterface()->CreateWebResourceResponse(
                  body, 200, "OK", "Content-Type: text/html; charset=utf-8", response),
              kSOk);
    EXPECT_EQ(args.ArgsInterface().PutResponse(response), kSOk);
  };
  Browser->AddWebResourceRequestedFilter("*", kWebResourceContextAll);
  Browser->Navigate("file:///C:/app/index.html");
  ASSERT_TRUE(RunUntil([&] { return !completed.empty(); }));

  EXPECT_EQ(completed, std::vector<bool>{true});
  EXPECT_EQ(
      Log.Starting("response "),
      std::vector<std::string>{"response file:///C:/app/index.html 200 \"OK\" "
                               "\"Content-Type: text/html; charset=utf-8\" 15 "
                               "beb6d42e2e372ff35ff73af2a4bd53d0e440f07180b89ea67136a92c8f80a8ba "
                               "\"<html>hi</html>\""});
  EXPECT_EQ(Browser->LocationURL(), "file:///C:/app/index.html");
}

} // namespace
} // namespace tessera
