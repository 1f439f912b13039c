#include "startup/program_main.h"

#include "base/str_utils.h"
#include "forms/main_form.h"
#include "package/app_settings.h"
#include "startup/exe_zip_loader.h"
#include "webview/web_view_loader.h"

#include <cstdio>
#include <exception>
#include <memory>
#include <string>
#include <vector>

namespace tessera {

namespace {

// Whether another running instance must keep this one from opening: only a
// process started as (application ID, page) may run beside it.
bool BlockedByRunningInstance(const TRuntimeState& state, OsServices& os) {
  if (ReadAppSetting(*state.ProjectINI, kSettingAllowInstances))
    return false;
  if (!os.CreateSingleInstanceMarker(state.AppID))
    return false;
  const std::vector<std::string> args = os.GetCommandLineArguments();
  return !(args.size() == 3 && args[1] == state.AppID);
}

int Run(TProgramServices& services, const TProgramOptions& options, TRuntimeState& state) {
  OsServices& os = services.Os;
  try {
    LoadExeZip(state, os, services.Widgets);
  } catch (const TStartupExit& exit) {
    return exit.Code;
  }
  if (BlockedByRunningInstance(state, os))
    return 0;

  TWebViewLoader loader(services.Engine);
  loader.WebViewLoaderPath = state.WebViewLoaderPath;
  std::unique_ptr<TBridgeTrafficLog> bridgeLog;
  if (!options.BridgeLogPath.empty())
    bridgeLog = std::make_unique<TBridgeTrafficLog>(options.BridgeLogPath);
  TMainFormContext context;
  context.ExeZip = state.ExeZip.get();
  context.ProjectINI = state.ProjectINI.get();
  context.AppID = state.AppID;
  context.AppName = state.AppName;
  context.AppDirName = state.AppDirName;
  context.AppIndexHtml = state.AppIndexHtml;
  context.BridgeLog = bridgeLog.get();
  TMainForm mainForm(services.Widgets, os, loader, services.Loop, context);
  services.Widgets.SetMainWindow(&mainForm.Window());
  mainForm.Show();
  services.Loop.Run();
  services.Widgets.SetMainWindow(nullptr);
  return 0;
}

} // namespace

int RunProgram(TProgramServices& services, const TProgramOptions& options) {
  OsServices& os = services.Os;
  // The table reads the system's database through services that last as
  // long as this run only: the source goes when the run ends, or a table
  // built afterwards would read through services that are gone.
  TStrUtils::SetMimeDatabaseSource([&os] { return os.ReadMimeDatabase(); });
  struct TMimeSourceReset {
    ~TMimeSourceReset() { TStrUtils::SetMimeDatabaseSource(nullptr); }
  } mimeSourceReset;
  TRuntimeState state;
  int code = 0;
  try {
    code = Run(services, options, state);
  } catch (const std::exception& e) {
    // Nothing on the way handled it: tell the user, then end.
    TMessageDialogRequest report;
    report.Text = e.what();
    report.Kind = TMessageDialogKind::Error;
    report.WindowCaption = "Error";
    std::fprintf(stderr, "tessera: %s\n", e.what());
    services.Widgets.MessageDialog(report);
    code = 1;
  }
  state.Release();
  return code;
}

} // namespace tessera
