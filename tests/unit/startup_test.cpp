#include "startup/edge_installer_flow.h"
#include "startup/exe_zip_loader.h"
#include "startup/hand_off.h"
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

TEST_F(StartupTest, AnEngineLinkedInGetsNoLoaderFile) {
  PackageWithSettings(kSettings);
  Os.LoaderLibrary = false;
  EXPECT_EQ(Run(), -1);
  EXPECT_EQ(Os.Files.count(kLoaderPath), 0u);
  EXPECT_TRUE(Os.Folders.count(kDataPath + "Win64"));
}

TEST_F(StartupTest, AnExistingLoaderIsKeptEvenWhenEmpty) {
  PackageWithSettings(kSettings + "IndexHtml=start.html\n");
  Os.Files[kLoaderPath] = "";
  EXPECT_EQ(Run(), -1);
  EXPECT_EQ(Os.Files[kLoaderPath], "");
  EXPECT_EQ(State.AppIndexHtml, "start.html");
}

TEST_F(StartupTest, ASettingsEntryTooLargeOrDamagedIsAnErrorNotEmptySettings) {
  // Over the limit, told before anything is decoded.
  PackageWithSettings(kSettings + ";" + std::string(kMaxSettingsSize, 'x') + "\n");
  try {
    Run();
    ADD_FAILURE() << "a settings file over the limit was read";
  } catch (const ESettingsError& e) {
    EXPECT_NE(std::string(e.what()).find("\"qel.ini\""), std::string::npos) << e.what();
  }
  // Just at the limit it is read.
  const std::string padded = kSettings + ";";
  PackageWithSettings(padded + std::string(kMaxSettingsSize - padded.size() - 1, 'x') + "\n");
  EXPECT_EQ(Run(), -1);

  // An entry whose data lies outside the archive is damage, not missing
  // settings.
  PackageWithSettings(kSettings);
  std::vector<uint8_t> image = testing::ReadBytes(Os.ExecutablePath);
  const std::string name = "qel.ini";
  const auto central = std::search(image.rbegin(), image.rend(), name.rbegin(), name.rend());
  ASSERT_NE(central, image.rend());
  // The central header's local offset lies 4 bytes before its name (the
  // name starts 46 bytes into the header, the offset 42).
  const size_t nameAt = static_cast<size_t>(image.rend() - central) - name.size();
  for (size_t i = nameAt - 4; i < nameAt; ++i)
    image[i] = 0x7F;
  testing::WriteBytes(Os.ExecutablePath, image);
  Os.Folders.clear();
  EXPECT_THROW(Run(), EZipError);
  EXPECT_TRUE(Os.Folders.empty());
}

TEST_F(StartupTest, ADataFolderThatCannotBeMadeIsReportedWithItsPath) {
  PackageWithSettings(kSettings);
  Os.SystemErrorText = "Access is denied.";
  for (const std::string& unwritable :
       {kDataPath.substr(0, kDataPath.size() - 1), kDataPath + "Win64"}) {
    Os.UnwritablePaths = {unwritable};
    try {
      Run();
      ADD_FAILURE() << unwritable;
    } catch (const EStartupError& e) {
      EXPECT_STREQ(e.what(), ("Cannot create the application's data folder \"" + unwritable +
                              "\\\". Access is denied.")
                                 .c_str());
    }
    EXPECT_TRUE(Os.EdgeChecks.empty());
  }
  // A loader that cannot be written is told as such, not as a missing
  // engine.
  Os.UnwritablePaths = {kLoaderPath};
  try {
    Run();
    ADD_FAILURE() << "the loader could not be written";
  } catch (const EStartupError& e) {
    EXPECT_STREQ(e.what(),
                 ("Cannot create file \"" + kLoaderPath + "\". Access is denied.").c_str());
  }
  EXPECT_TRUE(Os.EdgeChecks.empty());
}

TEST_F(StartupTest, PasswordPromptFollowsTheCommandLineTheHandOffAndTheTypedText) {
  // The proof a running instance published for "demo", and others.
  const std::string proof = "7:published";
  struct TCase {
    std::vector<std::string> CommandLine;
    std::string Proof; // the hand-off variable's value; "" for none
    std::string Typed;
    bool PromptShown;
    int Result;
  };
  const TCase cases[] = {
      {{"app.exe"}, "", "s3cret", true, -1},
      {{"app.exe"}, "", "S3cret", true, 0},
      {{"app.exe"}, "", " s3cret", true, 0},
      {{"app.exe", "other"}, "", "s3cret", true, -1},
      // The ID is no secret: it alone asks as any start does.
      {{"app.exe", "demo"}, "", "s3cret", true, -1},
      {{"app.exe", "demo", "file:///x.html"}, "", "wrong", true, 0},
      // Handed off by a running instance, with the ID first.
      {{"app.exe", "demo"}, proof, "", false, -1},
      {{"app.exe", "demo", "file:///x.html"}, proof, "", false, -1},
      {{"app.exe", "demo", "file:///x.html", "more"}, proof, "", false, -1},
      // A proof nobody published, one for another application's token, or
      // a true proof without the ID first.
      {{"app.exe", "demo", "file:///x.html"}, "7:forged", "wrong", true, 0},
      {{"app.exe", "demo", "file:///x.html"}, "8:other-app", "wrong", true, 0},
      {{"app.exe", "other"}, proof, "wrong", true, 0},
      {{"app.exe", "Demo"}, proof, "wrong", true, 0},
  };
  for (const TCase& c : cases) {
    FakeToolkit toolkit;
    FakeOsServices os;
    os.CommandLine = c.CommandLine;
    os.HandOffTokens = {{"demo", proof}, {"other", "8:other-app"}};
    if (!c.Proof.empty())
      os.Environment[std::string(kHandOffVariable)] = c.Proof;
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
    const std::string label = std::to_string(c.CommandLine.size()) + " " + c.Proof + " " + c.Typed;
    EXPECT_EQ(shown, c.PromptShown) << label;
    EXPECT_EQ(result, c.Result) << label;
    // The proof it got goes no further; an instance past the password
    // offers its own to the processes it starts.
    const auto offered = os.Environment.find(std::string(kHandOffVariable));
    if (c.Result == -1) {
      ASSERT_NE(offered, os.Environment.end()) << label;
      EXPECT_NE(offered->second, c.Proof) << label;
      EXPECT_TRUE(os.IsHandOffTokenValid("demo", offered->second)) << label;
    } else {
      EXPECT_EQ(offered, os.Environment.end()) << label;
      EXPECT_EQ(os.HandOffTokensPublished, 0) << label;
    }
  }
}

TEST_F(StartupTest, WithoutAPasswordTheHandOffIsTakenAwayAndNoneOffered) {
  PackageWithSettings(kSettings);
  Os.CommandLine = {"app.exe", "demo", "file:///x.html"};
  Os.Environment[std::string(kHandOffVariable)] = "7:anything";
  EXPECT_EQ(Run(), -1);
  EXPECT_EQ(Os.Environment.count(std::string(kHandOffVariable)), 0u);
  EXPECT_EQ(Os.HandOffTokensPublished, 0);
}

TEST_F(StartupTest, AnIdThatCannotNameAFolderIsRefusedBeforeAnythingIsMade) {
  const std::string refused[] = {"../../../../tmp/x", "a/b", "a\\b", "C:x", "..", ".", "...",
                                 "tab\there"};
  for (const std::string& id : refused) {
    PackageWithSettings("[App]\nID=" + id + "\nName=Demo App\nDirName=web\n");
    Os.Folders.clear();
    try {
      Run();
      ADD_FAILURE() << id;
    } catch (const ESettingsError& e) {
      EXPECT_NE(std::string(e.what()).find("application ID"), std::string::npos) << e.what();
    }
    EXPECT_TRUE(Os.Folders.empty()) << id;
    EXPECT_TRUE(Os.CreatedMarkers.empty()) << id;
  }
  for (const std::string id : {"com.example.app", "my app", "a..b"}) {
    PackageWithSettings("[App]\nID=" + id + "\nName=Demo App\nDirName=web\n");
    EXPECT_EQ(Run(), -1) << id;
    EXPECT_EQ(State.AppDataPath, "C:\\Users\\user\\AppData\\Local\\" + id + "\\") << id;
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
