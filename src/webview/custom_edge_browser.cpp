#include "webview/custom_edge_browser.h"

#include "webview/callback_guard.h"
#include "webview/edge_error.h"

#include <algorithm>
#include <utility>

namespace tessera {

namespace {

constexpr std::array<TWebViewEvent, 16> kWebViewRegistrationOrder = {
    TWebViewEvent::NavigationStarting,
    TWebViewEvent::NavigationCompleted,
    TWebViewEvent::SourceChanged,
    TWebViewEvent::HistoryChanged,
    TWebViewEvent::ContentLoading,
    TWebViewEvent::DocumentTitleChanged,
    TWebViewEvent::NewWindowRequested,
    TWebViewEvent::FrameNavigationStarting,
    TWebViewEvent::FrameNavigationCompleted,
    TWebViewEvent::WebResourceRequested,
    TWebViewEvent::ScriptDialogOpening,
    TWebViewEvent::PermissionRequested,
    TWebViewEvent::ProcessFailed,
    TWebViewEvent::WebMessageReceived,
    TWebViewEvent::ContainsFullScreenElementChanged,
    TWebViewEvent::WindowCloseRequested,
};

// Removal runs in the same order except that the last two swap places.
constexpr std::array<TWebViewEvent, 16> kWebViewRemovalOrder = [] {
  auto order = kWebViewRegistrationOrder;
  std::swap(order[14], order[15]);
  return order;
}();

constexpr std::array<TControllerEvent, 5> kControllerRegistrationOrder = {
    TControllerEvent::ZoomFactorChanged,
    TControllerEvent::MoveFocusRequested,
    TControllerEvent::AcceleratorKeyPressed,
    TControllerEvent::GotFocus,
    TControllerEvent::LostFocus,
};

constexpr std::array<TControllerEvent, 5> kControllerRemovalOrder = {
    TControllerEvent::AcceleratorKeyPressed,
    TControllerEvent::GotFocus,
    TControllerEvent::LostFocus,
    TControllerEvent::MoveFocusRequested,
    TControllerEvent::ZoomFactorChanged,
};

} // namespace

TCustomEdgeBrowser::TCustomEdgeBrowser(TWebViewLoader& loader, EventLoop& loop)
    : FLoader(loader), FLoop(loop), FAlive(std::make_shared<TCustomEdgeBrowser*>(this)) {}

TCustomEdgeBrowser::~TCustomEdgeBrowser() {
  // The worker reads FAlive to build its completion's guard: it is joined
  // before the guard goes.
  JoinWorker();
  FAlive.reset();
  Guard("close", [this] { CloseWebView(); });
}

void TCustomEdgeBrowser::JoinWorker() {
  if (FWorker.joinable())
    FWorker.join();
}

bool TCustomEdgeBrowser::RecordResult(HRESULT code) {
  std::lock_guard lock(FCritSec);
  FLastErrorCode = code;
  return Succeeded(code);
}

HRESULT TCustomEdgeBrowser::LastErrorCode() const {
  std::lock_guard lock(FCritSec);
  return FLastErrorCode;
}

bool TCustomEdgeBrowser::WebViewCreated() const {
  return FWebViewEnvironment && FWebViewController && FWebView && FWebViewSettings;
}

void TCustomEdgeBrowser::PostGuarded(std::function<void(TCustomEdgeBrowser&)> work) {
  std::weak_ptr<TCustomEdgeBrowser*> alive = FAlive;
  FLoop.Post([alive, work = std::move(work)] {
    // Runs on the UI thread, where the control is also destroyed, so the
    // check cannot go stale before the work is done.
    if (auto self = alive.lock())
      work(**self);
  });
}

void TCustomEdgeBrowser::PostCreateWebViewCompleted(HRESULT result) {
  PostGuarded([result](TCustomEdgeBrowser& self) {
    if (self.OnCreateWebViewCompleted)
      self.OnCreateWebViewCompleted(self, result);
  });
}

void TCustomEdgeBrowser::SetParentWindow(TNativeWindow window) {
  FWindow = window;
  if (window != 0)
    CreateWebView();
}

void TCustomEdgeBrowser::RecreateWindowHandle(TNativeWindow window) {
  FWindow = window;
  if (FWebView)
    ReinitializeWebView();
}

void TCustomEdgeBrowser::CreateWebView() {
  if (FWebView || FBrowserControlState == TBrowserControlState::Creating)
    return;
  FBrowserControlState = TBrowserControlState::Creating;
  // A finished earlier worker may still need joining before its slot is reused.
  JoinWorker();
  // Closing and resetting stay on the UI thread, which owns those fields;
  // only the environment request goes to the worker.
  ResetForCreation();
  FWorker = std::thread([this] { Guard("creation", [this] { RequestEnvironment(); }); });
}

void TCustomEdgeBrowser::ReinitializeWebView() {
  JoinWorker();
  ResetForCreation();
  RequestEnvironment();
}

void TCustomEdgeBrowser::ResetForCreation() {
  CloseWebView();
  FSizeRatio = 1.0;
  FWebViewFocusEventActive = false;
}

void TCustomEdgeBrowser::RequestEnvironment() {
  std::weak_ptr<TCustomEdgeBrowser*> alive = FAlive;
  EventLoop& loop = FLoop;
  // The start is recorded before the call, not after it: from the worker
  // the call only queues the request to the UI thread, whose completion may
  // record the outcome before this thread runs again, and a success
  // recorded then would hide a failure already reported.
  RecordResult(kSOk);
  // The completion may come on any thread, even after the control is gone,
  // so it only queues; the control is touched on the UI thread alone.
  const HRESULT started = FLoader.CreateCoreWebView2Environment(
      [alive, &loop](HRESULT result, std::shared_ptr<WebViewEnvironment> environment) {
        Guard("environment completion", [&] {
          loop.Post([alive, result, environment = std::move(environment)]() mutable {
            if (auto self = alive.lock())
              (*self)->CreateEnvironmentCompleted(result, std::move(environment));
          });
        });
      });
  if (!Succeeded(started)) {
    RecordResult(started);
    PostCreateWebViewCompleted(started);
  }
}

void TCustomEdgeBrowser::CreateEnvironmentCompleted(
    HRESULT result, std::shared_ptr<WebViewEnvironment> environment) {
  if (!RecordResult(result) || !environment) {
    if (OnCreateWebViewCompleted)
      OnCreateWebViewCompleted(*this, Succeeded(result) ? kENoInterface : result);
    return;
  }
  FWebViewEnvironment = std::move(environment);
  std::weak_ptr<TCustomEdgeBrowser*> alive = FAlive;
  RecordResult(FWebViewEnvironment->CreateController(
      FWindow, [alive](HRESULT code, std::shared_ptr<WebViewController> controller) {
        Guard("controller completion", [&] {
          if (auto self = alive.lock())
            (*self)->CreateCoreWebView2ControllerCompleted(code, std::move(controller));
        });
      }));
}

void TCustomEdgeBrowser::CreateCoreWebView2ControllerCompleted(
    HRESULT result, std::shared_ptr<WebViewController> controller) {
  bool ok = RecordResult(result) && controller;
  if (ok) {
    FWebViewController = std::move(controller);
    FWebView.reset();
    ok = RecordResult(FWebViewController->GetWebView(FWebView)) && FWebView;
  }
  if (ok) {
    FWebViewSettings.reset();
    ok = RecordResult(FWebView->GetSettings(FWebViewSettings)) && FWebViewSettings;
  }
  if (!ok) {
    FBrowserControlState = TBrowserControlState::Failed;
    // A success code with no object behind it is still a failure.
    HRESULT code = LastErrorCode();
    if (Succeeded(code))
      code = kENoInterface;
    if (OnCreateWebViewCompleted) {
      OnCreateWebViewCompleted(*this, code);
    } else {
      PostGuarded([code](TCustomEdgeBrowser&) {
        throw EEdgeError("Failed to create Edge browser control", code);
      });
    }
    return;
  }
  FBrowserControlState = TBrowserControlState::Created;
  if (OnCreateWebViewCompleted) {
    try {
      OnCreateWebViewCompleted(*this, result);
    } catch (const std::exception& error) {
      FailCreation(error.what());
      return;
    } catch (...) {
      FailCreation("unknown error");
      return;
    }
  }
  if (FWebView && FWebViewController) {
    RegisterHandlers();
    ApplyBounds();
  }
  if (!FLastURL.empty())
    Navigate(FLastURL);
}

void TCustomEdgeBrowser::FailCreation(const std::string& reason) {
  // A web view whose handlers were never registered would show a page that
  // no event of ours reaches: it is closed, and the failure is raised on
  // the user-interface thread as a creation failure is.
  CloseWebView();
  FBrowserControlState = TBrowserControlState::Failed;
  RecordResult(kEFail);
  PostGuarded([reason](TCustomEdgeBrowser&) {
    throw EEdgeError("Failed to create Edge browser control: " + reason, kEFail);
  });
}

void TCustomEdgeBrowser::RegisterHandlers() {
  // Whether a notification reaches an event is decided when it arrives, so
  // the registrations are made once, in order, whatever is assigned now.
  // Every handler is removed before the control goes, so they may hold the
  // control itself.
  for (std::size_t i = 0; i < kWebViewRegistrationOrder.size(); ++i) {
    const TWebViewEvent event = kWebViewRegistrationOrder[i];
    FWebView->AddEventHandler(event, WebViewHandler(event), FWebViewTokens[i]);
  }
  for (std::size_t i = 0; i < kControllerRegistrationOrder.size(); ++i) {
    TWebViewEventHandler handler;
    switch (kControllerRegistrationOrder[i]) {
    case TControllerEvent::GotFocus:
      handler = [this](WebViewEventArgs&) { return WebViewGotFocus(); };
      break;
    case TControllerEvent::LostFocus:
      handler = [this](WebViewEventArgs&) { return WebViewLostFocus(); };
      break;
    case TControllerEvent::MoveFocusRequested:
      handler = [this](WebViewEventArgs& args) { return MoveFocusRequested(args); };
      break;
    case TControllerEvent::AcceleratorKeyPressed:
      handler = [this](WebViewEventArgs& args) { return AcceleratorKeyPressed(args); };
      break;
    case TControllerEvent::ZoomFactorChanged:
      handler = [this](WebViewEventArgs&) { return ZoomFactorChanged(); };
      break;
    }
    FWebViewController->AddEventHandler(kControllerRegistrationOrder[i], std::move(handler),
                                        FControllerTokens[i]);
  }
}

void TCustomEdgeBrowser::CloseWebView() {
  if (FWebView) {
    for (TWebViewEvent event : kWebViewRemovalOrder) {
      std::size_t slot = 0;
      while (kWebViewRegistrationOrder[slot] != event)
        ++slot;
      FWebView->RemoveEventHandler(event, FWebViewTokens[slot]);
    }
    for (const auto& [name, token] : FDevToolsProtocolEventReceivedTokenMap) {
      std::shared_ptr<DevToolsProtocolEventReceiver> receiver;
      if (RecordResult(FWebView->GetDevToolsProtocolEventReceiver(name, receiver)) && receiver)
        receiver->RemoveEventHandler(token);
    }
    FDevToolsProtocolEventReceivedTokenMap.clear();
    FWebView.reset();
  }
  if (FWebViewController) {
    for (TControllerEvent event : kControllerRemovalOrder) {
      std::size_t slot = 0;
      while (kControllerRegistrationOrder[slot] != event)
        ++slot;
      FWebViewController->RemoveEventHandler(event, FControllerTokens[slot]);
    }
    FWebViewController->Close();
    FWebViewController.reset();
  }
}

void TCustomEdgeBrowser::Navigate(const std::string& uri) {
  if (FWebView) {
    RecordResult(FWebView->Navigate(uri));
    return;
  }
  // Only a URL with something besides blanks and control characters is worth
  // remembering for later; it is kept as given.
  if (std::any_of(uri.begin(), uri.end(), [](unsigned char c) { return c > ' '; }))
    FLastURL = uri;
}

void TCustomEdgeBrowser::Resize(const TBoundsRect& clientRect) {
  FClientRect = clientRect;
  ApplyBounds();
}

void TCustomEdgeBrowser::SetSizeRatio(double ratio) {
  FSizeRatio = ratio;
  ApplyBounds();
}

void TCustomEdgeBrowser::ApplyBounds() {
  if (!FWebViewController)
    return;
  TBoundsRect r = FClientRect;
  // Conversion to int truncates toward zero.
  r.Bottom = static_cast<int>((r.Bottom - r.Top) * FSizeRatio + r.Top);
  r.Right = static_cast<int>((r.Right - r.Left) * FSizeRatio + r.Left);
  RecordResult(FWebViewController->PutBounds(r));
}

void TCustomEdgeBrowser::SetVisible(bool visible) {
  if (FWebViewController)
    RecordResult(FWebViewController->PutIsVisible(visible));
}

void TCustomEdgeBrowser::HandleSysCommand(TSysCommand command) {
  // Any other command is swallowed by the control.
  if (!FWebViewController || command == TSysCommand::Other)
    return;
  RecordResult(FWebViewController->PutIsVisible(command == TSysCommand::Restore));
}

void TCustomEdgeBrowser::DoEnter() {
  if (OnEnter)
    OnEnter(*this);
  // While the web view itself reports the focus, pushing it back would only
  // bounce it between the two.
  if (!FWebViewFocusEventActive && FWebViewController)
    RecordResult(FWebViewController->MoveFocus(TMoveFocusReason::Programmatic));
}

void TCustomEdgeBrowser::DoExit() {
  if (OnExit)
    OnExit(*this);
}

void TCustomEdgeBrowser::SetFocus() {
  if (FWebViewController)
    RecordResult(FWebViewController->MoveFocus(TMoveFocusReason::Programmatic));
}

HRESULT TCustomEdgeBrowser::WebViewGotFocus() {
  Guard("got focus", [this] {
    FWebViewFocusEventActive = true;
    try {
      DoEnter();
    } catch (...) {
      FWebViewFocusEventActive = false;
      throw;
    }
    FWebViewFocusEventActive = false;
  });
  return kSOk;
}

HRESULT TCustomEdgeBrowser::WebViewLostFocus() {
  Guard("lost focus", [this] { DoExit(); });
  return kSOk;
}

HRESULT TCustomEdgeBrowser::MoveFocusRequested(WebViewEventArgs& args) {
  Guard("move focus request", [&] {
    auto* request = dynamic_cast<MoveFocusRequestedEventArgs*>(&args);
    TMoveFocusReason reason = TMoveFocusReason::Programmatic;
    if (!request || !RecordResult(request->GetReason(reason)))
      return;
    if (reason != TMoveFocusReason::Programmatic && SelectNextTabStop)
      SelectNextTabStop(reason == TMoveFocusReason::Next);
  });
  return kSOk;
}

HRESULT TCustomEdgeBrowser::AcceleratorKeyPressed(WebViewEventArgs& args) {
  Guard("accelerator key", [&] {
    auto* key = dynamic_cast<AcceleratorKeyPressedEventArgs*>(&args);
    if (!key)
      return;
    TKeyEventKind kind = TKeyEventKind::KeyDown;
    std::uint32_t virtualKey = 0;
    std::int32_t lParam = 0;
    if (!RecordResult(key->GetKeyEventKind(kind)) ||
        !RecordResult(key->GetVirtualKey(virtualKey)) ||
        !RecordResult(key->GetKeyEventLParam(lParam)) || !IsShortCut)
      return;
    static constexpr std::uint32_t kMessages[] = {0x100, 0x101, 0x104, 0x105};
    const auto index = static_cast<std::size_t>(kind);
    if (index >= std::size(kMessages))
      return;
    const TKeyMessage message{kMessages[index], virtualKey, static_cast<std::int64_t>(lParam)};
    // A shortcut of the form is taken by the form alone.
    if (IsShortCut(message))
      key->PutHandled(true);
  });
  return kSOk;
}

void TCustomEdgeBrowser::ReinitializeWebViewWithNewBrowser() {
  CloseBrowserProcess();
  ReinitializeWebView();
}

void TCustomEdgeBrowser::CloseBrowserProcess() {
  const std::uint32_t id = BrowserProcessID();
  CloseWebView();
  if (id != 0)
    FLoader.Platform().EndBrowserProcess(id, 2000, 1);
}

std::uint32_t TCustomEdgeBrowser::BrowserProcessID() {
  std::uint32_t id = 0;
  if (FWebView && !RecordResult(FWebView->GetBrowserProcessId(id)))
    id = 0;
  return id;
}

std::string TCustomEdgeBrowser::BrowserVersionInfo() {
  std::string version;
  const HRESULT code = FWebView && FWebViewEnvironment
                           ? FWebViewEnvironment->GetBrowserVersionString(version)
                           : FLoader.GetCoreWebView2BrowserVersionString(version);
  return RecordResult(code) ? version : std::string();
}

} // namespace tessera
