#pragma once

#include "bridge/bridge_json.h"
#include "bridge/bridge_traffic_log.h"
#include "bridge/browser_external_form.h"
#include "bridge/function_table.h"
#include "platform/api/os_services.h"
#include "platform/api/toolkit.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

namespace tessera {

class TProjectINI;
class TZipArchive;

// What the bridge needs of the browser window's web view control. It stands
// in for the control until the browser window exists; the browser window
// will implement it on the control.
class TBridgeWebView {
public:
  virtual ~TBridgeWebView() = default;
  // Posts a reply to the page. A text that is not valid JSON is refused by
  // the web view and never reaches the page; the bridge does not look at
  // the outcome.
  virtual void PostWebMessageAsJson(std::string_view json) = 0;
  // Runs a script in the page, without waiting for or reading its result.
  virtual void ExecuteScript(std::string_view script) = 0;
  // Gives the keyboard focus to the window that contains the browser window.
  virtual void FocusContainerWindow() = 0;
  // Gives the keyboard focus to the web view control itself.
  virtual void FocusWebView() = 0;
  // Navigates the web view to the URL as given.
  virtual void Navigate(const std::string& url) = 0;
  // The web view's zoom factor (1 is 100 percent).
  virtual double ZoomFactor() = 0;
  virtual void SetZoomFactor(double zoomFactor) = 0;
  // The executable's folder, ending in the path delimiter.
  virtual std::string AppDirPath() const = 0;
};

// A message the page posted, as the web view's message event gives it.
class TBridgeMessageArgs {
public:
  virtual ~TBridgeMessageArgs() = default;
  // True with the text when the page posted a string; false otherwise.
  virtual bool TryGetWebMessageAsString(std::string& text) const = 0;
  // The message as JSON text, whatever the page posted.
  virtual std::string WebMessageAsJson() const = 0;
};

// A posted message held as plain texts, for hosts whose web view hands the
// message over already converted.
class TBridgeMessage final : public TBridgeMessageArgs {
public:
  // A message the page posted as something other than a string.
  explicit TBridgeMessage(std::string json) : FJson(std::move(json)) {}
  // A message the page posted as the string text (json is its JSON form).
  TBridgeMessage(std::string text, std::string json)
      : FIsString(true), FText(std::move(text)), FJson(std::move(json)) {}

  bool TryGetWebMessageAsString(std::string& text) const override;
  std::string WebMessageAsJson() const override { return FJson; }

private:
  bool FIsString = false;
  std::string FText;
  std::string FJson;
};

// The host half of the window.qel bridge: receives each request the page
// posts, dispatches it by function ID to the handler of that function and
// posts the handler's reply. Handlers are methods named after the page-side
// function (qel.window.setTitle -> WindowSetTitle); they answer only through
// PostCallSuccess and PostCallFailure.
//
// The module holds the protocol, the dispatch, the argument readers and
// Hello and IsRuntime; the native functions' handlers are written in
// functions/, one file per group, each listing its handlers for the
// dispatcher (handler_bindings.h).
//
// Everything runs on the user-interface thread; nothing is locked.
class TBrowserExternalModule {
public:
  // The page's string that asks a host without a package to focus the web
  // view (the click listener of preview hosts).
  static constexpr std::string_view kWebBrowserClickedMessage = "qel-webbrowser-clicked";
  // The bridge's version text, as Hello replies it.
  static constexpr std::string_view kBridgeVersion = "\"2026.1\"";

  using TAppCloseRequestEvent = std::function<void(TBrowserExternalModule& sender)>;
  using TMessageBoxCallback = std::function<void(const std::string& message)>;
  using TErrorReporter = std::function<void(const std::string& report)>;

  // The owner's fields are cleared; errors go to standard error. The
  // toolkit and the system services must outlive the module.
  TBrowserExternalModule(Toolkit& toolkit, OsServices& os);
  TBrowserExternalModule(const TBrowserExternalModule&) = delete;
  TBrowserExternalModule& operator=(const TBrowserExternalModule&) = delete;
  ~TBrowserExternalModule();

  // Set by the owner before the first message. The archive and the
  // settings are shared, never freed by the module; the module runs "in the
  // runtime" exactly when an archive is attached.
  void SetExeZip(const TZipArchive* exeZip) { FExeZip = exeZip; }
  const TZipArchive* ExeZip() const { return FExeZip; }
  void SetProjectINI(const TProjectINI* projectINI) { FProjectINI = projectINI; }
  const TProjectINI* ProjectINI() const { return FProjectINI; }
  void SetInFullscreen(bool inFullscreen) { FInFullscreen = inFullscreen; }
  bool InFullscreen() const { return FInFullscreen; }
  void SetOnAppCloseRequest(TAppCloseRequestEvent event) { FOnAppCloseRequest = std::move(event); }
  // The main window, whose frame, state, bounds, style, title and menu the
  // window functions change; none until the owner sets it.
  void SetMainForm(ToolkitWindow* mainForm) { FMainForm = mainForm; }
  // The web view replies and scripts go to; without one they are dropped.
  void SetWebView(TBridgeWebView* webView) { FWebView = webView; }
  // Shows a modal message box (the runtime-only messages); without one the
  // message is dropped.
  void SetMessageBox(TMessageBoxCallback messageBox) { FMessageBox = std::move(messageBox); }
  // Where errors that end the handling of a message are reported; standard
  // error unless replaced.
  void SetErrorReporter(TErrorReporter reporter) { FErrorReporter = std::move(reporter); }
  // Where the traffic is written for debugging (every request received,
  // every reply posted, every script run); none by default. Not owned.
  void SetTrafficLog(TBridgeTrafficLog* log) { FTrafficLog = log; }

  // The web view's message event (the control's sender is not needed, so
  // the owner binds this with a small lambda). Never raises: an error that
  // ends the handling of a message is reported through the error reporter,
  // and that call gets no reply.
  void EdgeBrowserWebMessageReceived(const TBridgeMessageArgs& args) noexcept;

  // Posts {"uuid": <call ID>, "success": true|false, "result": <result>}
  // with ", " between members and ": " after names. The result text goes
  // in unchanged; the call ID goes in as a JSON string, so an ID holding a
  // quote or a backslash still makes a valid reply (ordinary IDs come out
  // between plain double quotes).
  void PostCallReply(std::string_view uuid, std::string_view result, bool success);
  void PostCallSuccess(std::string_view uuid, std::string_view result);
  void PostCallFailure(std::string_view uuid, std::string_view result);

  // The runtime-only rule, checked first by the handlers that need the
  // package: true with a package attached; without one, shows the
  // function's message and returns false, and the handler returns without
  // a reply. Functions without a runtime-only message always pass.
  bool RuntimeOnly(const TBridgeFunction& function);

  // Runs a script in the page (the texts of page_events.h); its result is
  // not read.
  void RunPageScript(std::string_view script);

  // qel.hello(): the bridge's version text. No runtime check.
  void Hello(const std::string& uuid);
  // qel.isRuntime(): whether a package is attached.
  void IsRuntime(const std::string& uuid);
  // --- App and window (functions/app_window_functions.cpp) ---
  void AppClose(const std::string& uuid);
  void AppInFullscreen(const std::string& uuid);
  void AppEnterFullscreen(const std::string& uuid);
  void AppExitFullscreen(const std::string& uuid);
  void AppGetArgs(const std::string& uuid);
  void AppNavigate(const std::string& uuid, const TJsonValue& data);
  void WindowGetStyle(const std::string& uuid);
  void WindowSetStyle(const std::string& uuid, const TJsonValue& data);
  void WindowGetState(const std::string& uuid);
  void WindowSetState(const std::string& uuid, const TJsonValue& data);
  void WindowGetTitle(const std::string& uuid);
  void WindowSetTitle(const std::string& uuid, const TJsonValue& data);
  void WindowGetZoom(const std::string& uuid);
  void WindowSetZoom(const std::string& uuid, const TJsonValue& data);
  void WindowGetSize(const std::string& uuid);
  void WindowSetSize(const std::string& uuid, const TJsonValue& data);
  void WindowGetBorder(const std::string& uuid);
  void WindowSetBorder(const std::string& uuid, const TJsonValue& data);

  // --- Dialogs (functions/dialog_functions.cpp) ---
  // qel.dialogs.openFile/saveFile/selFolder: the system's dialog, modal on
  // the active window; the chosen path, or "" when the user cancels.
  void DialogsOpenFile(const std::string& uuid, const TJsonValue& data);
  void DialogsSaveFile(const std::string& uuid, const TJsonValue& data);
  void DialogsSelFolder(const std::string& uuid, const TJsonValue& data);

  // --- Main menu and tray (functions/menu_functions.cpp) ---
  void MainMenuSetItems(const std::string& uuid, const TJsonValue& data);
  void MainMenuUpdateItem(const std::string& uuid, const TJsonValue& data);
  void TrayMenuShowIcon(const std::string& uuid);
  void TrayMenuHideIcon(const std::string& uuid);
  void TrayMenuSetItems(const std::string& uuid, const TJsonValue& data);
  void TrayMenuUpdateItem(const std::string& uuid, const TJsonValue& data);
  // A click on the tray icon itself: raises onTrayIconClick in the page.
  void TrayIconClick();
  // The hidden holder of the menus and the tray icon.
  TBrowserExternalForm& BrowserExternalForm() { return *FBrowserExternalForm; }

  // --- Themes (functions/theme_functions.cpp) ---
  // qel.themes.getTheme(): the active theme's name.
  void ThemesGetTheme(const std::string& uuid);
  // qel.themes.getThemes(): every theme's name, sorted in the user's locale.
  void ThemesGetThemes(const std::string& uuid);
  // qel.themes.setTheme({name}): true when the theme of exactly that name
  // is active afterwards.
  void ThemesSetTheme(const std::string& uuid, const TJsonValue& data);

  // --- Files, folders and base64 (functions/file_functions.cpp) ---
  void FilesFileExists(const std::string& uuid, const TJsonValue& data);
  void FilesDeleteFile(const std::string& uuid, const TJsonValue& data);
  void FilesWriteTextFile(const std::string& uuid, const TJsonValue& data);
  void FilesExtractFile(const std::string& uuid, const TJsonValue& data);
  void FoldersDirExists(const std::string& uuid, const TJsonValue& data);
  void FoldersCreateDir(const std::string& uuid, const TJsonValue& data);
  void FoldersDeleteDir(const std::string& uuid, const TJsonValue& data);
  void FoldersListFiles(const std::string& uuid, const TJsonValue& data);
  void FoldersGetTempDir(const std::string& uuid);
  void FoldersGetUserDocumentsDir(const std::string& uuid);
  void FoldersGetUserDesktopDir(const std::string& uuid);
  void FoldersGetAppExecutableDir(const std::string& uuid);
  void FoldersGetAppDataDir(const std::string& uuid);
  void Base64DecodeToFile(const std::string& uuid, const TJsonValue& data);

  // --- Shell and system (functions/shell_functions.cpp) ---
  void ShellExecute(const std::string& uuid, const TJsonValue& data);
  void ShellExplore(const std::string& uuid, const TJsonValue& data);
  void ShellCommand(const std::string& uuid, const TJsonValue& data);
  void ShellWindows(const std::string& uuid);
  void SystemLogoff(const std::string& uuid);
  void SystemReboot(const std::string& uuid);
  void SystemShutdown(const std::string& uuid);
  void SystemMacAddresses(const std::string& uuid);

  // --- Notifications (functions/notification_functions.cpp) ---
  // qel.system.notification: presents a desktop notification at once and
  // answers once the service has: true when shown, false when there is no
  // notification service or it refused.
  void SystemNotification(const std::string& uuid, const TJsonValue& data);
  // The notification centre's click: raises the page's onNotificationClick
  // with the name of the notification clicked.
  void NotificationCenterReceiveLocalNotification(const std::string& name);

  // --- Registry (functions/registry_functions.cpp) ---
  // Text values under the user's registry root, keys named by their path
  // below it. A value that is not text, or a write the opened key refuses,
  // ends the call without a reply.
  void RegistryWriteValue(const std::string& uuid, const TJsonValue& data);
  void RegistryReadValue(const std::string& uuid, const TJsonValue& data);
  void RegistryValueExist(const std::string& uuid, const TJsonValue& data);
  void RegistryDeleteValue(const std::string& uuid, const TJsonValue& data);
  void RegistryKeyExist(const std::string& uuid, const TJsonValue& data);
  void RegistryDeleteKey(const std::string& uuid, const TJsonValue& data);

private:
  // The main window; raises when none is set (the handler then ends
  // without a reply).
  ToolkitWindow& MainForm();
  // The menu functions, shared by the main menu and the tray menu.
  enum class TMenuKind { Main, Tray };
  TPageMenu& PageMenu(TMenuKind kind);
  void SetMenuItems(TMenuKind kind, const std::string& uuid, const TJsonValue& data);
  void UpdateMenuItem(TMenuKind kind, const std::string& uuid, const TJsonValue& data);
  bool BuildMenuItem(TMenuKind kind, const std::string& uuid, const TJsonValue& object,
                     TMenuNode& node);
  void LoadMenuImage(TPageMenu& menu, const std::string& image, TMenuNode& node);

  void HandleMessage(const TBridgeMessageArgs& args);
  void Dispatch(int id, const std::string& uuid, const TJsonValue& data);
  void Report(const std::string& report) noexcept;

  Toolkit& FToolkit;
  OsServices& FOs;
  ToolkitWindow* FMainForm = nullptr;
  const TZipArchive* FExeZip = nullptr;
  bool FInFullscreen = false;
  const TProjectINI* FProjectINI = nullptr;
  TBridgeWebView* FWebView = nullptr;
  TAppCloseRequestEvent FOnAppCloseRequest;
  TMessageBoxCallback FMessageBox;
  TErrorReporter FErrorReporter;
  TBridgeTrafficLog* FTrafficLog = nullptr;

  // --- Components of the native functions ---
  // Made with the module, in this order, and freed with it.
  std::unique_ptr<ToolkitFileDialog> FileOpenDialog;
  std::unique_ptr<ToolkitFileDialog> FileSaveDialog;
  std::unique_ptr<ToolkitNotificationCenter> NotificationCenter;
  std::unique_ptr<ToolkitFileDialog> FolderOpenDialog;
  // The hidden holder of the menus and the tray icon, made after them.
  std::unique_ptr<TBrowserExternalForm> FBrowserExternalForm;
  bool FMainMenuShown = false;
};

} // namespace tessera
