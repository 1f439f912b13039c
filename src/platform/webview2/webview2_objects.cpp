#include "platform/webview2/webview2_objects.h"

#include "platform/webview2/com_handler.h"
#include "platform/webview2/com_values.h"
#include "platform/webview2/stream_adapter.h"

#include <utility>

namespace tessera::webview2 {

using win32::Widen;

// Settings

HRESULT TWin32Settings::GetBool(TWebViewSetting setting, bool& value) {
  ICoreWebView2Settings* s = FSettings.Get();
  switch (setting) {
  case TWebViewSetting::ScriptEnabled:
    return ReadBool([s](BOOL* p) { return s->get_IsScriptEnabled(p); }, value);
  case TWebViewSetting::WebMessageEnabled:
    return ReadBool([s](BOOL* p) { return s->get_IsWebMessageEnabled(p); }, value);
  case TWebViewSetting::DefaultScriptDialogsEnabled:
    return ReadBool([s](BOOL* p) { return s->get_AreDefaultScriptDialogsEnabled(p); }, value);
  case TWebViewSetting::StatusBarEnabled:
    return ReadBool([s](BOOL* p) { return s->get_IsStatusBarEnabled(p); }, value);
  case TWebViewSetting::DevToolsEnabled:
    return ReadBool([s](BOOL* p) { return s->get_AreDevToolsEnabled(p); }, value);
  case TWebViewSetting::DefaultContextMenusEnabled:
    return ReadBool([s](BOOL* p) { return s->get_AreDefaultContextMenusEnabled(p); }, value);
  case TWebViewSetting::ZoomControlEnabled:
    return ReadBool([s](BOOL* p) { return s->get_IsZoomControlEnabled(p); }, value);
  case TWebViewSetting::BuiltInErrorPageEnabled:
    return ReadBool([s](BOOL* p) { return s->get_IsBuiltInErrorPageEnabled(p); }, value);
  }
  return E_INVALIDARG;
}

HRESULT TWin32Settings::PutBool(TWebViewSetting setting, bool value) {
  ICoreWebView2Settings* s = FSettings.Get();
  const BOOL flag = ToBool(value);
  switch (setting) {
  case TWebViewSetting::ScriptEnabled:
    return s->put_IsScriptEnabled(flag);
  case TWebViewSetting::WebMessageEnabled:
    return s->put_IsWebMessageEnabled(flag);
  case TWebViewSetting::DefaultScriptDialogsEnabled:
    return s->put_AreDefaultScriptDialogsEnabled(flag);
  case TWebViewSetting::StatusBarEnabled:
    return s->put_IsStatusBarEnabled(flag);
  case TWebViewSetting::DevToolsEnabled:
    return s->put_AreDevToolsEnabled(flag);
  case TWebViewSetting::DefaultContextMenusEnabled:
    return s->put_AreDefaultContextMenusEnabled(flag);
  case TWebViewSetting::ZoomControlEnabled:
    return s->put_IsZoomControlEnabled(flag);
  case TWebViewSetting::BuiltInErrorPageEnabled:
    return s->put_IsBuiltInErrorPageEnabled(flag);
  }
  return E_INVALIDARG;
}

// Resource requests

HRESULT TWin32WebResourceRequest::GetUri(std::string& uri) {
  return ReadString([this](LPWSTR* p) { return FRequest->get_Uri(p); }, uri);
}

HRESULT TWin32WebResourceRequest::GetMethod(std::string& method) {
  return ReadString([this](LPWSTR* p) { return FRequest->get_Method(p); }, method);
}

// DevTools receiver

HRESULT TWin32DevToolsReceiver::AddEventHandler(TWebViewEventHandler handler, TEventToken& token) {
  return webview2::AddEventHandler(
      FReceiver.Get(),
      &ICoreWebView2DevToolsProtocolEventReceiver::add_DevToolsProtocolEventReceived,
      std::move(handler), FLibrary, token);
}

HRESULT TWin32DevToolsReceiver::RemoveEventHandler(TEventToken token) {
  return webview2::RemoveEventHandler(
      FReceiver.Get(),
      &ICoreWebView2DevToolsProtocolEventReceiver::remove_DevToolsProtocolEventReceived, token);
}

// Web view

HRESULT TWin32WebView::GetSettings(std::shared_ptr<WebViewSettings>& settings) {
  TComPtr<ICoreWebView2Settings> comSettings;
  const ::HRESULT result = FWebView->get_Settings(comSettings.Receive());
  if (FAILED(result))
    return result;
  if (!comSettings)
    return E_POINTER;
  settings = std::make_shared<TWin32Settings>(FLibrary, std::move(comSettings));
  return result;
}

HRESULT TWin32WebView::GetBrowserProcessId(std::uint32_t& id) {
  UINT32 value = 0;
  const ::HRESULT result = FWebView->get_BrowserProcessId(&value);
  if (SUCCEEDED(result))
    id = value;
  return result;
}

HRESULT TWin32WebView::AddEventHandler(TWebViewEvent event, TWebViewEventHandler handler,
                                       TEventToken& token) {
  ICoreWebView2* w = FWebView.Get();
  auto add = [&](auto method) {
    return webview2::AddEventHandler(w, method, std::move(handler), FLibrary, token);
  };
  switch (event) {
  case TWebViewEvent::NavigationStarting:
    return add(&ICoreWebView2::add_NavigationStarting);
  case TWebViewEvent::NavigationCompleted:
    return add(&ICoreWebView2::add_NavigationCompleted);
  case TWebViewEvent::SourceChanged:
    return add(&ICoreWebView2::add_SourceChanged);
  case TWebViewEvent::HistoryChanged:
    return add(&ICoreWebView2::add_HistoryChanged);
  case TWebViewEvent::ContentLoading:
    return add(&ICoreWebView2::add_ContentLoading);
  case TWebViewEvent::DocumentTitleChanged:
    return add(&ICoreWebView2::add_DocumentTitleChanged);
  case TWebViewEvent::NewWindowRequested:
    return add(&ICoreWebView2::add_NewWindowRequested);
  case TWebViewEvent::FrameNavigationStarting:
    return add(&ICoreWebView2::add_FrameNavigationStarting);
  case TWebViewEvent::FrameNavigationCompleted:
    return add(&ICoreWebView2::add_FrameNavigationCompleted);
  case TWebViewEvent::WebResourceRequested:
    return add(&ICoreWebView2::add_WebResourceRequested);
  case TWebViewEvent::ScriptDialogOpening:
    return add(&ICoreWebView2::add_ScriptDialogOpening);
  case TWebViewEvent::PermissionRequested:
    return add(&ICoreWebView2::add_PermissionRequested);
  case TWebViewEvent::ProcessFailed:
    return add(&ICoreWebView2::add_ProcessFailed);
  case TWebViewEvent::WebMessageReceived:
    return add(&ICoreWebView2::add_WebMessageReceived);
  case TWebViewEvent::ContainsFullScreenElementChanged:
    return add(&ICoreWebView2::add_ContainsFullScreenElementChanged);
  case TWebViewEvent::WindowCloseRequested:
    return add(&ICoreWebView2::add_WindowCloseRequested);
  }
  return E_INVALIDARG;
}

HRESULT TWin32WebView::RemoveEventHandler(TWebViewEvent event, TEventToken token) {
  ICoreWebView2* w = FWebView.Get();
  auto remove = [&](auto method) { return webview2::RemoveEventHandler(w, method, token); };
  switch (event) {
  case TWebViewEvent::NavigationStarting:
    return remove(&ICoreWebView2::remove_NavigationStarting);
  case TWebViewEvent::NavigationCompleted:
    return remove(&ICoreWebView2::remove_NavigationCompleted);
  case TWebViewEvent::SourceChanged:
    return remove(&ICoreWebView2::remove_SourceChanged);
  case TWebViewEvent::HistoryChanged:
    return remove(&ICoreWebView2::remove_HistoryChanged);
  case TWebViewEvent::ContentLoading:
    return remove(&ICoreWebView2::remove_ContentLoading);
  case TWebViewEvent::DocumentTitleChanged:
    return remove(&ICoreWebView2::remove_DocumentTitleChanged);
  case TWebViewEvent::NewWindowRequested:
    return remove(&ICoreWebView2::remove_NewWindowRequested);
  case TWebViewEvent::FrameNavigationStarting:
    return remove(&ICoreWebView2::remove_FrameNavigationStarting);
  case TWebViewEvent::FrameNavigationCompleted:
    return remove(&ICoreWebView2::remove_FrameNavigationCompleted);
  case TWebViewEvent::WebResourceRequested:
    return remove(&ICoreWebView2::remove_WebResourceRequested);
  case TWebViewEvent::ScriptDialogOpening:
    return remove(&ICoreWebView2::remove_ScriptDialogOpening);
  case TWebViewEvent::PermissionRequested:
    return remove(&ICoreWebView2::remove_PermissionRequested);
  case TWebViewEvent::ProcessFailed:
    return remove(&ICoreWebView2::remove_ProcessFailed);
  case TWebViewEvent::WebMessageReceived:
    return remove(&ICoreWebView2::remove_WebMessageReceived);
  case TWebViewEvent::ContainsFullScreenElementChanged:
    return remove(&ICoreWebView2::remove_ContainsFullScreenElementChanged);
  case TWebViewEvent::WindowCloseRequested:
    return remove(&ICoreWebView2::remove_WindowCloseRequested);
  }
  return E_INVALIDARG;
}

HRESULT TWin32WebView::Navigate(const std::string& uri) {
  return FWebView->Navigate(Widen(uri).c_str());
}

HRESULT TWin32WebView::NavigateToString(const std::string& htmlContent) {
  return FWebView->NavigateToString(Widen(htmlContent).c_str());
}

HRESULT TWin32WebView::GoBack() {
  return FWebView->GoBack();
}

HRESULT TWin32WebView::GoForward() {
  return FWebView->GoForward();
}

HRESULT TWin32WebView::Reload() {
  return FWebView->Reload();
}

HRESULT TWin32WebView::Stop() {
  return FWebView->Stop();
}

HRESULT TWin32WebView::GetSource(std::string& uri) {
  return ReadString([this](LPWSTR* p) { return FWebView->get_Source(p); }, uri);
}

HRESULT TWin32WebView::GetDocumentTitle(std::string& title) {
  return ReadString([this](LPWSTR* p) { return FWebView->get_DocumentTitle(p); }, title);
}

HRESULT TWin32WebView::GetCanGoBack(bool& value) {
  return ReadBool([this](BOOL* p) { return FWebView->get_CanGoBack(p); }, value);
}

HRESULT TWin32WebView::GetCanGoForward(bool& value) {
  return ReadBool([this](BOOL* p) { return FWebView->get_CanGoForward(p); }, value);
}

HRESULT TWin32WebView::GetContainsFullScreenElement(bool& value) {
  return ReadBool([this](BOOL* p) { return FWebView->get_ContainsFullScreenElement(p); }, value);
}

HRESULT TWin32WebView::AddScriptToExecuteOnDocumentCreated(const std::string& javaScript) {
  // The script's id is never needed (scripts are not removed), so no
  // completion handler.
  return FWebView->AddScriptToExecuteOnDocumentCreated(Widen(javaScript).c_str(), nullptr);
}

HRESULT TWin32WebView::ExecuteScript(const std::string& javaScript,
                                     TExecuteScriptCompleted completed) {
  auto handler = MakeHandler<ICoreWebView2ExecuteScriptCompletedHandler>(
      [completed = std::move(completed)](::HRESULT result, LPCWSTR json) -> ::HRESULT {
        if (completed)
          completed(result, json != nullptr ? win32::Narrow(json) : std::string());
        return S_OK;
      });
  return FWebView->ExecuteScript(Widen(javaScript).c_str(), handler.Get());
}

HRESULT TWin32WebView::PostWebMessageAsJson(const std::string& json) {
  return FWebView->PostWebMessageAsJson(Widen(json).c_str());
}

HRESULT TWin32WebView::AddWebResourceRequestedFilter(const std::string& uri,
                                                     TWebViewEnumValue resourceContext) {
  return FWebView->AddWebResourceRequestedFilter(
      Widen(uri).c_str(), static_cast<COREWEBVIEW2_WEB_RESOURCE_CONTEXT>(resourceContext));
}

HRESULT TWin32WebView::RemoveWebResourceRequestedFilter(const std::string& uri,
                                                        TWebViewEnumValue resourceContext) {
  return FWebView->RemoveWebResourceRequestedFilter(
      Widen(uri).c_str(), static_cast<COREWEBVIEW2_WEB_RESOURCE_CONTEXT>(resourceContext));
}

HRESULT TWin32WebView::CapturePreview(TWebViewEnumValue format, std::shared_ptr<TStream> stream,
                                      TCapturePreviewCompleted completed) {
  TComPtr<IStream> target = MakeStreamAdapter(std::move(stream));
  if (!target)
    return E_POINTER;
  auto handler = MakeHandler<ICoreWebView2CapturePreviewCompletedHandler>(
      [completed = std::move(completed)](::HRESULT result) -> ::HRESULT {
        if (completed)
          completed(result);
        return S_OK;
      });
  return FWebView->CapturePreview(static_cast<COREWEBVIEW2_CAPTURE_PREVIEW_IMAGE_FORMAT>(format),
                                  target.Get(), handler.Get());
}

HRESULT TWin32WebView::GetDevToolsProtocolEventReceiver(
    const std::string& eventName, std::shared_ptr<DevToolsProtocolEventReceiver>& receiver) {
  TComPtr<ICoreWebView2DevToolsProtocolEventReceiver> comReceiver;
  const ::HRESULT result =
      FWebView->GetDevToolsProtocolEventReceiver(Widen(eventName).c_str(), comReceiver.Receive());
  if (FAILED(result))
    return result;
  if (!comReceiver)
    return E_POINTER;
  receiver = std::make_shared<TWin32DevToolsReceiver>(FLibrary, std::move(comReceiver));
  return result;
}

// Controller

HRESULT TWin32Controller::GetWebView(std::shared_ptr<WebView>& webView) {
  TComPtr<ICoreWebView2> comWebView;
  const ::HRESULT result = FController->get_CoreWebView2(comWebView.Receive());
  if (FAILED(result))
    return result;
  if (!comWebView)
    return E_POINTER;
  webView = std::make_shared<TWin32WebView>(FLibrary, std::move(comWebView));
  return result;
}

HRESULT TWin32Controller::PutIsVisible(bool visible) {
  return FController->put_IsVisible(ToBool(visible));
}

HRESULT TWin32Controller::PutBounds(const TBoundsRect& bounds) {
  const RECT rect{bounds.Left, bounds.Top, bounds.Right, bounds.Bottom};
  return FController->put_Bounds(rect);
}

HRESULT TWin32Controller::GetZoomFactor(double& zoomFactor) {
  double value = 0.0;
  const ::HRESULT result = FController->get_ZoomFactor(&value);
  if (SUCCEEDED(result))
    zoomFactor = value;
  return result;
}

HRESULT TWin32Controller::PutZoomFactor(double zoomFactor) {
  return FController->put_ZoomFactor(zoomFactor);
}

HRESULT TWin32Controller::MoveFocus(TMoveFocusReason reason) {
  return FController->MoveFocus(static_cast<COREWEBVIEW2_MOVE_FOCUS_REASON>(reason));
}

HRESULT TWin32Controller::Close() {
  return FController->Close();
}

HRESULT TWin32Controller::AddEventHandler(TControllerEvent event, TWebViewEventHandler handler,
                                          TEventToken& token) {
  ICoreWebView2Controller* c = FController.Get();
  auto add = [&](auto method) {
    return webview2::AddEventHandler(c, method, std::move(handler), FLibrary, token);
  };
  switch (event) {
  case TControllerEvent::ZoomFactorChanged:
    return add(&ICoreWebView2Controller::add_ZoomFactorChanged);
  case TControllerEvent::MoveFocusRequested:
    return add(&ICoreWebView2Controller::add_MoveFocusRequested);
  case TControllerEvent::AcceleratorKeyPressed:
    return add(&ICoreWebView2Controller::add_AcceleratorKeyPressed);
  case TControllerEvent::GotFocus:
    return add(&ICoreWebView2Controller::add_GotFocus);
  case TControllerEvent::LostFocus:
    return add(&ICoreWebView2Controller::add_LostFocus);
  }
  return E_INVALIDARG;
}

HRESULT TWin32Controller::RemoveEventHandler(TControllerEvent event, TEventToken token) {
  ICoreWebView2Controller* c = FController.Get();
  auto remove = [&](auto method) { return webview2::RemoveEventHandler(c, method, token); };
  switch (event) {
  case TControllerEvent::ZoomFactorChanged:
    return remove(&ICoreWebView2Controller::remove_ZoomFactorChanged);
  case TControllerEvent::MoveFocusRequested:
    return remove(&ICoreWebView2Controller::remove_MoveFocusRequested);
  case TControllerEvent::AcceleratorKeyPressed:
    return remove(&ICoreWebView2Controller::remove_AcceleratorKeyPressed);
  case TControllerEvent::GotFocus:
    return remove(&ICoreWebView2Controller::remove_GotFocus);
  case TControllerEvent::LostFocus:
    return remove(&ICoreWebView2Controller::remove_LostFocus);
  }
  return E_INVALIDARG;
}

// Environment

HRESULT TWin32Environment::CreateController(TNativeWindow parent, TControllerCompleted completed) {
  auto handler = MakeHandler<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler>(
      [library = FLibrary, completed = std::move(completed)](
          ::HRESULT result, ICoreWebView2Controller* controller) -> ::HRESULT {
        if (!completed)
          return S_OK;
        std::shared_ptr<WebViewController> wrapped;
        if (controller != nullptr)
          wrapped = std::make_shared<TWin32Controller>(library, TComPtr(controller));
        completed(result, std::move(wrapped));
        return S_OK;
      });
  return FEnvironment->CreateCoreWebView2Controller(reinterpret_cast<HWND>(parent), handler.Get());
}

HRESULT TWin32Environment::GetBrowserVersionString(std::string& version) {
  return ReadString([this](LPWSTR* p) { return FEnvironment->get_BrowserVersionString(p); },
                    version);
}

HRESULT TWin32Environment::CreateWebResourceResponse(
    std::shared_ptr<TStream> content, int statusCode, const std::string& reasonPhrase,
    const std::string& headers, std::shared_ptr<WebResourceResponse>& response) {
  // No content is a valid answer (an empty body).
  TComPtr<IStream> body = MakeStreamAdapter(std::move(content));
  TComPtr<ICoreWebView2WebResourceResponse> comResponse;
  const ::HRESULT result =
      FEnvironment->CreateWebResourceResponse(body.Get(), statusCode, Widen(reasonPhrase).c_str(),
                                              Widen(headers).c_str(), comResponse.Receive());
  if (FAILED(result))
    return result;
  if (!comResponse)
    return E_POINTER;
  response = std::make_shared<TWin32WebResourceResponse>(FLibrary, std::move(comResponse));
  return result;
}

} // namespace tessera::webview2
