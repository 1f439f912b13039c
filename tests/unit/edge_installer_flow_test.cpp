#include "startup/edge_installer_flow.h"

#include "forms/edge_installer_form.h"
#include "platform/fake/fake_os_services.h"
#include "platform/fake/fake_toolkit.h"
#include "startup/exe_zip_loader.h"
#include "startup/localized_messages.h"
#include "startup_fixture.h"

#include <gtest/gtest.h>

namespace tessera {
namespace {

using testing::MakePackagedExe;
using testing::TTempDir;

const std::string kDataPath = "C:\\Users\\user\\AppData\\Local\\demo\\";
const std::string kLoaderPath = kDataPath + "Win64\\WebView2LoaderWin64.dll";
const std::string kInstallerPath = kDataPath + "WebView2Installer.exe";

// Start-up on a machine without the web engine: the check answers false
// first; what it answers after the installer ran is up to each test.
class EdgeInstallerFlowTest : public testing::TStartupFixture {
public:
  EdgeInstallerFlowTest() {
    Os.ExecutablePath = Dir.File("app.exe");
    Os.EdgeInstalledAnswers = {false};
  }

  void Package(const std::string& extraSettings, bool withInstaller = true) {
    testing::TPackageEntries entries{
        {"qel.ini", "[App]\nID=demo\nName=Demo\nDirName=web\n" + extraSettings},
        {"WebView2LoaderWin64.dll", "loader"}};
    if (withInstaller)
      entries.emplace_back("WebView2Installer.exe", "installer");
    Os.ExecutablePath = MakePackagedExe(Dir, entries);
  }

  std::string Message(int index) { return GetLocalizedMessage(Os, index); }
};

TEST_F(EdgeInstallerFlowTest, InstallingNotAllowedShowsOnlyMessageSix) {
  Package("EdgeInstaller=0\n");
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(DialogTexts(), std::vector<std::string>{Message(kMsgRuntimeRequired)});
  EXPECT_TRUE(Os.Launches.empty());
}

TEST_F(EdgeInstallerFlowTest, DecliningDeletesTheDataFolderAndSaysSo) {
  Package("");
  Toolkit.DialogAnswers = {TModalResult::Cancel};
  EXPECT_EQ(Run(), 0);
  ASSERT_EQ(Toolkit.Dialogs.size(), 2u);
  const TMessageDialogRequest& question = Toolkit.Dialogs[0];
  EXPECT_EQ(question.Text, Message(kMsgInstallRuntimeQuestion));
  EXPECT_EQ(question.Kind, TMessageDialogKind::Confirmation);
  EXPECT_EQ(question.Buttons, TMessageDialogButtons::OKCancel);
  EXPECT_EQ(question.Captions,
            (std::vector<std::string>{Message(kMsgAcceptButton), Message(kMsgCancelButton)}));
  EXPECT_EQ(question.WindowCaption, Message(kMsgConfirmCaption));
  EXPECT_EQ(Toolkit.Dialogs[1].Text, Message(kMsgInstallDeclined));
  EXPECT_EQ(Os.DeletedFolders, std::vector<std::string>{kDataPath});
  EXPECT_FALSE(Os.FileExists(kLoaderPath));
  EXPECT_TRUE(Os.Launches.empty());
}

TEST_F(EdgeInstallerFlowTest, ASuccessfulInstallationStartsTheProgramAnewWithoutArguments) {
  Package("InstallFormColor=$00FF8000\nInstallIndicatorColor=0\nInstallIndicatorType=2\n");
  Os.CommandLine = {"app.exe", "demo", "file:///page.html"};
  bool installerRan = false;
  Os.DuringElevatedRun = [&] {
    // The installer window is up and animating while the installer runs.
    ASSERT_EQ(Toolkit.Windows.size(), 1u);
    FakeToolkitWindow& window = *Toolkit.Windows[0];
    EXPECT_TRUE(window.Visible());
    EXPECT_EQ(window.Kind, TWindowKind::ShadowPopup);
    EXPECT_EQ(window.Color, 0x00FF8000u);
    EXPECT_EQ(window.Cursor, TCursorKind::AppStarting);
    EXPECT_EQ(window.Region, "0,0,81,81 4x4");
    EXPECT_EQ(Toolkit.LastActivityIndicator->Color, TActivityIndicatorColor::Black);
    EXPECT_EQ(Toolkit.LastActivityIndicator->Type, TActivityIndicatorType::SectorRing);
    EXPECT_TRUE(Toolkit.LastActivityIndicator->Animate);
    EXPECT_EQ(Os.Files[kInstallerPath], "installer");
    // The user cannot close it.
    window.UserClose();
    EXPECT_TRUE(window.Visible());
    Os.EdgeInstalledAnswers.push_back(true);
    installerRan = true;
  };
  EXPECT_EQ(Run(), 0);
  ASSERT_TRUE(installerRan);
  ASSERT_EQ(Os.Launches.size(), 2u);
  EXPECT_TRUE(Os.Launches[0].Elevated);
  EXPECT_EQ(Os.Launches[0].File, kInstallerPath);
  EXPECT_EQ(Os.Launches[0].Arguments, "/silent /install");
  EXPECT_FALSE(Os.Launches[1].Elevated);
  EXPECT_EQ(Os.Launches[1].File, Os.ExecutablePath);
  EXPECT_EQ(Os.Launches[1].Arguments, "");
  EXPECT_FALSE(Os.FileExists(kInstallerPath));
  EXPECT_TRUE(Os.DeletedFolders.empty());
  EXPECT_EQ(Toolkit.Dialogs.size(), 1u);
}

TEST_F(EdgeInstallerFlowTest, AnEngineStillMissingDeletesTheDataFolderAndSaysSo) {
  // Without an installer in the package the file is empty and cannot run.
  Package("", false);
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(DialogTexts(), (std::vector<std::string>{Message(kMsgInstallRuntimeQuestion),
                                                     Message(kMsgRuntimeStillMissing)}));
  EXPECT_EQ(Os.DeletedFolders, std::vector<std::string>{kDataPath});
  EXPECT_FALSE(Os.FileExists(kInstallerPath));
  ASSERT_EQ(Os.Launches.size(), 1u);
  EXPECT_TRUE(Os.Launches[0].Elevated);
}

TEST_F(EdgeInstallerFlowTest, AnInstallerLeftFromAnEarlierAttemptIsUsedAsItIs) {
  Package("");
  Os.Files[kInstallerPath] = "older installer";
  Os.DuringElevatedRun = [&] { EXPECT_EQ(Os.Files[kInstallerPath], "older installer"); };
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(Os.Launches.size(), 1u);
}

TEST(EdgeInstallerForm, OutOfRangeIndicatorSettingsKeepTheDesignedLook) {
  FakeToolkit toolkit;
  TEdgeInstallerForm form(toolkit);
  form.SetIndicatorColor(7);
  form.SetIndicatorType(-3);
  EXPECT_EQ(toolkit.LastActivityIndicator->Color, TActivityIndicatorColor::White);
  EXPECT_EQ(toolkit.LastActivityIndicator->Type, TActivityIndicatorType::MomentumDots);
  EXPECT_EQ(toolkit.LastActivityIndicator->Size, TActivityIndicatorSize::XLarge);
  EXPECT_EQ(toolkit.LastActivityIndicator->Left, 9);
  EXPECT_EQ(toolkit.LastActivityIndicator->Top, 8);
  EXPECT_EQ(toolkit.Windows[0]->Caption(), "EdgeInstallerForm");
  EXPECT_EQ(toolkit.Windows[0]->CornerPreference, 2);
}

} // namespace
} // namespace tessera
