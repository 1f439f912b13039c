#pragma once

#include <array>
#include <string_view>

namespace tessera {

// One native function that pages can call through window.qel.
struct TBridgeFunction {
  int Id;
  // The page-side function: "qel.window.setTitle".
  std::string_view PageName;
  // The module's handler, group and function joined in PascalCase:
  // "WindowSetTitle".
  std::string_view HandlerName;
  // Whether the handler reads the request's "data" object; without
  // arguments the page sends an empty object and the handler never sees it.
  bool TakesArguments;
  // For functions that work only with a package attached: the message shown
  // when there is none. Empty for every other function.
  std::string_view RuntimeOnlyMessage;
};

// Every function ID a page can call, in ID order. Which of them has a
// handler today is the module's business (TBrowserExternalModule): an ID in
// this table without a handler is treated like an ID outside it.
inline constexpr std::array<TBridgeFunction, 61> kBridgeFunctions = {{
    {10001, "qel.hello", "Hello", false, ""},
    {10002, "qel.isRuntime", "IsRuntime", false, ""},
    {11001, "qel.system.logoff", "SystemLogoff", false,
     "Calls to qel.system.logoff() works only at runtime."},
    {11002, "qel.system.reboot", "SystemReboot", false,
     "Calls to qel.system.reboot() works only at runtime."},
    {11003, "qel.system.shutdown", "SystemShutdown", false,
     "Calls to qel.system.shutdown() works only at runtime."},
    {11004, "qel.system.macAddresses", "SystemMacAddresses", false, ""},
    {11005, "qel.system.notification", "SystemNotification", true, ""},
    {12001, "qel.mainMenu.setItems", "MainMenuSetItems", true,
     "Calls to qel.mainMenu.setItems() works only at runtime."},
    {12002, "qel.mainMenu.updateItem", "MainMenuUpdateItem", true,
     "Calls to qel.mainMenu.updateItem() works only at runtime."},
    {13001, "qel.registry.writeValue", "RegistryWriteValue", true, ""},
    {13002, "qel.registry.readValue", "RegistryReadValue", true, ""},
    {13003, "qel.registry.valueExist", "RegistryValueExist", true, ""},
    {13004, "qel.registry.deleteValue", "RegistryDeleteValue", true, ""},
    {13005, "qel.registry.keyExist", "RegistryKeyExist", true, ""},
    {13006, "qel.registry.deleteKey", "RegistryDeleteKey", true, ""},
    {14001, "qel.trayMenu.showIcon", "TrayMenuShowIcon", false,
     "Calls to qel.trayMenu.showIcon() works only at runtime."},
    {14002, "qel.trayMenu.hideIcon", "TrayMenuHideIcon", false,
     "Calls to qel.trayMenu.hideIcon() works only at runtime."},
    {14003, "qel.trayMenu.setItems", "TrayMenuSetItems", true,
     "Calls to qel.trayMenu.setItems() works only at runtime."},
    {14004, "qel.trayMenu.updateItem", "TrayMenuUpdateItem", true,
     "Calls to qel.trayMenu.updateItem() works only at runtime."},
    {20001, "qel.dialogs.openFile", "DialogsOpenFile", true, ""},
    {20002, "qel.dialogs.saveFile", "DialogsSaveFile", true, ""},
    {20003, "qel.dialogs.selFolder", "DialogsSelFolder", true, ""},
    {30001, "qel.files.fileExists", "FilesFileExists", true, ""},
    {30002, "qel.files.deleteFile", "FilesDeleteFile", true, ""},
    {30003, "qel.files.writeTextFile", "FilesWriteTextFile", true, ""},
    {30004, "qel.files.extractFile", "FilesExtractFile", true,
     "Calls to qel.app.extractFile() works only at runtime."},
    {40001, "qel.folders.dirExists", "FoldersDirExists", true, ""},
    {40002, "qel.folders.createDir", "FoldersCreateDir", true, ""},
    {40003, "qel.folders.deleteDir", "FoldersDeleteDir", true, ""},
    {40004, "qel.folders.listFiles", "FoldersListFiles", true, ""},
    {40005, "qel.folders.getTempDir", "FoldersGetTempDir", false, ""},
    {40006, "qel.folders.getUserDocumentsDir", "FoldersGetUserDocumentsDir", false, ""},
    {40007, "qel.folders.getUserDesktopDir", "FoldersGetUserDesktopDir", false, ""},
    {40008, "qel.folders.getAppExecutableDir", "FoldersGetAppExecutableDir", false, ""},
    {40009, "qel.folders.getAppDataDir", "FoldersGetAppDataDir", false, ""},
    {50001, "qel.app.close", "AppClose", false, ""},
    {50002, "qel.app.inFullscreen", "AppInFullscreen", false, ""},
    {50003, "qel.app.enterFullscreen", "AppEnterFullscreen", false,
     "Calls to qel.app.enterFullscreen() works only at runtime."},
    {50004, "qel.app.exitFullscreen", "AppExitFullscreen", false,
     "Calls to qel.app.exitFullscreen() works only at runtime."},
    {50005, "qel.app.getArgs", "AppGetArgs", false,
     "Calls to qel.app.getArgs() works only at runtime."},
    {50006, "qel.app.navigate", "AppNavigate", true, ""},
    {60001, "qel.window.getStyle", "WindowGetStyle", false, ""},
    {60002, "qel.window.setStyle", "WindowSetStyle", true,
     "Calls to qel.window.setStyle() works only at runtime."},
    {60003, "qel.window.getState", "WindowGetState", false,
     "Calls to qel.window.getState() works only at runtime."},
    {60004, "qel.window.setState", "WindowSetState", true,
     "Calls to qel.window.setState() works only at runtime."},
    {60005, "qel.window.getTitle", "WindowGetTitle", false, ""},
    {60006, "qel.window.setTitle", "WindowSetTitle", true,
     "Calls to qel.window.setTitle() works only at runtime."},
    {60007, "qel.window.getZoom", "WindowGetZoom", false, ""},
    {60008, "qel.window.setZoom", "WindowSetZoom", true, ""},
    {60009, "qel.window.getSize", "WindowGetSize", false,
     "Calls to qel.window.getSize() works only at runtime."},
    {60010, "qel.window.setSize", "WindowSetSize", true,
     "Calls to qel.window.setSize() works only at runtime."},
    {60011, "qel.window.getBorder", "WindowGetBorder", false,
     "Calls to qel.window.getBorder() works only at runtime."},
    {60012, "qel.window.setBorder", "WindowSetBorder", true,
     "Calls to qel.window.setBorder() works only at runtime."},
    {70001, "qel.shell.execute", "ShellExecute", true, ""},
    {70002, "qel.shell.explore", "ShellExplore", true, ""},
    {70003, "qel.shell.command", "ShellCommand", true, ""},
    {70004, "qel.shell.windows", "ShellWindows", false, ""},
    {80001, "qel.themes.getTheme", "ThemesGetTheme", false,
     "Calls to qel.themes.getTheme() works only at runtime."},
    {80002, "qel.themes.getThemes", "ThemesGetThemes", false,
     "Calls to qel.themes.getThemes() works only at runtime."},
    {80003, "qel.themes.setTheme", "ThemesSetTheme", true,
     "Calls to qel.themes.setTheme() works only at runtime."},
    {90001, "qel.base64.decodeToFile", "Base64DecodeToFile", true, ""},
}};

// The row of a function ID, or nullptr for an ID outside the table.
const TBridgeFunction* FindBridgeFunction(int id);

// The row of a handler, looked up while compiling, so a misspelt handler
// name does not build.
consteval const TBridgeFunction& BridgeFunction(std::string_view handlerName) {
  for (const TBridgeFunction& function : kBridgeFunctions) {
    if (function.HandlerName == handlerName) {
      return function;
    }
  }
  throw "no bridge function has this handler name";
}

} // namespace tessera
