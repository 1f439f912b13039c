#include "startup/edge_installer_flow.h"
#include "startup/exe_zip_loader.h"
#include "startup/localized_messages.h"

#include "forms/require_password_form.h"

#include "platform/fake/fake_os_services.h"
#include "platform/fake/fake_toolkit.h"
#include "startup_fixture.h"

#include <gtest/gtest.h>

namespace tessera {
namespace {

using testing::MakePackagedExe;
using testing::TPackageEntries;
using testing::TTempDir;

const std::string kDataPath = "C:\\Users\\user\\AppData\\Local\\demo\\";
const std::string kLoaderPath = kDataPath + "Win64\\WebView2LoaderWin64.dll";
const std::string kInstallerPath = kDataPath + "WebView2Installer.exe";

TEST(LocalizedMessages, PicksTheUserLanguageOrEnglish) {
  struct TCase {
    std::string Language;
    int Index;
    std::string Expected;
  };
  const TCase cases[] = {
      {"es", 5, "Esta no es una aplicación de Windows válida."},
      {"es", 3, "Aceptar"},
      {"de", 4, "Stornieren"},
      {"fr", 3, "J'accepte"},
      {"it", 1, "Errore"},
      {"zh", 8, "此应用程序无法继续，将立即关闭。"},
      {"en", 5, "This is not a valid Windows application."},
      // No table, or a code that differs in case: English.
      {"pt", 2, "Confirm"},
      {"ES", 3, "Accept"},
      {"", 1, "Error"},
      // Index 0 names the table that answered.
      {"fr", 0, "fr"},
      {"pt", 0, "en"},
  };
  for (const TCase& c : cases) {
    FakeOsServices os;
    os.UserLanguage = c.Language;
    EXPECT_EQ(GetLocalizedMessage(os, c.Index), c.Expected) << c.Language << " " << c.Index;
  }
}

TEST(LocalizedMessages, AsksForTheLanguageEveryTimeAndRefusesOtherIndexes) {
  FakeOsServices os;
  GetLocalizedMessage(os, 1);
  os.UserLanguage = "es";
  EXPECT_EQ(GetLocalizedMessage(os, 4), "Cancelar");
  EXPECT_EQ(os.UserLanguageReads, 2);
  for (const int index : {10, -1}) {
    try {
      GetLocalizedMessage(os, index);
      ADD_FAILURE() << index;
    } catch (const Exception& e) {
      EXPECT_STREQ(e.what(), "MessageIndex is out of range!");
    }
  }
}

class StartupTest : public testing::TStartupFixture {
public:
  void Package(const TPackageEntries& entries, const std::string& password = PackagePassword()) {
    Os.ExecutablePath = MakePackagedExe(Dir, entries, password);
  }
  void PackageWithSettings(const std::string& settings) {
    Package({{"qel.ini", settings},
             {"WebView2LoaderWin64.dll", "loader bytes"},
             {"WebView2Installer.exe", "installer bytes"}});
  }
};

const std::string kSettings = "[App]\nID=demo\nName=Demo App\nDirName=web\n";

TEST_F(StartupTest, WithoutPackageShowsMessageFiveInTheUserLanguage) {
  for (const std::string language : {"en", "es"}) {
    FakeToolkit toolkit;
    FakeOsServices os;
    os.UserLanguage = language;
    os.ExecutablePath = Dir.File("plain.exe");
    testing::WriteBytes(os.ExecutablePath, testing::MakePe({{0x400, 0x200}}));
    TRuntimeState state;
    EXPECT_THROW(LoadExeZip(state, os, toolkit), TStartupExit);
    ASSERT_EQ(toolkit.Dialogs.size(), 1u);
    const TMessageDialogRequest& dialog = toolkit.Dialogs[0];
    EXPECT_EQ(dialog.Text, GetLocalizedMessage(os, kMsgNotAnApplication));
    EXPECT_EQ(dialog.WindowCaption, GetLocalizedMessage(os, kMsgErrorCaption));
    EXPECT_EQ(dialog.Captions, std::vector<std::string>{GetLocalizedMessage(os, kMsgAcceptButton)});
    EXPECT_EQ(dialog.Kind, TMessageDialogKind::Error);
    EXPECT_EQ(dialog.Buttons, TMessageDialogButtons::OK);
  }
}

TEST_F(StartupTest, SettingsThatAreMissingOrDoNotDecryptEndSilently) {
  const std::pair<std::string, std::string> packages[] = {
      {"[App]\nName=Demo\nDirName=web\n", PackagePassword()},
      {"[App]\nID=demo\nDirName=web\n", PackagePassword()},
      {"[App]\nID=demo\nName=Demo\n", PackagePassword()},
      {kSettings, "not the package password"},
  };
  for (const auto& [settings, password] : packages) {
    Package({{"qel.ini", settings}}, password);
    Toolkit.Dialogs.clear();
    EXPECT_EQ(Run(), 0) << settings;
    EXPECT_TRUE(Toolkit.Dialogs.empty());
    EXPECT_TRUE(Os.Folders.empty());
  }
}

TEST_F(StartupTest, PreparesIdentityFoldersLoaderAndEnvironment) {
  PackageWithSettings(kSettings);
  Os.Environment["WEBVIEW2_BROWSER_EXECUTABLE_FOLDER"] = "C:\\elsewhere";
  Os.Environment["WEBVIEW2_RELEASE_CHANNEL_PREFERENCE"] = "1";
  EXPECT_EQ(Run(), -1);
  EXPECT_EQ(State.AppID, "demo");
  EXPECT_EQ(State.AppName, "Demo App");
  EXPECT_EQ(State.AppDirName, "web");
  EXPECT_EQ(State.AppIndexHtml, "index.html");
  EXPECT_EQ(State.AppDataPath, kDataPath);
  EXPECT_EQ(State.WebViewDataPath, kDataPath + "Win64\\");
  EXPECT_EQ(State.WebViewLoaderPath, kLoaderPath);
  EXPECT_TRUE(Os.Folders.count(kDataPath.substr(0, kDataPath.size() - 1)));
  EXPECT_TRUE(Os.Folders.count(kDataPath + "Win64"));
  EXPECT_EQ(Os.Files[kLoaderPath], "loader bytes");
  EXPECT_EQ(Os.EdgeChecks, std::vector<std::string>{kLoaderPath});
  const std::map<std::string, std::string> environment{
      {"WEBVIEW2_USER_DATA_FOLDER", kDataPath + "Win64\\"},
      {"WEBVIEW2_ADDITIONAL_BROWSER_ARGUMENTS", std::string(kDefaultWebviewArguments)}};
  EXPECT_EQ(Os.Environment, environment);
  EXPECT_TRUE(State.ExeZip->IsOpen());
  EXPECT_TRUE(Toolkit.Dialogs.empty());
  EXPECT_TRUE(Toolkit.Windows.empty());
}

TEST_F(StartupTest, BrowserArgumentsReplaceTheDefaultsUnlessBlank) {
  const std::pair<std::string, std::string> cases[] = {
      {"WebviewArguments= \t \n", std::string(kDefaultWebviewArguments)},
      {"WebviewArguments=--lang=es", "--lang=es"},
  };
  for (const auto& [line, expected] : cases) {
    PackageWithSettings(kSettings + line + "\n");
    EXPECT_EQ(Run(), -1);
    EXPECT_EQ(Os.Environment["WEBVIEW2_ADDITIONAL_BROWSER_ARGUMENTS"], expected) << line;
  }
}

TEST_F(StartupTest, AnExistingLoaderIsKeptEvenWhenEmpty) {
  PackageWithSettings(kSettings + "IndexHtml=start.html\n");
  Os.Files[kLoaderPath] = "";
  EXPECT_EQ(Run(), -1);
  EXPECT_EQ(Os.Files[kLoaderPath], "");
  EXPECT_EQ(State.AppIndexHtml, "start.html");
}

TEST_F(StartupTest, PasswordPromptFollowsTheCommandLineAndTheTypedText) {
  struct TCase {
    std::vector<std::string> CommandLine;
    std::string Typed;
    bool PromptShown;
    int Result;
  };
  const TCase cases[] = {
      {{"app.exe"}, "s3cret", true, -1},
      {{"app.exe"}, "S3cret", true, 0},
      {{"app.exe"}, " s3cret", true, 0},
      {{"app.exe", "other"}, "s3cret", true, -1},
      {{"app.exe", "demo"}, "", false, -1},
      {{"app.exe", "demo", "file:///x.html", "more"}, "", false, -1},
      {{"app.exe", "Demo"}, "wrong", true, 0},
  };
  for (const TCase& c : cases) {
    FakeToolkit toolkit;
    FakeOsServices os;
    os.CommandLine = c.CommandLine;
    os.ExecutablePath = MakePackagedExe(Dir, {{"qel.ini", kSettings + "Password=s3cret\n"}});
    bool shown = false;
    toolkit.OnShowModal = [&](FakeToolkitWindow& window) {
      shown = true;
      EXPECT_EQ(window.Caption(), "Demo App");
      EXPECT_TRUE(toolkit.LastPasswordEdit->Focused);
      toolkit.LastPasswordEdit->Type(c.Typed);
      // A wrong text changes nothing: the user gives up and closes it.
      if (c.Result == 0)
        window.UserClose();
    };
    TRuntimeState state;
    int result = -1;
    try {
      LoadExeZip(state, os, toolkit);
    } catch (const TStartupExit& exit) {
      result = exit.Code;
    }
    EXPECT_EQ(shown, c.PromptShown) << c.CommandLine.size() << " " << c.Typed;
    EXPECT_EQ(result, c.Result) << c.CommandLine.size() << " " << c.Typed;
  }
}

TEST(RequirePasswordForm, PastedTextWaitsForTheNextKeyRelease) {
  FakeToolkit toolkit;
  TRequirePasswordForm form(toolkit);
  form.SetPassword("abc");
  toolkit.OnShowModal = [&](FakeToolkitWindow& window) {
    FakePasswordEdit& edit = *toolkit.LastPasswordEdit;
    EXPECT_EQ(edit.PasswordChar, '*');
    EXPECT_EQ(edit.ImageName, "key");
    EXPECT_EQ(window.BorderStyle(), TBorderStyle::Dialog);
    edit.Paste("abc");
    EXPECT_EQ(form.ModalResult(), TModalResult::None);
    edit.ReleaseKey(0x11);
  };
  EXPECT_TRUE(form.Execute());
}

} // namespace
} // namespace tessera
