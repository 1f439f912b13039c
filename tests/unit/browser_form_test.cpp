#include "forms/browser_form.h"

#include "bridge/shared_javascript.h"
#include "package/zip_archive.h"
#include "packaged_exe.h"
#include "platform/fake/fake_event_loop.h"
#include "platform/fake/fake_os_services.h"
#include "platform/fake/fake_toolkit.h"
#include "platform/fake/fake_web_view_platform.h"

#include <gtest/gtest.h>
#include <thread>

namespace tessera {
namespace {

using testing::TTempDir;
using namespace std::string_literals;

// A browser window on the fakes, with a package holding a small web app
// under "app".
class BrowserFormTest : public ::testing::Test {
public:
  BrowserFormTest() : Loader(Platform) {
    Os.ExecutablePath = "C:\\apps\\demo.exe";
    Loader.WebViewLoaderPath = "C:\\data\\loader.dll";
    Package.SetPassword(PackagePassword());
    Package.Open(PackageBytes);
  }

  // Makes the window and completes the web view's creation.
  TBrowserForm& Make(bool runtime = true) {
    Form = std::make_unique<TBrowserForm>(Toolkit, Os, Loader, Loop);
    Form->FIsRuntime = runtime;
    Form->FExeZip = &Package;
    Form->FAppDirName = "app";
    Form->FHandleRequests = runtime;
    Form->FRuntimeAppID = "demo";
    Form->FStartPageURL = "file:///index.html";
    if (Configure)
      Configure(*Form);
    while (!Platform.EnvironmentPending())
      std::this_thread::yield();
    Platform.CompleteEnvironment(kSOk);
    Loop.Drain();
    Platform.CompleteController(kSOk);
    return *Form;
  }

  std::vector<std::string> CallsStartingWith(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const std::string& call : Platform.Calls())
      if (call.rfind(prefix, 0) == 0)
        out.push_back(call);
    return out;
  }

  // Raises a resource request; the answer the form gave, if any.
  std::shared_ptr<FakeWebResourceResponse> Request(const std::string& uri) {
    FakeWebResourceRequestedArgs args;
    args.Request->Uri = uri;
    Platform.Raise(TWebViewEvent::WebResourceRequested, args);
    return std::dynamic_pointer_cast<FakeWebResourceResponse>(args.Response);
  }

  static std::string Body(const FakeWebResourceResponse& response) {
    auto& stream = dynamic_cast<TMemoryStream&>(*response.Content);
    EXPECT_EQ(stream.Position(), 0);
    return std::string(stream.Text());
  }

  TTempDir Dir;
  TMemoryStream PackageBytes = [] {
    TMemoryStream archive;
    TZipWriter writer(archive, PackagePassword());
    for (const auto& [name, text] : testing::TPackageEntries{{"app/index.html", "<h1>home</h1>"},
                                                             {"app/page.html", "page"},
                                                             {"app/my page.html", "spaced"},
                                                             {"app/%41.html", "literal escape"},
                                                             {"app/%42.html", "escape as named"},
                                                             {"app/B.html", "decoded escape"},
                                                             {"app/%FF.txt", "not UTF-8"},
                                                             {"app/caf\xC3\xA9.png", "accented"},
                                                             {"app/js/a+b.mjs", "plus"},
                                                             {"app/#.css", "hash"},
                                                             {"app/lib/answer.wasm", "\0asm"s},
                                                             {"app/lib/OLD.WASM", "\0asm"s},
                                                             {"app/js/main.mjs", "export {}"},
                                                             {"app/js/old.JS", "var x;"},
                                                             {"app/img/logo.png", "\x89PNG"}}) {
      writer.AddEntry(name, std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
    }
    writer.Finish();
    return archive;
  }();
  TZipArchive Package;
  FakeOsServices Os;
  FakeToolkit Toolkit;
  FakeEventLoop Loop;
  FakeWebViewPlatform Platform;
  TWebViewLoader Loader;
  std::unique_ptr<TBrowserForm> Form;
  std::function<void(TBrowserForm&)> Configure;
};

TEST_F(BrowserFormTest, ReadyWebViewGetsScriptsSettingsFilterAndStartPageInOrder) {
  // The owner's fields are read when the web view becomes ready.
  Configure = [](TBrowserForm& form) {
    form.FAllowZoom = true;
    form.FAllowContextMenu = true;
  };
  Make();
  const std::vector<std::string> calls = Platform.Calls();
  std::vector<std::string> interesting;
  for (const std::string& call : calls) {
    for (const char* prefix : {"AddScript", "PutBool", "AddWebResource", "Navigate"})
      if (call.rfind(prefix, 0) == 0)
        interesting.push_back(call.substr(0, call.find('\r')));
  }
  const std::vector<std::string> expected = {
      "AddScriptToExecuteOnDocumentCreated ",
      "PutBool ScriptEnabled 1",
      "PutBool StatusBarEnabled 0",
      "PutBool WebMessageEnabled 1",
      "PutBool BuiltInErrorPageEnabled 1",
      "PutBool ZoomControlEnabled 1",
      "PutBool DevToolsEnabled 0",
      "PutBool DefaultContextMenusEnabled 1",
      "AddWebResourceRequestedFilter * 0",
      "Navigate file:///index.html",
  };
  EXPECT_EQ(interesting, expected);
  EXPECT_TRUE(Toolkit.LastProgressBar->Visible());
}

TEST_F(BrowserFormTest, DocumentScriptPiecesFollowTheMode) {
  const std::string dragover =
      "\rwindow.addEventListener(\"dragover\", function(e){e.preventDefault();},false);";
  const std::string drop =
      "\rwindow.addEventListener(\"drop\", function(e){e.preventDefault();}, false);";
  const std::string click = "\rwindow.addEventListener(\"click\", function () "
                            "{window.chrome.webview.postMessage(\"qel-webbrowser-clicked\");});";
  const std::string shared = "\r" + std::string(QelSharedJavascript());
  struct TCase {
    bool WithExternal;
    bool Runtime;
    std::string Extra;
    std::string Expected;
  };
  const TCase cases[] = {
      {true, true, "", shared + dragover + drop},
      {true, true, " \t\n", shared + dragover + drop},
      {true, true, " go(); ", shared + dragover + drop + "\r go(); "},
      {false, true, "go();", dragover + drop + "\rgo();"},
      {false, false, "go();", dragover + drop + click},
  };
  TBrowserForm form(Toolkit, Os, Loader, Loop);
  for (const TCase& c : cases) {
    form.FWithExternal = c.WithExternal;
    form.FIsRuntime = c.Runtime;
    form.FWebviewJavascript = c.Extra;
    EXPECT_EQ(form.DocumentScript(), c.Expected) << c.Extra;
  }
  while (!Platform.EnvironmentPending())
    std::this_thread::yield();
}

TEST_F(BrowserFormTest, FileRequestsAreAnsweredFromThePackageFolderThenDiskThenAbsolutePath) {
  Os.Files["C:\\apps\\docs\\readme.txt"] = "beside the exe";
  Os.Files["C:\\apps\\docs\\na\xC3\xAFve.txt"] = "beside, accented";
  Os.Files["C:/data/x.png"] = "absolute";
  Os.Files["C:/data/q.txt?v=1"] = "absolute with query";
  Os.Files["C:/data/caf\xC3\xA9.txt"] = "absolute, accented";
  // Where an escaped ".." would lead.
  Os.Files["C:\\apps\\..\\secret.txt"] = "outside";
  Os.Files["C:\\secret.txt"] = "outside";
  Make();
  struct TCase {
    std::string Uri;
    std::string Body;
    std::string ContentType;
  };
  const TCase cases[] = {
      {"file:///index.html", "<h1>home</h1>", "text/html; charset=utf-8"},
      {"file:///page.html?x=1", "page", "text/html; charset=utf-8"},
      // A route after "#" names no file.
      {"file:///index.html#/settings", "<h1>home</h1>", "text/html; charset=utf-8"},
      {"file:///page.html?x=1#/a?b", "page", "text/html; charset=utf-8"},
      {"file:///my%20page.html", "spaced", "text/html; charset=utf-8"},
      // The whole path is decoded, as UTF-8.
      {"file:///caf%C3%A9.png", "accented", "image/x-png; charset=utf-8"},
      {"file:///js/a%2Bb.mjs", "plus", "text/javascript; charset=utf-8"},
      {"file:///%23.css", "hash", "text/css; charset=utf-8"},
      {"file:///%42.html", "decoded escape", "text/html; charset=utf-8"},
      // Not in the package decoded: the name as written.
      {"file:///%41.html", "literal escape", "text/html; charset=utf-8"},
      {"file:///%FF.txt", "not UTF-8", "text/plain; charset=utf-8"},
      {"file:///js/main.mjs", "export {}", "text/javascript; charset=utf-8"},
      {"file:///js/old.JS", "var x;", "text/javascript; charset=utf-8"},
      {"file:///img/logo.png", "\x89PNG", "image/x-png; charset=utf-8"},
      {"file:///docs/readme.txt", "beside the exe", "text/plain; charset=utf-8"},
      {"file:///docs/na%C3%AFve.txt#x", "beside, accented", "text/plain; charset=utf-8"},
      {"file:///C:/data/x.png", "absolute", "image/x-png; charset=utf-8"},
      {"file:///C:/data/q.txt?v=1", "absolute with query", "text/plain; charset=utf-8"},
      {"file:///C:/data/caf%C3%A9.txt", "absolute, accented", "text/plain; charset=utf-8"},
      // Binary or not, every type names the charset, except WebAssembly's,
      // which its streaming compile takes bare only.
      {"file:///lib/answer.wasm", "\0asm"s, "application/wasm"},
      {"file:///lib/OLD.WASM", "\0asm"s, "application/wasm"},
  };
  for (const TCase& c : cases) {
    const auto response = Request(c.Uri);
    ASSERT_TRUE(response) << c.Uri;
    EXPECT_EQ(response->StatusCode, 200);
    EXPECT_EQ(response->ReasonPhrase, "OK");
    EXPECT_EQ(response->Headers, "Content-Type: " + c.ContentType) << c.Uri;
    EXPECT_EQ(Body(*response), c.Body) << c.Uri;
  }
  for (const char* uri :
       {"https://example.com/index.html", "file:///missing.html", "file://server/share/index.html",
        "file:///..%2Fsecret.txt", "file:///%2E%2E%5Csecret.txt", "file:///index.html%00.txt"}) {
    EXPECT_FALSE(Request(uri)) << uri;
  }
}

TEST_F(BrowserFormTest, RequestsPassUntouchedWhenTheFormDoesNotHandleThem) {
  Make(false);
  EXPECT_FALSE(Request("file:///index.html"));
}

TEST_F(BrowserFormTest, NewWindowsForPackagePagesStartANewProcess) {
  Make();
  struct TCase {
    std::string Uri;
    bool Handled;
  };
  for (const TCase& c : {TCase{"file:///other.html", true}, TCase{"FILE:///x.html?y", true},
                         TCase{"https://example.com/", false}}) {
    FakeNewWindowRequestedArgs args;
    args.Uri = c.Uri;
    Platform.Raise(TWebViewEvent::NewWindowRequested, args);
    EXPECT_EQ(args.Handled.has_value(), c.Handled) << c.Uri;
  }
  // The process starts from the loop, not inside the engine's callback.
  EXPECT_TRUE(Os.Launches.empty());
  Loop.Drain();
  ASSERT_EQ(Os.Launches.size(), 2u);
  EXPECT_EQ(Os.Launches[0].File, "C:\\apps\\demo.exe");
  EXPECT_EQ(Os.Launches[0].Arguments, "\"demo\" \"file:///other.html\"");

  // Outside the runtime the engine opens its own window.
  Form.reset();
  Make(false);
  FakeNewWindowRequestedArgs args;
  args.Uri = "file:///other.html";
  Platform.Raise(TWebViewEvent::NewWindowRequested, args);
  Loop.Drain();
  EXPECT_FALSE(args.Handled.has_value());
  EXPECT_EQ(Os.Launches.size(), 2u);
}

TEST_F(BrowserFormTest, PermissionsAreGrantedAndTheFirstNavigationEndsTheBarAndTakesTheFocus) {
  Make();
  FakePermissionRequestedArgs permission;
  permission.PermissionKind = 2;
  Platform.Raise(TWebViewEvent::PermissionRequested, permission);
  EXPECT_EQ(permission.State, kPermissionStateAllow);

  Toolkit.Windows[0]->SetBounds(0, 0, 400, 300);
  EXPECT_EQ(CallsStartingWith("PutBounds").back(), "PutBounds 0,0,400,296");
  FakeNavigationCompletedArgs completed;
  completed.IsSuccess = false;
  EXPECT_TRUE(CallsStartingWith("MoveFocus").empty());
  Platform.Raise(TWebViewEvent::NavigationCompleted, completed);
  EXPECT_FALSE(Toolkit.LastProgressBar->Visible());
  EXPECT_EQ(CallsStartingWith("PutBounds").back(), "PutBounds 0,0,400,300");
  // The first page gets the keyboard focus, programmatically; later ones
  // leave it where it is.
  EXPECT_EQ(CallsStartingWith("MoveFocus"), std::vector<std::string>{"MoveFocus 0"});
  Platform.Raise(TWebViewEvent::NavigationCompleted, completed);
  EXPECT_EQ(CallsStartingWith("MoveFocus").size(), 1u);
}

TEST_F(BrowserFormTest, AFailedCreationLeavesTheFormAsItWas) {
  Platform.CreateControllerAnswer = kSOk;
  Form = std::make_unique<TBrowserForm>(Toolkit, Os, Loader, Loop);
  Form->FStartPageURL = "file:///index.html";
  while (!Platform.EnvironmentPending())
    std::this_thread::yield();
  Platform.CompleteEnvironment(kSOk);
  Loop.Drain();
  Platform.CompleteController(kEFail);
  EXPECT_TRUE(CallsStartingWith("AddScript").empty());
  EXPECT_TRUE(CallsStartingWith("PutBool").empty());
  EXPECT_TRUE(CallsStartingWith("Navigate").empty());
  EXPECT_TRUE(Toolkit.LastProgressBar->Visible());
}

TEST_F(BrowserFormTest, ClicksOutsideTheRuntimeMoveTheFocusToTheHost) {
  FakeToolkitWindow* host = nullptr;
  struct TNoEvents : ToolkitWindowEvents {
    bool CloseQuery() override { return true; }
    void Closed() override {}
    void Resized() override {}
    void HandleCreated(TNativeWindow) override {}
    void SysCommand(TSysCommand) override {}
  } events;
  auto hostWindow = Toolkit.CreateForm(events, TWindowKind::Normal);
  host = static_cast<FakeToolkitWindow*>(hostWindow.get());
  for (const bool runtime : {true, false}) {
    Toolkit.Active = 0;
    Form.reset();
    Make(runtime);
    Form->FFocusHost = host;
    FakeWebMessageReceivedArgs click;
    click.WebMessageAsString = "qel-webbrowser-clicked";
    Platform.Raise(TWebViewEvent::WebMessageReceived, click);
    EXPECT_EQ(Toolkit.Active, runtime ? 0 : host->Handle()) << runtime;
  }
}

} // namespace
} // namespace tessera
