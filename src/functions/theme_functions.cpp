#include "base/str_utils.h"
#include "bridge/argument_readers.h"
#include "bridge/browser_external_module.h"
#include "bridge/handler_bindings.h"
#include "functions/styles_utils.h"

#include <algorithm>
#include <string>
#include <vector>

namespace tessera {

namespace {

constexpr THandlerBinding kBindings[] = {
    {80001, &TBrowserExternalModule::ThemesGetTheme},
    {80002, &TBrowserExternalModule::ThemesGetThemes},
    {80003, &TBrowserExternalModule::ThemesSetTheme},
};

} // namespace

const std::span<const THandlerBinding> kThemeHandlers = kBindings;

void TBrowserExternalModule::ThemesGetTheme(const std::string& uuid) {
  if (!RuntimeOnly(BridgeFunction("ThemesGetTheme"))) {
    return;
  }
  PostCallSuccess(uuid, TStrUtils::StringToJsonString(TStylesUtils::GetActiveTheme(FToolkit)));
}

void TBrowserExternalModule::ThemesGetThemes(const std::string& uuid) {
  if (!RuntimeOnly(BridgeFunction("ThemesGetThemes"))) {
    return;
  }
  std::vector<std::string> themes;
  TStylesUtils::GetAvailables(FToolkit, FOs, themes, true);
  std::string result = "[";
  for (const std::string& theme : themes) {
    if (result.size() > 1) {
      result += ',';
    }
    result += TStrUtils::StringToJsonString(theme);
  }
  result += ']';
  PostCallSuccess(uuid, result);
}

void TBrowserExternalModule::ThemesSetTheme(const std::string& uuid, const TJsonValue& data) {
  if (!RuntimeOnly(BridgeFunction("ThemesSetTheme"))) {
    return;
  }
  const std::string name = GetJsonString(data, "name", "");
  // Pages name a theme exactly as getThemes lists it. The style manager
  // would also take another letter case, switch, and then be reported as
  // failed by the exact comparison below; such a name changes nothing.
  std::vector<std::string> themes;
  TStylesUtils::GetAvailables(FToolkit, FOs, themes, false);
  if (std::find(themes.begin(), themes.end(), name) != themes.end())
    TStylesUtils::TrySetStyle(FToolkit, name, false);
  PostCallSuccess(uuid, TStylesUtils::GetActiveTheme(FToolkit) == name ? "true" : "false");
}

} // namespace tessera
