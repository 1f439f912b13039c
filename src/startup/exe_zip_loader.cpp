#include "startup/exe_zip_loader.h"

#include "base/ascii.h"
#include "forms/require_password_form.h"
#include "functions/styles_utils.h"
#include "package/app_settings.h"
#include "package/calculations.h"
#include "platform/api/stored_styles.h"
#include "startup/app_icon.h"
#include "startup/app_id.h"
#include "startup/edge_installer_flow.h"
#include "startup/hand_off.h"
#include "startup/localized_messages.h"
#include "startup/package_entry_file.h"

#include <string>
#include <vector>

namespace tessera {

namespace {

[[noreturn]] void EndProcess() {
  throw TStartupExit{0};
}

void SetWebViewEnvironment(TRuntimeState& state, OsServices& os) {
  os.SetEnvironmentValue("WEBVIEW2_USER_DATA_FOLDER", state.WebViewDataPath);
  std::string arguments = ReadAppSetting(*state.ProjectINI, kSettingWebviewArguments);
  // Blanks alone select the defaults; anything else replaces them entirely.
  if (TrimBlanks(arguments).empty())
    arguments = std::string(kDefaultWebviewArguments);
  os.SetEnvironmentValue("WEBVIEW2_ADDITIONAL_BROWSER_ARGUMENTS", arguments);
  os.RemoveEnvironmentValue("WEBVIEW2_BROWSER_EXECUTABLE_FOLDER");
  os.RemoveEnvironmentValue("WEBVIEW2_RELEASE_CHANNEL_PREFERENCE");
}

} // namespace

void LoadExeZip(TRuntimeState& state, OsServices& os, Toolkit& toolkit) {
  state.ExeUtils = std::make_unique<TExeUtils>(os);
  state.ExeZip = std::make_unique<TZipArchive>();
  state.ExeZip->SetPasswordRetryCount(3);
  state.ProjectINI = std::make_unique<TProjectINI>();

  if (!state.ExeUtils->ExeHasAttachedStub()) {
    ShowLocalizedError(os, toolkit, kMsgNotAnApplication);
    EndProcess();
  }

  // Built here on every start and never stored.
  state.ExeZip->SetPassword(PackagePassword());

  state.PackageStream = std::make_unique<TMemoryStream>();
  state.ExeUtils->GetZipFromExe(*state.PackageStream);
  state.PackageStream->SetPosition(0);
  state.ExeZip->Open(*state.PackageStream);

  LoadProjectINI(*state.ExeZip, *state.ProjectINI, os);
  const TProjectINI& ini = *state.ProjectINI;
  state.AppID = ReadAppSetting(ini, kSettingID);
  state.AppName = ReadAppSetting(ini, kSettingName);
  state.AppDirName = ReadAppSetting(ini, kSettingDirName);
  state.AppIndexHtml = ReadAppSetting(ini, kSettingIndexHtml);
  // Settings that do not decrypt read as empty too: nothing to show then.
  if (state.AppID.empty() || state.AppName.empty() || state.AppDirName.empty())
    EndProcess();
  // Every path and name made from the ID must stay where it belongs.
  if (const std::string problem = AppIDProblem(state.AppID); !problem.empty())
    throw ESettingsError(problem);

  // The application's icon, for every window from here on.
  ApplyPackageIcon(*state.ExeZip, toolkit);

  // The configured theme, for every window from here on. A name that
  // matches no style is reported and start-up goes on in the system's look.
  // Menus are never styled, so they stay drawn by the system.
  const std::string theme = ReadAppSetting(ini, kSettingTheme);
  if (theme != kSystemStyleName)
    TStylesUtils::TrySetStyle(toolkit, theme, true);

  const char delimiter = os.PathDelimiter();
  state.AppDataPath = os.GetLocalAppDataDirPath() + state.AppID + delimiter;
  state.WebViewDataPath = state.AppDataPath + "Win64" + delimiter;
  state.WebViewLoaderPath = state.WebViewDataPath + std::string(kWebViewLoaderFileName);
  // The engine keeps the application's storage there and the loader lives
  // there: without it nothing would be kept and the engine would look
  // missing, so the real cause is told instead.
  for (const std::string& folder : {state.AppDataPath, state.WebViewDataPath}) {
    if (!os.ForceDirectories(folder))
      throw EStartupError("Cannot create the application's data folder \"" + folder + "\". " +
                          os.LastSystemErrorText());
  }

  // An existing loader is used as it is, even an empty or damaged one: the
  // engine check decides about it. An engine linked in needs none.
  if (os.EngineHasLoaderLibrary() && !os.FileExists(state.WebViewLoaderPath) &&
      !ExtractEntryToFile(os, *state.ExeZip, std::string(kWebViewLoaderFileName),
                          state.WebViewLoaderPath))
    throw EStartupError("Cannot create file \"" + state.WebViewLoaderPath + "\". " +
                        os.LastSystemErrorText());

  SetWebViewEnvironment(state, os);

  if (!os.CheckEdgeIsInstalled(state.WebViewLoaderPath))
    RunEdgeInstallerFlow(state, os, toolkit);

  // A start with the application's ID first skips the password only when
  // a running instance that got past it handed this start off.
  const bool handedOff = TakeHandOff(os, state.AppID);
  const std::string password = ReadAppSetting(ini, kSettingPassword);
  if (password.empty())
    return;
  const std::vector<std::string> args = os.GetCommandLineArguments();
  if (!(handedOff && args.size() >= 2 && args[1] == state.AppID)) {
    TRequirePasswordForm prompt(toolkit);
    prompt.Window().SetCaption(state.AppName);
    prompt.SetPassword(password);
    if (!prompt.Execute())
      EndProcess();
  }
  OfferHandOff(os, state.AppID);
}

} // namespace tessera
