#include "platform/fake/fake_web_view_platform.h"

#include <memory>
#include <sstream>
#include <utility>

namespace tessera {

const char* EventName(TWebViewEvent event) {
  static const char* const names[] = {
      "NavigationStarting",   "NavigationCompleted",     "SourceChanged",
      "HistoryChanged",       "ContentLoading",          "DocumentTitleChanged",
      "NewWindowRequested",   "FrameNavigationStarting", "FrameNavigationCompleted",
      "WebResourceRequested", "ScriptDialogOpening",     "PermissionRequested",
      "ProcessFailed",        "WebMessageReceived",      "ContainsFullScreenElementChanged",
      "WindowCloseRequested",
  };
  return names[static_cast<int>(event)];
}

const char* EventName(TControllerEvent event) {
  static const char* const names[] = {"ZoomFactorChanged", "MoveFocusRequested",
                                      "AcceleratorKeyPressed", "GotFocus", "LostFocus"};
  return names[static_cast<int>(event)];
}

const char* SettingName(TWebViewSetting setting) {
  static const char* const names[] = {
      "ScriptEnabled",      "WebMessageEnabled",       "DefaultScriptDialogsEnabled",
      "StatusBarEnabled",   "DevToolsEnabled",         "DefaultContextMenusEnabled",
      "ZoomControlEnabled", "BuiltInErrorPageEnabled",
  };
  return names[static_cast<int>(setting)];
}

std::map<TWebViewSetting, bool> FakeWebViewPlatform::AllSettings(bool value) {
  std::map<TWebViewSetting, bool> settings;
  for (int i = 0; i <= static_cast<int>(TWebViewSetting::BuiltInErrorPageEnabled); ++i)
    settings[static_cast<TWebViewSetting>(i)] = value;
  return settings;
}

namespace {

std::string Flag(bool value) {
  return value ? "1" : "0";
}

HRESULT AnswerIn(const std::map<TWebViewSetting, HRESULT>& answers, TWebViewSetting setting) {
  const auto it = answers.find(setting);
  return it == answers.end() ? kSOk : it->second;
}

// Logs the call and hands out `value` when the scripted answer is a success.
template <typename T>
HRESULT Report(FakeWebViewPlatform& platform, const std::string& method, T& out, const T& value) {
  platform.Log(method);
  const HRESULT answer = platform.Answer(method);
  if (Succeeded(answer))
    out = value;
  return answer;
}

HRESULT Perform(FakeWebViewPlatform& platform, const std::string& method,
                const std::string& detail = {}) {
  platform.Log(detail.empty() ? method : method + " " + detail);
  return platform.Answer(method);
}

class FakeSettings final : public WebViewSettings {
public:
  explicit FakeSettings(FakeWebViewPlatform& platform) : FPlatform(platform) {}
  HRESULT GetBool(TWebViewSetting setting, bool& value) override {
    FPlatform.Log(std::string("GetBool ") + SettingName(setting));
    const HRESULT answer = AnswerIn(FPlatform.SettingGetAnswers, setting);
    if (Succeeded(answer))
      value = FPlatform.SettingValues[setting];
    return answer;
  }
  HRESULT PutBool(TWebViewSetting setting, bool value) override {
    FPlatform.Log(std::string("PutBool ") + SettingName(setting) + " " + Flag(value));
    const HRESULT answer = AnswerIn(FPlatform.SettingPutAnswers, setting);
    if (Succeeded(answer))
      FPlatform.SettingValues[setting] = value;
    return answer;
  }

private:
  FakeWebViewPlatform& FPlatform;
};

// Handlers of one DevTools protocol event live in the platform's table under
// "DevTools <name>", beside the web view's own.
class FakeDevToolsReceiver final : public DevToolsProtocolEventReceiver {
public:
  FakeDevToolsReceiver(FakeWebViewPlatform& platform, std::string eventName)
      : FPlatform(platform), FName("DevTools " + std::move(eventName)) {}
  HRESULT AddEventHandler(TWebViewEventHandler handler, TEventToken& token) override {
    const HRESULT answer = FPlatform.Answer("AddDevToolsHandler");
    if (!Succeeded(answer)) {
      FPlatform.Log("add " + FName + " refused");
      return answer;
    }
    token = FPlatform.AddHandler(FName, std::move(handler));
    return kSOk;
  }
  HRESULT RemoveEventHandler(TEventToken token) override {
    FPlatform.RemoveHandler(FName, token);
    return kSOk;
  }

private:
  FakeWebViewPlatform& FPlatform;
  std::string FName;
};

class FakeWebView final : public WebView {
public:
  explicit FakeWebView(FakeWebViewPlatform& platform) : FPlatform(platform) {}
  HRESULT GetSettings(std::shared_ptr<WebViewSettings>& settings) override {
    FPlatform.Log("GetSettings");
    if (Succeeded(FPlatform.GetSettingsAnswer))
      settings = std::make_shared<FakeSettings>(FPlatform);
    return FPlatform.GetSettingsAnswer;
  }
  HRESULT GetBrowserProcessId(std::uint32_t& id) override {
    return Report(FPlatform, "GetBrowserProcessId", id, FPlatform.BrowserProcessId);
  }
  HRESULT AddEventHandler(TWebViewEvent event, TWebViewEventHandler handler,
                          TEventToken& token) override {
    token = FPlatform.AddHandler(EventName(event), std::move(handler));
    return kSOk;
  }
  HRESULT RemoveEventHandler(TWebViewEvent event, TEventToken token) override {
    FPlatform.RemoveHandler(EventName(event), token);
    return kSOk;
  }

  HRESULT Navigate(const std::string& uri) override { return Perform(FPlatform, "Navigate", uri); }
  HRESULT NavigateToString(const std::string& htmlContent) override {
    return Perform(FPlatform, "NavigateToString", htmlContent);
  }
  HRESULT GoBack() override { return Perform(FPlatform, "GoBack"); }
  HRESULT GoForward() override { return Perform(FPlatform, "GoForward"); }
  HRESULT Reload() override { return Perform(FPlatform, "Reload"); }
  HRESULT Stop() override { return Perform(FPlatform, "Stop"); }

  HRESULT GetSource(std::string& uri) override {
    return Report(FPlatform, "GetSource", uri, FPlatform.Source);
  }
  HRESULT GetDocumentTitle(std::string& title) override {
    return Report(FPlatform, "GetDocumentTitle", title, FPlatform.DocumentTitle);
  }
  HRESULT GetCanGoBack(bool& value) override {
    return Report(FPlatform, "GetCanGoBack", value, FPlatform.CanGoBack);
  }
  HRESULT GetCanGoForward(bool& value) override {
    return Report(FPlatform, "GetCanGoForward", value, FPlatform.CanGoForward);
  }
  HRESULT GetContainsFullScreenElement(bool& value) override {
    return Report(FPlatform, "GetContainsFullScreenElement", value,
                  FPlatform.ContainsFullScreenElement);
  }

  HRESULT AddScriptToExecuteOnDocumentCreated(const std::string& javaScript) override {
    return Perform(FPlatform, "AddScriptToExecuteOnDocumentCreated", javaScript);
  }
  HRESULT ExecuteScript(const std::string& javaScript, TExecuteScriptCompleted completed) override {
    const HRESULT answer = Perform(FPlatform, "ExecuteScript", javaScript);
    if (Succeeded(answer))
      FPlatform.HoldExecuteScript(std::move(completed));
    return answer;
  }
  HRESULT PostWebMessageAsJson(const std::string& json) override {
    return Perform(FPlatform, "PostWebMessageAsJson", json);
  }

  HRESULT AddWebResourceRequestedFilter(const std::string& uri,
                                        TWebViewEnumValue resourceContext) override {
    return Perform(FPlatform, "AddWebResourceRequestedFilter",
                   uri + " " + std::to_string(resourceContext));
  }
  HRESULT RemoveWebResourceRequestedFilter(const std::string& uri,
                                           TWebViewEnumValue resourceContext) override {
    return Perform(FPlatform, "RemoveWebResourceRequestedFilter",
                   uri + " " + std::to_string(resourceContext));
  }

  HRESULT CapturePreview(TWebViewEnumValue format, std::shared_ptr<TStream> stream,
                         TCapturePreviewCompleted completed) override {
    const HRESULT answer = Perform(FPlatform, "CapturePreview", std::to_string(format));
    if (Succeeded(answer))
      FPlatform.HoldCapturePreview(format, std::move(stream), std::move(completed));
    return answer;
  }

  HRESULT GetDevToolsProtocolEventReceiver(
      const std::string& eventName,
      std::shared_ptr<DevToolsProtocolEventReceiver>& receiver) override {
    const HRESULT answer = Perform(FPlatform, "GetDevToolsProtocolEventReceiver", eventName);
    if (Succeeded(answer))
      receiver = std::make_shared<FakeDevToolsReceiver>(FPlatform, eventName);
    return answer;
  }

private:
  FakeWebViewPlatform& FPlatform;
};

class FakeController final : public WebViewController {
public:
  explicit FakeController(FakeWebViewPlatform& platform) : FPlatform(platform) {}
  HRESULT GetWebView(std::shared_ptr<WebView>& webView) override {
    FPlatform.Log("GetWebView");
    if (Succeeded(FPlatform.GetWebViewAnswer))
      webView = std::make_shared<FakeWebView>(FPlatform);
    return FPlatform.GetWebViewAnswer;
  }
  HRESULT PutIsVisible(bool visible) override {
    FPlatform.Log("PutIsVisible " + Flag(visible));
    return kSOk;
  }
  HRESULT PutBounds(const TBoundsRect& r) override {
    FPlatform.Log("PutBounds " + std::to_string(r.Left) + "," + std::to_string(r.Top) + "," +
                  std::to_string(r.Right) + "," + std::to_string(r.Bottom));
    return kSOk;
  }
  HRESULT GetZoomFactor(double& zoomFactor) override {
    return Report(FPlatform, "GetZoomFactor", zoomFactor, FPlatform.ZoomFactor);
  }
  HRESULT PutZoomFactor(double zoomFactor) override {
    std::ostringstream text;
    text << zoomFactor;
    const HRESULT answer = Perform(FPlatform, "PutZoomFactor", text.str());
    if (Succeeded(answer))
      FPlatform.ZoomFactor = zoomFactor;
    return answer;
  }
  HRESULT MoveFocus(TMoveFocusReason reason) override {
    FPlatform.Log("MoveFocus " + std::to_string(static_cast<int>(reason)));
    return kSOk;
  }
  HRESULT Close() override {
    FPlatform.Log("Close");
    return kSOk;
  }
  HRESULT AddEventHandler(TControllerEvent event, TWebViewEventHandler handler,
                          TEventToken& token) override {
    token = FPlatform.AddHandler(EventName(event), std::move(handler));
    return kSOk;
  }
  HRESULT RemoveEventHandler(TControllerEvent event, TEventToken token) override {
    FPlatform.RemoveHandler(EventName(event), token);
    return kSOk;
  }

private:
  FakeWebViewPlatform& FPlatform;
};

class FakeEnvironment final : public WebViewEnvironment {
public:
  explicit FakeEnvironment(FakeWebViewPlatform& platform) : FPlatform(platform) {}
  HRESULT CreateController(TNativeWindow parent, TControllerCompleted completed) override {
    FPlatform.Log("CreateController " + std::to_string(parent));
    if (Succeeded(FPlatform.CreateControllerAnswer))
      FPlatform.SetPendingController(std::move(completed));
    return FPlatform.CreateControllerAnswer;
  }
  HRESULT GetBrowserVersionString(std::string& version) override {
    version = FPlatform.BrowserVersion;
    return kSOk;
  }
  HRESULT CreateWebResourceResponse(std::shared_ptr<TStream> content, int statusCode,
                                    const std::string& reasonPhrase, const std::string& headers,
                                    std::shared_ptr<WebResourceResponse>& response) override {
    const HRESULT answer = Perform(FPlatform, "CreateWebResourceResponse",
                                   std::to_string(statusCode) + " " + reasonPhrase);
    if (!Succeeded(answer))
      return answer;
    auto made = std::make_shared<FakeWebResourceResponse>();
    made->Content = std::move(content);
    made->StatusCode = statusCode;
    made->ReasonPhrase = reasonPhrase;
    made->Headers = headers;
    response = std::move(made);
    return kSOk;
  }

private:
  FakeWebViewPlatform& FPlatform;
};

} // namespace

bool FakeWebViewPlatform::LoadLoader(const std::string& loaderPath) {
  Log("LoadLoader " + loaderPath);
  return LoaderLoadable;
}

HRESULT FakeWebViewPlatform::CreateEnvironment(TEnvironmentCompleted completed) {
  Log("CreateEnvironment");
  if (!Succeeded(CreateEnvironmentAnswer))
    return CreateEnvironmentAnswer;
  if (EnvironmentCompletesAtOnce) {
    completed(EnvironmentCompletesWith, Succeeded(EnvironmentCompletesWith)
                                            ? std::make_shared<FakeEnvironment>(*this)
                                            : nullptr);
  } else {
    std::lock_guard lock(FLock);
    FPendingEnvironment = std::move(completed);
  }
  return kSOk;
}

HRESULT FakeWebViewPlatform::GetAvailableBrowserVersionString(std::string& version) {
  version = BrowserVersion;
  return kSOk;
}

void FakeWebViewPlatform::EndBrowserProcess(std::uint32_t processId, unsigned timeoutMs,
                                            std::uint32_t exitCode) {
  Log("EndBrowserProcess " + std::to_string(processId) + " " + std::to_string(timeoutMs) + " " +
      std::to_string(exitCode));
}

bool FakeWebViewPlatform::EnvironmentPending() const {
  std::lock_guard lock(FLock);
  return static_cast<bool>(FPendingEnvironment);
}

bool FakeWebViewPlatform::CompleteEnvironment(HRESULT result) {
  TEnvironmentCompleted completed;
  {
    std::lock_guard lock(FLock);
    completed = std::exchange(FPendingEnvironment, nullptr);
  }
  if (!completed)
    return false;
  completed(result, Succeeded(result) ? std::make_shared<FakeEnvironment>(*this) : nullptr);
  return true;
}

bool FakeWebViewPlatform::CompleteController(HRESULT result) {
  TControllerCompleted completed;
  {
    std::lock_guard lock(FLock);
    completed = std::exchange(FPendingController, nullptr);
  }
  if (!completed)
    return false;
  completed(result, Succeeded(result) ? std::make_shared<FakeController>(*this) : nullptr);
  return true;
}

void FakeWebViewPlatform::SetPendingController(TControllerCompleted completed) {
  std::lock_guard lock(FLock);
  FPendingController = std::move(completed);
}

HRESULT FakeWebViewPlatform::Answer(const std::string& method) const {
  const auto it = Answers.find(method);
  return it == Answers.end() ? kSOk : it->second;
}

void FakeWebViewPlatform::HoldExecuteScript(TExecuteScriptCompleted completed) {
  FPendingScripts.push_back(std::move(completed));
}

void FakeWebViewPlatform::HoldCapturePreview(TWebViewEnumValue format,
                                             std::shared_ptr<TStream> stream,
                                             TCapturePreviewCompleted completed) {
  FPendingCaptures.push_back({format, std::move(stream), std::move(completed)});
}

bool FakeWebViewPlatform::CompleteExecuteScript(HRESULT result, const std::string& json) {
  if (FPendingScripts.empty())
    return false;
  TExecuteScriptCompleted completed = std::move(FPendingScripts.front());
  FPendingScripts.pop_front();
  if (completed)
    completed(result, json);
  return true;
}

bool FakeWebViewPlatform::CompleteCapturePreview(HRESULT result) {
  if (FPendingCaptures.empty())
    return false;
  TPendingCapture capture = std::move(FPendingCaptures.front());
  FPendingCaptures.pop_front();
  if (Succeeded(result) && capture.Stream) {
    static const std::string kPng("\x89PNG\r\n\x1a\n", 8);
    static const std::string kJpeg("\xFF\xD8\xFF\xE0", 4);
    capture.Stream->Write(capture.Format == kCapturePreviewJpeg ? kJpeg : kPng);
  }
  if (capture.Completed)
    capture.Completed(result);
  return true;
}

void FakeWebViewPlatform::Log(std::string call) {
  std::lock_guard lock(FLock);
  FCalls.push_back(std::move(call));
}

std::vector<std::string> FakeWebViewPlatform::Calls() const {
  std::lock_guard lock(FLock);
  return FCalls;
}

void FakeWebViewPlatform::ClearCalls() {
  std::lock_guard lock(FLock);
  FCalls.clear();
}

TEventToken FakeWebViewPlatform::AddHandler(std::string name, TWebViewEventHandler handler) {
  std::lock_guard lock(FLock);
  FCalls.push_back("add " + name);
  const TEventToken token = FNextToken++;
  FHandlers[token] = {std::move(name), std::move(handler)};
  return token;
}

void FakeWebViewPlatform::RemoveHandler(const std::string& name, TEventToken token) {
  std::lock_guard lock(FLock);
  FCalls.push_back("remove " + name);
  auto it = FHandlers.find(token);
  if (it != FHandlers.end() && it->second.first == name)
    FHandlers.erase(it);
}

std::size_t FakeWebViewPlatform::RegisteredHandlerCount() const {
  std::lock_guard lock(FLock);
  return FHandlers.size();
}

std::size_t FakeWebViewPlatform::RegisteredHandlerCount(const std::string& name) const {
  std::lock_guard lock(FLock);
  std::size_t count = 0;
  for (const auto& [token, entry] : FHandlers)
    if (entry.first == name)
      ++count;
  return count;
}

namespace {
template <typename Handlers>
bool RaiseByName(std::mutex& lock, Handlers& handlers, const std::string& name,
                 WebViewEventArgs& args) {
  TWebViewEventHandler handler;
  {
    std::lock_guard guard(lock);
    for (auto& [token, entry] : handlers)
      if (entry.first == name)
        handler = entry.second;
  }
  if (!handler)
    return false;
  handler(args);
  return true;
}
} // namespace

bool FakeWebViewPlatform::Raise(TWebViewEvent event, WebViewEventArgs& args) {
  return RaiseByName(FLock, FHandlers, EventName(event), args);
}

bool FakeWebViewPlatform::Raise(TControllerEvent event, WebViewEventArgs& args) {
  return RaiseByName(FLock, FHandlers, EventName(event), args);
}

bool FakeWebViewPlatform::RaiseDevToolsEvent(const std::string& eventName, WebViewEventArgs& args) {
  return RaiseByName(FLock, FHandlers, "DevTools " + eventName, args);
}

} // namespace tessera
