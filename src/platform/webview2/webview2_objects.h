#pragma once

#include "platform/api/web_view_platform.h"
#include "platform/webview2/com_ptr.h"
#include "platform/webview2/webview2_event_args.h"
#include "platform/webview2/webview2_interfaces.h"

#include <memory>
#include <string>

namespace tessera::webview2 {

// The seam's objects over the engine's COM objects. Each holds one
// reference on its COM object and the loader library (declared first, so it
// is let go after the COM reference). All of them are used on the UI thread,
// where the engine wants every call.

class TWin32Settings final : public WebViewSettings {
public:
  TWin32Settings(TKeepAlive library, TComPtr<ICoreWebView2Settings> settings)
      : FLibrary(std::move(library)), FSettings(std::move(settings)) {}
  HRESULT GetBool(TWebViewSetting setting, bool& value) override;
  HRESULT PutBool(TWebViewSetting setting, bool value) override;

private:
  TKeepAlive FLibrary;
  TComPtr<ICoreWebView2Settings> FSettings;
};

class TWin32WebResourceRequest final : public WebResourceRequest {
public:
  TWin32WebResourceRequest(TKeepAlive library, TComPtr<ICoreWebView2WebResourceRequest> request)
      : FLibrary(std::move(library)), FRequest(std::move(request)) {}
  HRESULT GetUri(std::string& uri) override;
  HRESULT GetMethod(std::string& method) override;

private:
  TKeepAlive FLibrary;
  TComPtr<ICoreWebView2WebResourceRequest> FRequest;
};

class TWin32WebResourceResponse final : public WebResourceResponse {
public:
  TWin32WebResourceResponse(TKeepAlive library, TComPtr<ICoreWebView2WebResourceResponse> response)
      : FLibrary(std::move(library)), FResponse(std::move(response)) {}
  ICoreWebView2WebResourceResponse* Get() const { return FResponse.Get(); }

private:
  TKeepAlive FLibrary;
  TComPtr<ICoreWebView2WebResourceResponse> FResponse;
};

class TWin32DevToolsReceiver final : public DevToolsProtocolEventReceiver {
public:
  TWin32DevToolsReceiver(TKeepAlive library,
                         TComPtr<ICoreWebView2DevToolsProtocolEventReceiver> receiver)
      : FLibrary(std::move(library)), FReceiver(std::move(receiver)) {}
  HRESULT AddEventHandler(TWebViewEventHandler handler, TEventToken& token) override;
  HRESULT RemoveEventHandler(TEventToken token) override;

private:
  TKeepAlive FLibrary;
  TComPtr<ICoreWebView2DevToolsProtocolEventReceiver> FReceiver;
};

class TWin32WebView final : public WebView {
public:
  TWin32WebView(TKeepAlive library, TComPtr<ICoreWebView2> webView)
      : FLibrary(std::move(library)), FWebView(std::move(webView)) {}

  HRESULT GetSettings(std::shared_ptr<WebViewSettings>& settings) override;
  HRESULT GetBrowserProcessId(std::uint32_t& id) override;
  HRESULT AddEventHandler(TWebViewEvent event, TWebViewEventHandler handler,
                          TEventToken& token) override;
  HRESULT RemoveEventHandler(TWebViewEvent event, TEventToken token) override;

  HRESULT Navigate(const std::string& uri) override;
  HRESULT NavigateToString(const std::string& htmlContent) override;
  HRESULT GoBack() override;
  HRESULT GoForward() override;
  HRESULT Reload() override;
  HRESULT Stop() override;

  HRESULT GetSource(std::string& uri) override;
  HRESULT GetDocumentTitle(std::string& title) override;
  HRESULT GetCanGoBack(bool& value) override;
  HRESULT GetCanGoForward(bool& value) override;
  HRESULT GetContainsFullScreenElement(bool& value) override;

  HRESULT AddScriptToExecuteOnDocumentCreated(const std::string& javaScript) override;
  HRESULT ExecuteScript(const std::string& javaScript, TExecuteScriptCompleted completed) override;
  HRESULT PostWebMessageAsJson(const std::string& json) override;

  HRESULT AddWebResourceRequestedFilter(const std::string& uri,
                                        TWebViewEnumValue resourceContext) override;
  HRESULT RemoveWebResourceRequestedFilter(const std::string& uri,
                                           TWebViewEnumValue resourceContext) override;

  HRESULT CapturePreview(TWebViewEnumValue format, std::shared_ptr<TStream> stream,
                         TCapturePreviewCompleted completed) override;

  HRESULT GetDevToolsProtocolEventReceiver(
      const std::string& eventName,
      std::shared_ptr<DevToolsProtocolEventReceiver>& receiver) override;

private:
  TKeepAlive FLibrary;
  TComPtr<ICoreWebView2> FWebView;
};

class TWin32Controller final : public WebViewController {
public:
  TWin32Controller(TKeepAlive library, TComPtr<ICoreWebView2Controller> controller)
      : FLibrary(std::move(library)), FController(std::move(controller)) {}

  HRESULT GetWebView(std::shared_ptr<WebView>& webView) override;
  HRESULT PutIsVisible(bool visible) override;
  HRESULT PutBounds(const TBoundsRect& bounds) override;
  HRESULT GetZoomFactor(double& zoomFactor) override;
  HRESULT PutZoomFactor(double zoomFactor) override;
  HRESULT MoveFocus(TMoveFocusReason reason) override;
  HRESULT Close() override;
  HRESULT AddEventHandler(TControllerEvent event, TWebViewEventHandler handler,
                          TEventToken& token) override;
  HRESULT RemoveEventHandler(TControllerEvent event, TEventToken token) override;

private:
  TKeepAlive FLibrary;
  TComPtr<ICoreWebView2Controller> FController;
};

class TWin32Environment final : public WebViewEnvironment {
public:
  TWin32Environment(TKeepAlive library, TComPtr<ICoreWebView2Environment> environment)
      : FLibrary(std::move(library)), FEnvironment(std::move(environment)) {}

  HRESULT CreateController(TNativeWindow parent, TControllerCompleted completed) override;
  HRESULT GetBrowserVersionString(std::string& version) override;
  HRESULT CreateWebResourceResponse(std::shared_ptr<TStream> content, int statusCode,
                                    const std::string& reasonPhrase, const std::string& headers,
                                    std::shared_ptr<WebResourceResponse>& response) override;

private:
  TKeepAlive FLibrary;
  TComPtr<ICoreWebView2Environment> FEnvironment;
};

} // namespace tessera::webview2
