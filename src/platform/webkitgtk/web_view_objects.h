#pragma once

#include "platform/api/web_view_platform.h"
#include "platform/webkitgtk/web_view_core.h"
#include "platform/webkitgtk/web_view_engine.h"

#include <memory>
#include <string>

namespace tessera::webkitgtk {

// What WebView2 answers for a web view or controller used after Close:
// HRESULT_FROM_WIN32(ERROR_INVALID_STATE).
inline constexpr HRESULT kEInvalidState = static_cast<HRESULT>(0x8007139Fu);
// E_NOTIMPL.
inline constexpr HRESULT kENotImpl = static_cast<HRESULT>(0x80004001u);

// The seam's objects over one TWebViewCore; all of them are used on the UI
// thread.

class TGtkSettings final : public WebViewSettings {
public:
  explicit TGtkSettings(std::shared_ptr<TWebViewCore> core) : FCore(std::move(core)) {}
  HRESULT GetBool(TWebViewSetting setting, bool& value) override;
  HRESULT PutBool(TWebViewSetting setting, bool value) override;

private:
  std::shared_ptr<TWebViewCore> FCore;
};

class TGtkWebView final : public WebView {
public:
  explicit TGtkWebView(std::shared_ptr<TWebViewCore> core) : FCore(std::move(core)) {}

  HRESULT GetSettings(std::shared_ptr<WebViewSettings>& settings) override;
  // The engine does not name its web process: always 0.
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

  // WebKitGTK has no DevTools protocol: E_NOTIMPL.
  HRESULT GetDevToolsProtocolEventReceiver(
      const std::string& eventName,
      std::shared_ptr<DevToolsProtocolEventReceiver>& receiver) override;

private:
  std::shared_ptr<TWebViewCore> FCore;
};

class TGtkController final : public WebViewController {
public:
  explicit TGtkController(std::shared_ptr<TWebViewCore> core) : FCore(std::move(core)) {}

  HRESULT GetWebView(std::shared_ptr<WebView>& webView) override;
  HRESULT PutIsVisible(bool visible) override;
  // Client coordinates of the parent GtkFixed.
  HRESULT PutBounds(const TBoundsRect& bounds) override;
  HRESULT GetZoomFactor(double& zoomFactor) override;
  HRESULT PutZoomFactor(double zoomFactor) override;
  HRESULT MoveFocus(TMoveFocusReason reason) override;
  // Takes the view out of its parent, ends its page and drops every
  // handler; later calls answer kEInvalidState.
  HRESULT Close() override;
  // MoveFocusRequested and AcceleratorKeyPressed are taken but never
  // raised: GTK moves the focus out of the view itself, and a window's
  // accelerators see keys before the focused view does.
  HRESULT AddEventHandler(TControllerEvent event, TWebViewEventHandler handler,
                          TEventToken& token) override;
  HRESULT RemoveEventHandler(TControllerEvent event, TEventToken token) override;

private:
  std::shared_ptr<TWebViewCore> FCore;
};

class TGtkEnvironment final : public WebViewEnvironment {
public:
  explicit TGtkEnvironment(std::shared_ptr<TEngine> engine) : FEngine(std::move(engine)) {}

  // `parent` is the GtkWidget* of a GtkFixed (E_INVALIDARG otherwise). The
  // view is put into it at once; `completed` runs later from the event loop.
  HRESULT CreateController(TNativeWindow parent, TControllerCompleted completed) override;
  HRESULT GetBrowserVersionString(std::string& version) override;
  HRESULT CreateWebResourceResponse(std::shared_ptr<TStream> content, int statusCode,
                                    const std::string& reasonPhrase, const std::string& headers,
                                    std::shared_ptr<WebResourceResponse>& response) override;

private:
  std::shared_ptr<TEngine> FEngine;
};

} // namespace tessera::webkitgtk
