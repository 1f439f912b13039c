#include "startup/edge_installer_flow.h"

#include "forms/edge_installer_form.h"
#include "package/app_settings.h"
#include "startup/localized_messages.h"
#include "startup/package_entry_file.h"

namespace tessera {

namespace {

[[noreturn]] void EndProcess() {
  throw TStartupExit{0};
}

} // namespace

void RunEdgeInstallerFlow(TRuntimeState& state, OsServices& os, Toolkit& toolkit) {
  const TProjectINI& ini = *state.ProjectINI;
  if (!ReadAppSetting(ini, kSettingEdgeInstaller)) {
    ShowLocalizedError(os, toolkit, kMsgRuntimeRequired);
    EndProcess();
  }
  const TModalResult answer = LocalizedMessageDlg(
      toolkit, GetLocalizedMessage(os, kMsgInstallRuntimeQuestion),
      TMessageDialogKind::Confirmation, TMessageDialogButtons::OKCancel,
      {GetLocalizedMessage(os, kMsgAcceptButton), GetLocalizedMessage(os, kMsgCancelButton)},
      GetLocalizedMessage(os, kMsgConfirmCaption));
  if (answer != TModalResult::OK) {
    os.DeleteDirectory(state.AppDataPath);
    ShowLocalizedError(os, toolkit, kMsgInstallDeclined);
    EndProcess();
  }

  const std::string installerPath = state.AppDataPath + kEdgeInstallerFileName;
  // A file left from an earlier attempt is used as it is.
  if (!os.FileExists(installerPath))
    ExtractEntryToFile(os, *state.ExeZip, kEdgeInstallerFileName, installerPath);

  TEdgeInstallerForm installerForm(toolkit);
  installerForm.SetFormColor(ReadAppSetting(ini, kSettingInstallFormColor));
  installerForm.SetIndicatorColor(ReadAppSetting(ini, kSettingInstallIndicatorColor));
  installerForm.SetIndicatorType(ReadAppSetting(ini, kSettingInstallIndicatorType));
  installerForm.Show();
  // No hidden application window exists to hide: the main window carries
  // the task-bar button and is not made yet.

  os.ShellExecAsAdminAndWait(toolkit.ActiveWindow(), installerPath, kEdgeInstallerParameters);

  if (os.CheckEdgeIsInstalled(state.WebViewLoaderPath)) {
    if (os.FileExists(installerPath))
      os.RemoveFile(installerPath);
    // The new process starts without arguments, so it goes through the
    // whole start-up again.
    os.ShellExec(os.GetExecutablePath(), "");
    EndProcess();
  }
  os.DeleteDirectory(state.AppDataPath);
  ShowLocalizedError(os, toolkit, kMsgRuntimeStillMissing);
  EndProcess();
}

} // namespace tessera
