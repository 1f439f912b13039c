// How the web view's notifications and completions reach the control's
// events.
#include "webview/custom_edge_browser.h"

#include "webview/callback_guard.h"

#include <type_traits>
#include <utility>

namespace tessera {

namespace {

// Calls a copy of the handler: one that reassigns or clears its own event
// would otherwise destroy itself while it runs.
template <typename TEvent, typename... TArgs> void Raise(const TEvent& event, TArgs&&... args) {
  const TEvent handler = event;
  handler(std::forward<TArgs>(args)...);
}

template <typename T> T* As(WebViewEventArgs& args) {
  return dynamic_cast<T*>(&args);
}

// Hands the platform arguments to the handler inside their wrapper, which
// lives exactly as long as the call, whether the handler returns or throws.
template <typename TWrapper, typename TEvent>
void RaiseWithArgs(TCustomEdgeBrowser& sender, const TEvent& event, WebViewEventArgs& args) {
  using TInterface =
      std::remove_reference_t<decltype(std::declval<const TWrapper&>().ArgsInterface())>;
  auto* typed = As<TInterface>(args);
  if (!event || !typed)
    return;
  TWrapper wrapper(*typed);
  Raise(event, sender, wrapper);
}

} // namespace

TWebViewEventHandler TCustomEdgeBrowser::WebViewHandler(TWebViewEvent event) {
  return [this, event](WebViewEventArgs& args) { return WebViewNotification(event, args); };
}

// Each case returns before touching the platform arguments when its event is
// not assigned. Values read for an event are not recorded as the last error,
// except the full-screen state, whose failed read also drops the event.
HRESULT TCustomEdgeBrowser::WebViewNotification(TWebViewEvent event, WebViewEventArgs& args) {
  Guard("notification", [&] {
    switch (event) {
    case TWebViewEvent::NavigationStarting:
      RaiseWithArgs<TNavigationStartingEventArgs>(*this, OnNavigationStarting, args);
      break;
    case TWebViewEvent::FrameNavigationStarting:
      RaiseWithArgs<TNavigationStartingEventArgs>(*this, OnFrameNavigationStarting, args);
      break;
    case TWebViewEvent::NavigationCompleted:
    case TWebViewEvent::FrameNavigationCompleted: {
      const TNavigationCompletedEvent& handler = event == TWebViewEvent::NavigationCompleted
                                                     ? OnNavigationCompleted
                                                     : OnFrameNavigationCompleted;
      auto* completed = As<NavigationCompletedEventArgs>(args);
      if (!handler || !completed)
        break;
      bool isSuccess = false;
      TWebViewEnumValue webErrorStatus = 0;
      completed->GetIsSuccess(isSuccess);
      completed->GetWebErrorStatus(webErrorStatus);
      Raise(handler, *this, isSuccess, webErrorStatus);
      break;
    }
    case TWebViewEvent::SourceChanged: {
      auto* changed = As<SourceChangedEventArgs>(args);
      if (!OnSourceChanged || !changed)
        break;
      bool isNewDocument = false;
      changed->GetIsNewDocument(isNewDocument);
      Raise(OnSourceChanged, *this, isNewDocument);
      break;
    }
    case TWebViewEvent::HistoryChanged:
      if (OnHistoryChanged)
        Raise(OnHistoryChanged, *this);
      break;
    case TWebViewEvent::ContentLoading: {
      auto* loading = As<ContentLoadingEventArgs>(args);
      if (!OnContentLoading || !loading)
        break;
      bool isErrorPage = false;
      std::uint64_t navigationId = 0;
      loading->GetIsErrorPage(isErrorPage);
      loading->GetNavigationId(navigationId);
      Raise(OnContentLoading, *this, isErrorPage, navigationId);
      break;
    }
    case TWebViewEvent::DocumentTitleChanged:
      if (OnDocumentTitleChanged)
        Raise(OnDocumentTitleChanged, *this, DocumentTitle());
      break;
    case TWebViewEvent::NewWindowRequested:
      RaiseWithArgs<TNewWindowRequestedEventArgs>(*this, OnNewWindowRequested, args);
      break;
    case TWebViewEvent::WebResourceRequested:
      RaiseWithArgs<TWebResourceRequestedEventArgs>(*this, OnWebResourceRequested, args);
      break;
    case TWebViewEvent::ScriptDialogOpening:
      RaiseWithArgs<TScriptDialogOpeningEventArgs>(*this, OnScriptDialogOpening, args);
      break;
    case TWebViewEvent::PermissionRequested:
      RaiseWithArgs<TPermissionRequestedEventArgs>(*this, OnPermissionRequested, args);
      break;
    case TWebViewEvent::ProcessFailed: {
      auto* failed = As<ProcessFailedEventArgs>(args);
      if (!OnProcessFailed || !failed)
        break;
      TWebViewEnumValue kind = 0;
      failed->GetProcessFailedKind(kind);
      Raise(OnProcessFailed, *this, kind);
      break;
    }
    case TWebViewEvent::WebMessageReceived:
      RaiseWithArgs<TWebMessageReceivedEventArgs>(*this, OnWebMessageReceived, args);
      break;
    case TWebViewEvent::ContainsFullScreenElementChanged: {
      if (!OnContainsFullScreenElementChanged || !FWebView)
        break;
      bool contains = false;
      if (RecordResult(FWebView->GetContainsFullScreenElement(contains)))
        Raise(OnContainsFullScreenElementChanged, *this, contains);
      break;
    }
    case TWebViewEvent::WindowCloseRequested:
      if (OnWindowCloseRequested)
        Raise(OnWindowCloseRequested, *this);
      break;
    }
  });
  return kSOk;
}

HRESULT TCustomEdgeBrowser::ZoomFactorChanged() {
  Guard("zoom factor changed", [this] {
    if (OnZoomFactorChanged)
      Raise(OnZoomFactorChanged, *this, ZoomFactor());
  });
  return kSOk;
}

HRESULT TCustomEdgeBrowser::DevToolsProtocolEventReceived(const std::string& cdpEventName,
                                                          WebViewEventArgs& args) {
  Guard("DevTools protocol event", [&] {
    auto* received = As<DevToolsProtocolEventReceivedEventArgs>(args);
    if (!OnDevToolsProtocolEventReceived || !received)
      return;
    // The name lives in the registration, which the handler may replace by
    // subscribing again.
    const std::string name = cdpEventName;
    std::string json;
    received->GetParameterObjectAsJson(json);
    Raise(OnDevToolsProtocolEventReceived, *this, name, json);
  });
  return kSOk;
}

void TCustomEdgeBrowser::ExecuteScriptCompleted(HRESULT result, const std::string& json) {
  if (OnExecuteScript)
    Raise(OnExecuteScript, *this, result, json);
}

void TCustomEdgeBrowser::CapturePreviewCompleted(HRESULT result) {
  if (OnCapturePreviewCompleted)
    Raise(OnCapturePreviewCompleted, *this, result);
}

} // namespace tessera
