#include "platform/fake/fake_web_view_platform.h"

#include <memory>
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

namespace {

class FakeSettings final : public WebViewSettings {};

class FakeWebView final : public WebView {
public:
  explicit FakeWebView(FakeWebViewPlatform& platform) : FPlatform(platform) {}
  HRESULT GetSettings(std::shared_ptr<WebViewSettings>& settings) override {
    FPlatform.Log("GetSettings");
    if (Succeeded(FPlatform.GetSettingsAnswer))
      settings = std::make_shared<FakeSettings>();
    return FPlatform.GetSettingsAnswer;
  }
  HRESULT GetBrowserProcessId(std::uint32_t& id) override {
    id = FPlatform.BrowserProcessId;
    return kSOk;
  }
  HRESULT Navigate(const std::string& uri) override {
    FPlatform.Log("Navigate " + uri);
    return kSOk;
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
    FPlatform.Log(std::string("PutIsVisible ") + (visible ? "1" : "0"));
    return kSOk;
  }
  HRESULT PutBounds(const TBoundsRect& r) override {
    FPlatform.Log("PutBounds " + std::to_string(r.Left) + "," + std::to_string(r.Top) + "," +
                  std::to_string(r.Right) + "," + std::to_string(r.Bottom));
    return kSOk;
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

} // namespace tessera
