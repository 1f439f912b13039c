#include "base/str_utils.h"
#include "bridge/argument_readers.h"
#include "bridge/browser_external_module.h"
#include "bridge/handler_bindings.h"
#include "functions/window_values.h"
#include "package/app_settings.h"

#include <string>
#include <vector>

namespace tessera {

namespace {

constexpr THandlerBinding kBindings[] = {
    {50001, &TBrowserExternalModule::AppClose},
    {50002, &TBrowserExternalModule::AppInFullscreen},
    {50003, &TBrowserExternalModule::AppEnterFullscreen},
    {50004, &TBrowserExternalModule::AppExitFullscreen},
    {50005, &TBrowserExternalModule::AppGetArgs},
    {50006, &TBrowserExternalModule::AppNavigate},
    {60001, &TBrowserExternalModule::WindowGetStyle},
    {60002, &TBrowserExternalModule::WindowSetStyle},
    {60003, &TBrowserExternalModule::WindowGetState},
    {60004, &TBrowserExternalModule::WindowSetState},
    {60005, &TBrowserExternalModule::WindowGetTitle},
    {60006, &TBrowserExternalModule::WindowSetTitle},
    {60007, &TBrowserExternalModule::WindowGetZoom},
    {60008, &TBrowserExternalModule::WindowSetZoom},
    {60009, &TBrowserExternalModule::WindowGetSize},
    {60010, &TBrowserExternalModule::WindowSetSize},
    {60011, &TBrowserExternalModule::WindowGetBorder},
    {60012, &TBrowserExternalModule::WindowSetBorder},
};

} // namespace

const std::span<const THandlerBinding> kAppWindowHandlers = kBindings;

void TBrowserExternalModule::AppClose(const std::string&) {
  // Never replies: the window that asked is about to close.
  if (FOnAppCloseRequest)
    FOnAppCloseRequest(*this);
}

void TBrowserExternalModule::AppInFullscreen(const std::string& uuid) {
  PostCallSuccess(uuid, FInFullscreen ? "true" : "false");
}

void TBrowserExternalModule::AppEnterFullscreen(const std::string&) {
  if (!RuntimeOnly(BridgeFunction("AppEnterFullscreen")) || FInFullscreen)
    return;
  FInFullscreen = true;
  MainForm().SetBorderStyle(TBorderStyle::None);
  MainForm().SetWindowState(TWindowState::Maximized);
}

void TBrowserExternalModule::AppExitFullscreen(const std::string&) {
  if (!RuntimeOnly(BridgeFunction("AppExitFullscreen")) || !FInFullscreen)
    return;
  FInFullscreen = false;
  MainForm().SetWindowState(TWindowState::Normal);
  // Always the configured frame: the one before full screen is not kept.
  const std::int32_t border = FProjectINI != nullptr
                                  ? ReadAppSetting(*FProjectINI, kSettingWindowBorder)
                                  : kSettingWindowBorder.Default;
  MainForm().SetBorderStyle(BorderStyleFromSetting(border));
}

void TBrowserExternalModule::AppGetArgs(const std::string& uuid) {
  if (!RuntimeOnly(BridgeFunction("AppGetArgs")))
    return;
  std::string result = "[";
  std::vector<std::string> arguments = FOs.GetCommandLineArguments();
  // The first item is the program itself as a full path, however it was
  // started ("./app", a name found on PATH, a link).
  if (arguments.empty())
    arguments.push_back(FOs.GetExecutablePath());
  else
    arguments[0] = FOs.GetExecutablePath();
  for (size_t i = 0; i < arguments.size(); ++i) {
    if (i > 0)
      result += ',';
    result += TStrUtils::StringToJsonString(arguments[i]);
  }
  result += ']';
  PostCallSuccess(uuid, result);
}

void TBrowserExternalModule::AppNavigate(const std::string& uuid, const TJsonValue& data) {
  const std::string url = GetJsonString(data, "url", "");
  if (url.empty()) {
    PostCallFailure(uuid, "\"Missing url\"");
    return;
  }
  if (FWebView != nullptr)
    FWebView->Navigate(url);
  PostCallSuccess(uuid, "true");
}

void TBrowserExternalModule::WindowGetStyle(const std::string& uuid) {
  PostCallSuccess(uuid, MainForm().StayOnTop() ? "\"ontop\"" : "\"normal\"");
}

void TBrowserExternalModule::WindowSetStyle(const std::string& uuid, const TJsonValue& data) {
  if (!RuntimeOnly(BridgeFunction("WindowSetStyle")))
    return;
  MainForm().SetStayOnTop(GetJsonString(data, "style", "normal") == "ontop");
  PostCallSuccess(uuid, "true");
}

void TBrowserExternalModule::WindowGetState(const std::string& uuid) {
  if (!RuntimeOnly(BridgeFunction("WindowGetState")))
    return;
  PostCallSuccess(uuid, TStrUtils::StringToJsonString(WindowStateName(MainForm().WindowState())));
}

void TBrowserExternalModule::WindowSetState(const std::string& uuid, const TJsonValue& data) {
  if (!RuntimeOnly(BridgeFunction("WindowSetState")))
    return;
  const std::optional<TWindowState> state =
      WindowStateFromName(GetJsonString(data, "state", "normal"));
  if (state) {
    ToolkitWindow& window = MainForm();
    window.SetWindowState(*state);
    // With the tray icon shown, a minimized window lives only in the
    // notification area.
    if (FBrowserExternalForm->TrayIcon->Visible()) {
      if (*state == TWindowState::Minimized) {
        window.Hide();
      } else {
        window.Show();
        window.BringToFront();
      }
    }
  }
  PostCallSuccess(uuid, "true");
}

void TBrowserExternalModule::WindowGetTitle(const std::string& uuid) {
  PostCallSuccess(uuid, TStrUtils::StringToJsonString(MainForm().Caption()));
}

void TBrowserExternalModule::WindowSetTitle(const std::string& uuid, const TJsonValue& data) {
  if (!RuntimeOnly(BridgeFunction("WindowSetTitle")))
    return;
  MainForm().SetCaption(GetJsonString(data, "title", ""));
  PostCallSuccess(uuid, "true");
}

void TBrowserExternalModule::WindowGetZoom(const std::string& uuid) {
  const double factor = FWebView != nullptr ? FWebView->ZoomFactor() : 1.0;
  PostCallSuccess(uuid,
                  TStrUtils::StringToJsonString(ZoomFactorText(factor, FOs.GetDecimalSeparator())));
}

void TBrowserExternalModule::WindowSetZoom(const std::string& uuid, const TJsonValue& data) {
  const std::optional<double> factor = ZoomFactorFromText(GetJsonString(data, "factor", ""));
  if (FWebView != nullptr)
    FWebView->SetZoomFactor(factor.value_or(1.0));
  PostCallSuccess(uuid, factor ? "true" : "false");
}

void TBrowserExternalModule::WindowGetSize(const std::string& uuid) {
  if (!RuntimeOnly(BridgeFunction("WindowGetSize")))
    return;
  const TBoundsRect bounds = MainForm().Bounds();
  PostCallSuccess(uuid, "{\"top\": " + std::to_string(bounds.Top) +
                            ", \"left\": " + std::to_string(bounds.Left) +
                            ", \"width\": " + std::to_string(bounds.Right - bounds.Left) +
                            ", \"height\": " + std::to_string(bounds.Bottom - bounds.Top) + "}");
}

void TBrowserExternalModule::WindowSetSize(const std::string& uuid, const TJsonValue& data) {
  if (!RuntimeOnly(BridgeFunction("WindowSetSize")))
    return;
  ToolkitWindow& window = MainForm();
  const TBoundsRect bounds = window.Bounds();
  // Each member defaults to the current value; the texts are read in this
  // order, so a conversion error leaves every bound unchanged.
  const std::string top = GetJsonString(data, "top", std::to_string(bounds.Top));
  const std::string left = GetJsonString(data, "left", std::to_string(bounds.Left));
  const std::string width =
      GetJsonString(data, "width", std::to_string(bounds.Right - bounds.Left));
  const std::string height =
      GetJsonString(data, "height", std::to_string(bounds.Bottom - bounds.Top));
  window.SetBounds(LeadingInteger(left), LeadingInteger(top), LeadingInteger(width),
                   LeadingInteger(height));
  PostCallSuccess(uuid, "true");
}

void TBrowserExternalModule::WindowGetBorder(const std::string& uuid) {
  if (!RuntimeOnly(BridgeFunction("WindowGetBorder")))
    return;
  PostCallSuccess(uuid, TStrUtils::StringToJsonString(BorderStyleName(MainForm().BorderStyle())));
}

void TBrowserExternalModule::WindowSetBorder(const std::string&, const TJsonValue& data) {
  if (!RuntimeOnly(BridgeFunction("WindowSetBorder")))
    return;
  // Never replies, whether or not the name matched.
  if (const std::optional<TBorderStyle> style =
          BorderStyleFromName(GetJsonString(data, "border", "sizeable")))
    MainForm().SetBorderStyle(*style);
}

} // namespace tessera
