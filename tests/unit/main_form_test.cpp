#include "forms/main_form.h"

#include "base/str_utils.h"
#include "package/project_ini.h"
#include "package/zip_archive.h"
#include "packaged_exe.h"
#include "platform/fake/fake_event_loop.h"
#include "platform/fake/fake_os_services.h"
#include "platform/fake/fake_toolkit.h"
#include "platform/fake/fake_web_view_platform.h"
#include "startup/program_main.h"

#include <gtest/gtest.h>
#include <thread>

namespace tessera {
namespace {

using testing::TPackageEntries;

// A main window on the fakes, built from settings text and an optional
// document script entry.
class MainFormTest : public ::testing::Test {
public:
  MainFormTest() : Loader(Platform) {
    Os.ExecutablePath = "C:\\apps\\demo.exe";
    Os.CommandLine = {"demo.exe"};
    Loader.WebViewLoaderPath = "C:\\data\\loader.dll";
  }

  TMainForm& Make(const std::string& settings, const TPackageEntries& extra = {}) {
    Archive.Clear();
    TZipWriter writer(Archive, PackagePassword());
    for (const auto& [name, text] : extra)
      writer.AddEntry(name, std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
    writer.Finish();
    Package.SetPassword(PackagePassword());
    Package.Open(Archive);
    Ini.LoadFromText("[App]\n" + settings);
    TMainFormContext context;
    context.ExeZip = &Package;
    context.ProjectINI = &Ini;
    context.AppID = "demo";
    context.AppName = "Demo App";
    context.AppDirName = "app";
    context.AppIndexHtml = "index.html";
    Form.reset();
    Form = std::make_unique<TMainForm>(Toolkit, Os, Loader, Loop, context);
    return *Form;
  }

  void CompleteWebView() {
    while (!Platform.EnvironmentPending())
      std::this_thread::yield();
    Platform.CompleteEnvironment(kSOk);
    Loop.Drain();
    Platform.CompleteController(kSOk);
  }

  FakeToolkitWindow& MainWindow() { return static_cast<FakeToolkitWindow&>(Form->Window()); }

  std::vector<std::string> CallsStartingWith(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const std::string& call : Platform.Calls())
      if (call.rfind(prefix, 0) == 0)
        out.push_back(call);
    return out;
  }

  void PageCalls(const std::string& json) {
    FakeWebMessageReceivedArgs message;
    message.WebMessageAsJson = json;
    Platform.Raise(TWebViewEvent::WebMessageReceived, message);
  }

  FakeOsServices Os;
  FakeToolkit Toolkit;
  FakeEventLoop Loop;
  FakeWebViewPlatform Platform;
  TWebViewLoader Loader;
  TMemoryStream Archive;
  TZipArchive Package;
  TProjectINI Ini;
  std::unique_ptr<TMainForm> Form;
};

TEST_F(MainFormTest, WindowSettingsAreApplied) {
  struct TCase {
    std::string Settings;
    TBorderStyle Border;
    TWindowState State;
    bool Fullscreen;
    bool OnTop;
    std::string Placement;
    std::array<int, 4> Limits; // min width, min height, max width, max height
  };
  const TCase cases[] = {
      {"",
       TBorderStyle::Sizeable,
       TWindowState::Normal,
       false,
       false,
       "desktop centre",
       {0, 0, 0, 0}},
      {"WindowStyle=1\nWindowBorder=1\nWindowState=0\n",
       TBorderStyle::None,
       TWindowState::Maximized,
       true,
       false,
       "desktop centre",
       {0, 0, 0, 0}},
      {"WindowBorder=3\nWindowState=1\nWindowOrder=1\nWindowPosition=1\n",
       TBorderStyle::Dialog,
       TWindowState::Maximized,
       false,
       true,
       "none",
       {0, 0, 0, 0}},
      {"WindowBorder=5\nWindowState=2\n",
       TBorderStyle::SizeToolWin,
       TWindowState::Normal,
       false,
       false,
       "desktop centre",
       {0, 0, 0, 0}},
      // The minimum is assigned after the maximum and raises it.
      {"MaxWidth=700\nMinWidth=900\nMaxHeight=500\nMinHeight=200\n",
       TBorderStyle::Sizeable,
       TWindowState::Normal,
       false,
       false,
       "desktop centre",
       {900, 200, 900, 500}},
  };
  for (const TCase& c : cases) {
    Make(c.Settings);
    FakeToolkitWindow& window = MainWindow();
    EXPECT_EQ(window.BorderStyle(), c.Border) << c.Settings;
    EXPECT_EQ(window.WindowState(), c.State) << c.Settings;
    EXPECT_EQ(Form->BrowserExternalModule()->InFullscreen(), c.Fullscreen) << c.Settings;
    EXPECT_EQ(window.StayOnTop(), c.OnTop) << c.Settings;
    EXPECT_EQ(window.Placement, c.Placement) << c.Settings;
    EXPECT_EQ(
        (std::array<int, 4>{window.MinWidth, window.MinHeight, window.MaxWidth, window.MaxHeight}),
        c.Limits)
        << c.Settings;
    EXPECT_EQ(window.Caption(), "Demo App");
    EXPECT_EQ(window.CornerPreference, 2);
  }
  EXPECT_EQ(Toolkit.ApplicationTitle, "Demo App");
  Make("Width=640\nHeight=480\n");
  EXPECT_EQ(MainWindow().Bounds().Right - MainWindow().Bounds().Left, 640);
  EXPECT_EQ(MainWindow().Bounds().Bottom - MainWindow().Bounds().Top, 480);
  // Left and Top never place a window the system places: it stays where
  // the toolkit made it (the fake's origin).
  Make("WindowPosition=2\nLeft=9\nTop=7\nWidth=640\nHeight=480\n");
  const TBoundsRect placed = MainWindow().Bounds();
  EXPECT_EQ((std::array<int, 4>{placed.Left, placed.Top, placed.Right, placed.Bottom}),
            (std::array<int, 4>{0, 0, 640, 480}));
}

TEST_F(MainFormTest, BrowserWindowIsEmbeddedAndConfigured) {
  Make("AllowDebug=1\n", {{"qel-webviewjs", "console.log('extra');"}});
  TBrowserForm& browser = *Form->BrowserForm();
  EXPECT_EQ(static_cast<FakeToolkitWindow&>(browser.Window()).Parent, &Form->Window());
  EXPECT_TRUE(browser.Window().Visible());
  EXPECT_TRUE(browser.FIsRuntime);
  EXPECT_TRUE(browser.FHandleRequests);
  EXPECT_TRUE(browser.FWithExternal);
  EXPECT_TRUE(browser.FAllowDebug);
  EXPECT_FALSE(browser.FAllowZoom);
  EXPECT_EQ(browser.FAppDirName, "app");
  EXPECT_EQ(browser.FRuntimeAppID, "demo");
  EXPECT_EQ(browser.FWebviewJavascript, "console.log('extra');");
  EXPECT_EQ(browser.FStartPageURL, "file:///index.html");
  Make("");
  EXPECT_EQ(Form->BrowserForm()->FWebviewJavascript, "");
}

TEST_F(MainFormTest, StartPageComesFromTheCommandLineOnlyForTheTwoArgumentForm) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"demo.exe", "demo", "file:///other.html?x"}, "file:///other.html?x"},
      {{"demo.exe", "demo"}, "file:///index.html"},
      {{"demo.exe", "Demo", "file:///other.html"}, "file:///index.html"},
      {{"demo.exe", "demo", "file:///other.html", "more"}, "file:///index.html"},
  };
  for (const auto& [args, expected] : cases) {
    Os.CommandLine = args;
    Make("");
    EXPECT_EQ(Form->BrowserForm()->FStartPageURL, expected) << args.size();
  }
}

TEST_F(MainFormTest, CloseWaitsForThePageAndThenReleasesBridgeAndBrowser) {
  Make("");
  CompleteWebView();
  Platform.ClearCalls();
  MainWindow().UserClose();
  EXPECT_FALSE(MainWindow().Closed);
  const std::vector<std::string> scripts = CallsStartingWith("ExecuteScript");
  ASSERT_EQ(scripts.size(), 2u);
  EXPECT_EQ(scripts[0], "ExecuteScript qel.events.onCloseQuery();");
  // And whether the page can answer at all.
  EXPECT_NE(scripts[1].find("typeof qel.events.onCloseQuery"), std::string::npos);

  // The page's default handler answers with qel.app.close().
  PageCalls(R"({"id":"50001","uuid":"c1","data":{}})");
  EXPECT_FALSE(MainWindow().Closed);
  Loop.Drain();
  EXPECT_TRUE(MainWindow().Closed);
  EXPECT_EQ(MainWindow().CloseQueries, 2);
  // The granted close asks the page once more, and asks nothing else.
  EXPECT_EQ(CallsStartingWith("ExecuteScript").size(), 3u);
  EXPECT_EQ(Form->BrowserForm(), nullptr);
  EXPECT_EQ(Form->BrowserExternalModule(), nullptr);
  EXPECT_TRUE(CallsStartingWith("PostWebMessageAsJson").empty());
}

TEST_F(MainFormTest, AWindowWhosePageCannotAnswerClosesOnRequest) {
  struct TCase {
    const char* Name;
    HRESULT Result;
    const char* Answer; // of the check whether the page can answer
    bool Closes;
  };
  const TCase cases[] = {
      {"a page with its handler", kSOk, R"("present")", false},
      {"an engine that runs no page script", kSOk, "null", false},
      {"a page without the bridge", kSOk, R"("absent")", true},
      {"no page to run a script in", kEFail, "null", true},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    Make("");
    CompleteWebView();
    // Scripts of the window before, which is gone.
    while (Platform.CompleteExecuteScript(kSOk, "null")) {
    }
    MainWindow().UserClose();
    ASSERT_TRUE(Platform.CompleteExecuteScript(kSOk, "null")); // the close query itself
    ASSERT_TRUE(Platform.CompleteExecuteScript(c.Result, c.Answer));
    // Decided from the loop, not inside the engine's callback.
    EXPECT_FALSE(MainWindow().Closed);
    Loop.Drain();
    EXPECT_EQ(MainWindow().Closed, c.Closes);
    EXPECT_EQ(MainWindow().CloseQueries, c.Closes ? 2 : 1);
  }

  // A web view that was never made cannot answer either.
  Make("");
  while (!Platform.EnvironmentPending())
    std::this_thread::yield();
  Platform.CompleteEnvironment(kSOk);
  Loop.Drain();
  Platform.CompleteController(kEFail);
  MainWindow().UserClose();
  EXPECT_FALSE(MainWindow().Closed);
  Loop.Drain();
  EXPECT_TRUE(MainWindow().Closed);
}

TEST_F(MainFormTest, ThePageAnswersThroughTheBridgeAndCanRenameTheWindow) {
  Make("DynamicAppTitle=1\n");
  CompleteWebView();
  PageCalls(R"({"id":"10001","uuid":"u-1","data":{}})");
  Loop.Drain();
  EXPECT_EQ(CallsStartingWith("PostWebMessageAsJson"),
            std::vector<std::string>{
                R"(PostWebMessageAsJson {"uuid": "u-1", "success": true, "result": "2026.1"})"});
  Platform.DocumentTitle = "Inbox (3)";
  struct TNoArgs : WebViewEventArgs {
  } args;
  Platform.Raise(TWebViewEvent::DocumentTitleChanged, args);
  EXPECT_EQ(MainWindow().Caption(), "Inbox (3)");
  EXPECT_EQ(Toolkit.ApplicationTitle, "Demo App");

  Make("DynamicAppTitle=0\n");
  CompleteWebView();
  Platform.Raise(TWebViewEvent::DocumentTitleChanged, args);
  EXPECT_EQ(MainWindow().Caption(), "Demo App");
}

TEST_F(MainFormTest, RequestsRunFromTheEventLoopInTheOrderTheyCame) {
  Make("");
  CompleteWebView();
  PageCalls(R"({"id":"10001","uuid":"a","data":{}})");
  PageCalls(R"({"id":"60006","uuid":"b","data":{"title":"Renamed"}})");
  PageCalls(R"({"id":"10002","uuid":"c","data":{}})");
  // Inside the engine's callback nothing ran: the requests wait in the loop.
  EXPECT_TRUE(CallsStartingWith("PostWebMessageAsJson").empty());
  EXPECT_EQ(MainWindow().Caption(), "Demo App");

  Loop.Drain();
  EXPECT_EQ(CallsStartingWith("PostWebMessageAsJson"),
            (std::vector<std::string>{
                R"(PostWebMessageAsJson {"uuid": "a", "success": true, "result": "2026.1"})",
                R"(PostWebMessageAsJson {"uuid": "b", "success": true, "result": true})",
                R"(PostWebMessageAsJson {"uuid": "c", "success": true, "result": true})"}));
  EXPECT_EQ(MainWindow().Caption(), "Renamed");
}

TEST_F(MainFormTest, ClosingWhileADialogIsOpenReleasesTheBridgeOnlyAfterItsHandlerReturns) {
  struct TCase {
    const char* Request;
    std::size_t Dialog; // in the order the bridge makes them: open, save, (centre), folder
    bool ByCloseButton; // else the page calls qel.app.close() itself
  };
  const TCase cases[] = {
      {R"({"id":"20001","uuid":"d","data":{}})", 0, false},
      {R"({"id":"20002","uuid":"d","data":{}})", 1, true},
      {R"({"id":"20003","uuid":"d","data":{}})", 2, false},
      {R"({"id":"20001","uuid":"d","data":{}})", 0, true},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::string(c.Request) + (c.ByCloseButton ? " closed by the button" : ""));
    Toolkit.FileDialogs.clear();
    Make("");
    CompleteWebView();
    Platform.ClearCalls();
    ASSERT_EQ(Toolkit.FileDialogs.size(), 3u);
    FakeFileDialog& dialog = *Toolkit.FileDialogs[c.Dialog];
    const std::shared_ptr<bool> dialogAlive = dialog.Alive;
    dialog.Answers.push_back("C:\\chosen.txt");
    dialog.WhileShown = [&] {
      if (c.ByCloseButton)
        MainWindow().UserClose(); // asks the page, whose handler answers:
      PageCalls(R"({"id":"50001","uuid":"bye","data":{}})");
      // The dialog's own loop runs the close request and the close.
      Loop.Drain();
      EXPECT_TRUE(MainWindow().Closed);
      EXPECT_EQ(Form->BrowserExternalModule(), nullptr);
      EXPECT_TRUE(*dialogAlive) << "the dialog went while it was still shown";
    };
    PageCalls(c.Request);
    Loop.Drain();

    EXPECT_FALSE(*dialogAlive) << "released once the handler returned";
    EXPECT_EQ(Form->BrowserForm(), nullptr);
    // The dialog's answer had no page left to go to.
    EXPECT_TRUE(CallsStartingWith("PostWebMessageAsJson").empty());
  }
}

TEST_F(MainFormTest, ARequestStillQueuedWhenTheWindowClosesDoesNothing) {
  Make("");
  CompleteWebView();
  Platform.ClearCalls();
  PageCalls(R"({"id":"60006","uuid":"late","data":{"title":"Too late"}})");
  // The page agrees to close and the window closes before the loop runs.
  Form->BrowserExternalModuleAppCloseRequest(*Form->BrowserExternalModule());
  MainWindow().UserClose();
  ASSERT_TRUE(MainWindow().Closed);
  Loop.Drain();
  EXPECT_EQ(MainWindow().Caption(), "Demo App");
  EXPECT_TRUE(CallsStartingWith("PostWebMessageAsJson").empty());
}

// The whole program on the fakes: start-up, the single-instance rule and
// the main window.
class ProgramTest : public ::testing::Test {
public:
  testing::TTempDir Dir;
  FakeOsServices Os;
  FakeToolkit Toolkit;
  FakeEventLoop Loop;
  FakeWebViewPlatform Platform;
};

TEST_F(ProgramTest, ASecondInstanceRunsOnlyWhenOpeningAPageOfTheApplication) {
  struct TCase {
    std::vector<std::string> Args;
    std::string Extra;
    bool Opens;
  };
  const TCase cases[] = {
      {{"demo.exe"}, "", false},
      {{"demo.exe", "demo"}, "", false},
      {{"demo.exe", "demo", "file:///b.html"}, "", true},
      {{"demo.exe", "demo", "file:///b.html", "x"}, "", false},
      {{"demo.exe"}, "AllowInstances=1\n", true},
  };
  for (const TCase& c : cases) {
    FakeToolkit toolkit;
    Os.CommandLine = c.Args;
    Os.HeldMarkers = {"demo"};
    Os.CreatedMarkers.clear();
    Os.ExecutablePath = testing::MakePackagedExe(
        Dir, {{"qel.ini", "[App]\nID=demo\nName=Demo\nDirName=app\n" + c.Extra}});
    TProgramServices services{Os, toolkit, Loop, Platform};
    EXPECT_EQ(RunProgram(services), 0);
    // The main window shows only in an instance allowed to run.
    EXPECT_EQ(toolkit.ApplicationTitle == "Demo", c.Opens) << c.Args.size() << c.Extra;
    EXPECT_TRUE(toolkit.Windows.empty());
    EXPECT_EQ(Os.CreatedMarkers.size(), c.Extra.empty() ? 1u : 0u);
  }
}

TEST_F(ProgramTest, AnUnreadablePackageIsReportedWithExitCodeOne) {
  std::vector<uint8_t> bytes = testing::MakePe({{0x400, 0x200}});
  const std::string junk = "this is no archive at all";
  bytes.insert(bytes.end(), junk.begin(), junk.end());
  Os.ExecutablePath = Dir.File("junk.exe");
  testing::WriteBytes(Os.ExecutablePath, bytes);
  TProgramServices services{Os, Toolkit, Loop, Platform};
  EXPECT_EQ(RunProgram(services), 1);
  ASSERT_EQ(Toolkit.Dialogs.size(), 1u);
  EXPECT_EQ(Toolkit.Dialogs[0].Kind, TMessageDialogKind::Error);
}

TEST_F(ProgramTest, TheMimeTableNoLongerReadsThroughTheServicesOnceTheRunHasEnded) {
  Os.ExecutablePath =
      testing::MakePackagedExe(Dir, {{"qel.ini", "[App]\nID=demo\nName=Demo\nDirName=app\n"}});
  TProgramServices services{Os, Toolkit, Loop, Platform};
  EXPECT_EQ(RunProgram(services), 0);
  // The services may go now; a file served afterwards in the same process
  // (another run, a test) must not reach them.
  const int reads = Os.MimeDatabaseReads;
  EXPECT_EQ(TStrUtils::GetFileMIMEType("logo.png"), "image/x-png");
  EXPECT_EQ(Os.MimeDatabaseReads, reads);
}

} // namespace
} // namespace tessera
