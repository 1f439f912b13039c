#include "bridge/function_table.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace tessera {
namespace {

// qel.window.setTitle -> WindowSetTitle, qel.hello -> Hello.
std::string PascalCaseHandlerName(std::string_view pageName) {
  std::string name;
  bool upper = true;
  for (char c : pageName.substr(4)) { // after "qel."
    if (c == '.') {
      upper = true;
      continue;
    }
    name += upper && c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    upper = false;
  }
  return name;
}

TEST(BridgeFunctionTable, HoldsEveryFunctionOnceWithItsHandlerName) {
  std::set<int> ids;
  std::set<std::string_view> handlers;
  for (const TBridgeFunction& function : kBridgeFunctions) {
    EXPECT_TRUE(ids.insert(function.Id).second) << function.Id;
    EXPECT_TRUE(handlers.insert(function.HandlerName).second) << function.HandlerName;
    EXPECT_EQ(function.HandlerName, PascalCaseHandlerName(function.PageName)) << function.Id;
    EXPECT_EQ(FindBridgeFunction(function.Id), &function);
  }
  EXPECT_EQ(ids.size(), 61u);
  for (int outside : {0, -1, 10000, 10003, 60013, 99999, 90002}) {
    EXPECT_EQ(FindBridgeFunction(outside), nullptr) << outside;
  }
  EXPECT_EQ(BridgeFunction("WindowSetTitle").Id, 60006);
  EXPECT_TRUE(BridgeFunction("WindowSetTitle").TakesArguments);
  EXPECT_FALSE(BridgeFunction("WindowGetTitle").TakesArguments);
  EXPECT_EQ(BridgeFunction("Base64DecodeToFile").PageName, "qel.base64.decodeToFile");
}

TEST(BridgeFunctionTable, RuntimeOnlyFunctionsCarryTheirMessage) {
  const std::set<std::string_view> runtimeOnly = {
      "AppEnterFullscreen", "AppExitFullscreen", "AppGetArgs",       "WindowSetStyle",
      "WindowGetState",     "WindowSetState",    "WindowSetTitle",   "WindowGetSize",
      "WindowSetSize",      "WindowGetBorder",   "WindowSetBorder",  "MainMenuSetItems",
      "MainMenuUpdateItem", "TrayMenuShowIcon",  "TrayMenuHideIcon", "TrayMenuSetItems",
      "TrayMenuUpdateItem", "ThemesGetTheme",    "ThemesGetThemes",  "ThemesSetTheme",
      "SystemLogoff",       "SystemReboot",      "SystemShutdown",   "FilesExtractFile"};
  for (const TBridgeFunction& function : kBridgeFunctions) {
    if (!runtimeOnly.contains(function.HandlerName)) {
      EXPECT_EQ(function.RuntimeOnlyMessage, "") << function.HandlerName;
    } else if (function.HandlerName != "FilesExtractFile") {
      EXPECT_EQ(function.RuntimeOnlyMessage,
                "Calls to " + std::string(function.PageName) + "() works only at runtime.");
    }
  }
  // The file extraction's message has always named it after the app group.
  EXPECT_EQ(BridgeFunction("FilesExtractFile").RuntimeOnlyMessage,
            "Calls to qel.app.extractFile() works only at runtime.");
  EXPECT_EQ(BridgeFunction("WindowGetSize").RuntimeOnlyMessage,
            "Calls to qel.window.getSize() works only at runtime.");
}

} // namespace
} // namespace tessera
