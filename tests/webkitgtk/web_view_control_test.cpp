// The control's side of the engine: new windows, pictures of the page,
// settings, placement in the parent, zoom, and closing.
#include "page_host.h"

#include "platform/webkitgtk/web_view_objects.h"

#include <gtest/gtest.h>

namespace tessera::testing {
namespace {

using ::testing::Test;

class WebViewControlTest : public Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(Host.Browser->WebViewCreated()) << "web view not created";
    Host.Reset();
    Host.Serve("index.html", "text/html",
               "<!doctype html><body style='background:#c03'>page</body>");
    ASSERT_TRUE(Host.NavigateAndWait("file:///index.html"));
  }

  static std::size_t TopLevelWindows() {
    GList* windows = gtk_window_list_toplevels();
    const std::size_t count = g_list_length(windows);
    g_list_free(windows);
    return count;
  }

  TPageHost& Host = TPageHost::Get();
};

TEST_F(WebViewControlTest, AHandledNewWindowRequestOpensNoWindow) {
  std::vector<std::string> requested;
  Host.Browser->OnNewWindowRequested = [&](TCustomEdgeBrowser&,
                                           TNewWindowRequestedEventArgs& args) {
    std::string uri;
    args.ArgsInterface().GetUri(uri);
    requested.push_back(uri);
    args.ArgsInterface().PutHandled(true);
  };
  const std::size_t windowsBefore = TopLevelWindows();
  Host.Execute("window.open('other.html?x=1'); 0");
  ASSERT_TRUE(Host.Loop.PumpUntil([&] { return !requested.empty(); }));
  Host.Loop.PumpFor(std::chrono::milliseconds(200));
  EXPECT_EQ(requested, (std::vector<std::string>{"file:///other.html?x=1"}));
  EXPECT_EQ(TopLevelWindows(), windowsBefore);
  EXPECT_EQ(Host.Browser->LocationURL(), "file:///index.html");
}

TEST_F(WebViewControlTest, CapturesThePageAsPngAndJpeg) {
  struct TCase {
    TCustomEdgeBrowser::TPreviewFormat Format;
    std::string Signature;
  };
  const TCase cases[] = {
      {TCustomEdgeBrowser::TPreviewFormat::PNG, "\x89PNG\r\n\x1a\n"},
      {TCustomEdgeBrowser::TPreviewFormat::JPEG, "\xff\xd8\xff"},
  };
  for (const TCase& c : cases) {
    // Left-over bytes show that the picture is written from the start.
    TMemoryStream stream;
    stream.Write(std::string_view("old content"));
    std::optional<HRESULT> result;
    Host.Browser->OnCapturePreviewCompleted = [&](TCustomEdgeBrowser&, HRESULT code) {
      result = code;
    };
    Host.Browser->CapturePreview(stream, c.Format);
    ASSERT_TRUE(Host.Loop.PumpUntil([&] { return result.has_value(); }));
    EXPECT_EQ(*result, kSOk);
    ASSERT_GT(stream.Size(), 100);
    EXPECT_EQ(stream.Text().substr(0, c.Signature.size()), c.Signature);
  }
}

TEST_F(WebViewControlTest, SettingsReadBackWhatWasWritten) {
  TEdgeBrowser& b = *Host.Browser;
  struct TCase {
    void (TCustomEdgeBrowser::*Set)(bool);
    bool (TCustomEdgeBrowser::*Get)();
  };
  const TCase cases[] = {
      {&TCustomEdgeBrowser::SetScriptEnabled, &TCustomEdgeBrowser::ScriptEnabled},
      {&TCustomEdgeBrowser::SetWebMessageEnabled, &TCustomEdgeBrowser::WebMessageEnabled},
      {&TCustomEdgeBrowser::SetDefaultScriptDialogsEnabled,
       &TCustomEdgeBrowser::DefaultScriptDialogsEnabled},
      {&TCustomEdgeBrowser::SetStatusBarEnabled, &TCustomEdgeBrowser::StatusBarEnabled},
      {&TCustomEdgeBrowser::SetDevToolsEnabled, &TCustomEdgeBrowser::DevToolsEnabled},
      {&TCustomEdgeBrowser::SetDefaultContextMenusEnabled,
       &TCustomEdgeBrowser::DefaultContextMenusEnabled},
      {&TCustomEdgeBrowser::SetZoomControlEnabled, &TCustomEdgeBrowser::ZoomControlEnabled},
      {&TCustomEdgeBrowser::SetBuiltInErrorPageEnabled,
       &TCustomEdgeBrowser::BuiltInErrorPageEnabled},
  };
  for (const TCase& c : cases) {
    EXPECT_TRUE((b.*c.Get)()) << "a fresh engine has every setting on";
    (b.*c.Set)(false);
    EXPECT_FALSE((b.*c.Get)());
    (b.*c.Set)(true);
    EXPECT_TRUE((b.*c.Get)());
  }
}

TEST_F(WebViewControlTest, MessagesWaitForWebMessagesToBeEnabled) {
  Host.Browser->SetWebMessageEnabled(false);
  Host.Execute("chrome.webview.postMessage('dropped'); 0");
  Host.Loop.PumpFor(std::chrono::milliseconds(200));
  EXPECT_TRUE(Host.Messages.empty());

  Host.Browser->SetWebMessageEnabled(true);
  Host.Execute("chrome.webview.postMessage('kept'); 0");
  ASSERT_TRUE(Host.WaitForMessages(1));
  EXPECT_EQ(Host.Messages[0].Text, "kept");
}

TEST_F(WebViewControlTest, PlacesShowsAndZoomsTheView) {
  TEdgeBrowser& b = *Host.Browser;
  GList* children = gtk_container_get_children(GTK_CONTAINER(Host.Fixed));
  ASSERT_EQ(g_list_length(children), 1u);
  GtkWidget* view = GTK_WIDGET(children->data);
  g_list_free(children);

  b.SetSizeRatio(0.5);
  b.Resize({10, 20, 410, 320});
  int x = -1;
  int y = -1;
  int width = -1;
  int height = -1;
  gtk_container_child_get(GTK_CONTAINER(Host.Fixed), view, "x", &x, "y", &y, nullptr);
  gtk_widget_get_size_request(view, &width, &height);
  EXPECT_EQ((std::vector<int>{x, y, width, height}), (std::vector<int>{10, 20, 200, 150}));

  b.SetVisible(false);
  EXPECT_FALSE(gtk_widget_get_visible(view));
  b.SetVisible(true);
  EXPECT_TRUE(gtk_widget_get_visible(view));
  b.SetSizeRatio(1.0);
  b.Resize({0, 0, 800, 600});

  std::vector<double> zooms;
  b.OnZoomFactorChanged = [&](TCustomEdgeBrowser&, double zoom) { zooms.push_back(zoom); };
  b.SetZoomFactor(1.5);
  EXPECT_DOUBLE_EQ(b.ZoomFactor(), 1.5);
  EXPECT_EQ(zooms, std::vector<double>{1.5});
  b.SetZoomFactor(1.0);
}

TEST_F(WebViewControlTest, ScriptDialogsGoToTheEventWhenTheEnginesAreOff) {
  TEdgeBrowser& b = *Host.Browser;
  std::vector<std::string> dialogs;
  b.OnScriptDialogOpening = [&](TCustomEdgeBrowser&, TScriptDialogOpeningEventArgs& args) {
    TWebViewEnumValue kind = -1;
    std::string message;
    std::string defaultText;
    args.ArgsInterface().GetKind(kind);
    args.ArgsInterface().GetMessageText(message);
    args.ArgsInterface().GetDefaultText(defaultText);
    dialogs.push_back(std::to_string(kind) + " " + message + " " + defaultText);
    args.ArgsInterface().PutResultText("typed");
    args.ArgsInterface().Accept();
  };
  b.SetDefaultScriptDialogsEnabled(false);
  EXPECT_EQ(Host.Execute("confirm('sure?')").second, "true");
  EXPECT_EQ(Host.Execute("prompt('name?', 'none')").second, R"("typed")");
  b.SetDefaultScriptDialogsEnabled(true);
  b.OnScriptDialogOpening = nullptr;
  EXPECT_EQ(dialogs, (std::vector<std::string>{"1 sure? ", "2 name? none"}));
}

TEST_F(WebViewControlTest, PermissionRequestsFollowTheHandlersAnswer) {
  std::vector<TWebViewEnumValue> kinds;
  Host.Browser->OnPermissionRequested = [&](TCustomEdgeBrowser&,
                                            TPermissionRequestedEventArgs& args) {
    TWebViewEnumValue kind = -1;
    args.ArgsInterface().GetPermissionKind(kind);
    kinds.push_back(kind);
    args.ArgsInterface().PutState(kPermissionStateAllow);
  };
  // Asked as the page loads, with no user gesture, twice at once: the
  // engine alone would deny it unasked.
  Host.Serve("ask.html", "text/html", R"(<!doctype html><script>
Notification.requestPermission(p => chrome.webview.postMessage('callback ' + p));
Notification.requestPermission().then(p => chrome.webview.postMessage(p));
</script>)");
  ASSERT_TRUE(Host.NavigateAndWait("file:///ask.html"));
  ASSERT_TRUE(Host.WaitForMessages(2));
  EXPECT_EQ(kinds, std::vector<TWebViewEnumValue>{4}); // notifications
  EXPECT_EQ(Host.Messages[0].Text, "callback granted");
  EXPECT_EQ(Host.Messages[1].Text, "granted");

  // Decided once, the answer stands without asking again.
  Host.Execute("Notification.requestPermission().then(p => chrome.webview.postMessage(p)); 0");
  ASSERT_TRUE(Host.WaitForMessages(3));
  Host.Browser->OnPermissionRequested = nullptr;
  EXPECT_EQ(kinds.size(), 1u);
  EXPECT_EQ(Host.Messages[2].Text, "granted");
}

TEST_F(WebViewControlTest, HasNoDevToolsProtocolOrProcessId) {
  Host.Browser->SubscribeToCDPEvent("Network.requestWillBeSent");
  EXPECT_EQ(Host.Browser->LastErrorCode(), webkitgtk::kENotImpl);
  EXPECT_EQ(Host.Browser->BrowserProcessID(), 0u);
  EXPECT_FALSE(Host.Browser->BrowserVersionInfo().empty());
}

TEST(WebViewCloseTest, CloseTakesTheViewOutAndLaterCallsFail) {
  TPageHost& host = TPageHost::Get();
  TTestWindow window;
  TEdgeBrowser browser(host.Loader, host.Loop);
  bool created = false;
  browser.OnCreateWebViewCompleted = [&](TCustomEdgeBrowser&, HRESULT) { created = true; };
  browser.SetParentWindow(reinterpret_cast<TNativeWindow>(window.Fixed));
  ASSERT_TRUE(host.Loop.PumpUntil([&] { return created; }));
  ASSERT_TRUE(browser.WebViewCreated());
  auto childCount = [&] {
    GList* children = gtk_container_get_children(GTK_CONTAINER(window.Fixed));
    const std::size_t count = g_list_length(children);
    g_list_free(children);
    return count;
  };
  EXPECT_EQ(childCount(), 1u);

  std::shared_ptr<WebView> webView = browser.DefaultInterface();
  std::shared_ptr<WebViewController> controller = browser.ControllerInterface();
  browser.CloseWebView();
  EXPECT_EQ(childCount(), 0u);
  EXPECT_EQ(webView->Navigate("file:///index.html"), webkitgtk::kEInvalidState);
  EXPECT_EQ(controller->PutBounds({0, 0, 10, 10}), webkitgtk::kEInvalidState);

  // A new creation puts a new view in.
  created = false;
  browser.CreateWebView();
  ASSERT_TRUE(host.Loop.PumpUntil([&] { return created; }));
  EXPECT_TRUE(browser.WebViewCreated());
  EXPECT_EQ(childCount(), 1u);
}

} // namespace
} // namespace tessera::testing
