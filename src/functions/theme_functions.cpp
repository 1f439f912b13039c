#include "base/str_utils.h"
#include "bridge/argument_readers.h"
#include "bridge/browser_external_module.h"
#include "bridge/handler_bindings.h"
#include "functions/styles_utils.h"

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
  TStylesUtils::GetAvailables(FToolkit, themes, true);
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
  TStylesUtils::TrySetStyle(FToolkit, name, false);
  // The style manager matches names in any letter case, but the page is told
  // true only for the name exactly as the active theme spells it.
  PostCallSuccess(uuid, TStylesUtils::GetActiveTheme(FToolkit) == name ? "true" : "false");
}

} // namespace tessera
