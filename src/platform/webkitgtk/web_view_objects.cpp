#include "platform/webkitgtk/web_view_objects.h"

#include "platform/webkitgtk/package_urls.h"
#include "platform/webkitgtk/page_channel.h"
#include "platform/webkitgtk/preview_image.h"
#include "platform/webkitgtk/trampoline.h"
#include "platform/webkitgtk/web_resource_response.h"

#include <algorithm>
#include <utility>

namespace tessera::webkitgtk {

namespace {

// E_POINTER.
constexpr HRESULT kEPointer = static_cast<HRESULT>(0x80004003u);

struct TScriptCall {
  TExecuteScriptCompleted Completed;
};

void OnScriptDone(GObject* source, GAsyncResult* result, gpointer data) {
  std::unique_ptr<TScriptCall> call(static_cast<TScriptCall*>(data));
  Trampoline("script completion", 0, [&] {
    TGError error;
    TGObject<JSCValue> value(
        webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(source), result, error.Out()));
    // An exception in the script (or a page gone meanwhile) fails the call.
    HRESULT code = value ? kSOk : kEFail;
    std::string json = "null";
    if (value && !jsc_value_is_undefined(value.Get())) {
      TGChars text(jsc_value_to_json(value.Get(), 0));
      if (text)
        json = text.Get();
    }
    if (call->Completed)
      call->Completed(code, json);
    return 0;
  });
}

struct TCaptureCall {
  TWebViewEnumValue Format;
  std::shared_ptr<TStream> Stream;
  TCapturePreviewCompleted Completed;
};

void OnSnapshotDone(GObject* source, GAsyncResult* result, gpointer data) {
  std::unique_ptr<TCaptureCall> call(static_cast<TCaptureCall*>(data));
  Trampoline("capture completion", 0, [&] {
    TGError error;
    cairo_surface_t* surface =
        webkit_web_view_get_snapshot_finish(WEBKIT_WEB_VIEW(source), result, error.Out());
    std::string bytes;
    HRESULT code = kEFail;
    if (surface != nullptr && EncodePreview(surface, call->Format, bytes)) {
      try {
        call->Stream->Write(bytes);
        code = kSOk;
      } catch (const std::exception&) {
        code = kEFail;
      }
    }
    if (surface != nullptr)
      cairo_surface_destroy(surface);
    if (call->Completed)
      call->Completed(code);
    return 0;
  });
  // The stream is held until the completion has run, then let go here.
}

} // namespace

// Settings

HRESULT TGtkSettings::GetBool(TWebViewSetting setting, bool& value) {
  value = FCore->Setting(setting);
  return kSOk;
}

HRESULT TGtkSettings::PutBool(TWebViewSetting setting, bool value) {
  FCore->PutSetting(setting, value);
  return kSOk;
}

// Web view

HRESULT TGtkWebView::GetSettings(std::shared_ptr<WebViewSettings>& settings) {
  if (FCore->IsClosed())
    return kEInvalidState;
  settings = std::make_shared<TGtkSettings>(FCore);
  return kSOk;
}

HRESULT TGtkWebView::GetBrowserProcessId(std::uint32_t& id) {
  if (FCore->IsClosed())
    return kEInvalidState;
  id = 0;
  return kSOk;
}

HRESULT TGtkWebView::AddEventHandler(TWebViewEvent event, TWebViewEventHandler handler,
                                     TEventToken& token) {
  if (FCore->IsClosed())
    return kEInvalidState;
  token = FCore->AddHandler(event, std::move(handler));
  return kSOk;
}

HRESULT TGtkWebView::RemoveEventHandler(TWebViewEvent event, TEventToken token) {
  FCore->RemoveHandler(event, token);
  return kSOk;
}

HRESULT TGtkWebView::Navigate(const std::string& uri) {
  if (FCore->IsClosed())
    return kEInvalidState;
  const std::string engineUri = ToEngineUri(uri);
  // Only an absolute address: WebView2 refuses anything else.
  if (g_uri_peek_scheme(engineUri.c_str()) == nullptr)
    return kEInvalidArg;
  FCore->ExpectNavigation();
  webkit_web_view_load_uri(FCore->View(), engineUri.c_str());
  return kSOk;
}

HRESULT TGtkWebView::NavigateToString(const std::string& htmlContent) {
  if (FCore->IsClosed())
    return kEInvalidState;
  FCore->ExpectNavigation();
  webkit_web_view_load_html(FCore->View(), htmlContent.c_str(), nullptr);
  return kSOk;
}

HRESULT TGtkWebView::GoBack() {
  if (FCore->IsClosed())
    return kEInvalidState;
  webkit_web_view_go_back(FCore->View());
  return kSOk;
}

HRESULT TGtkWebView::GoForward() {
  if (FCore->IsClosed())
    return kEInvalidState;
  webkit_web_view_go_forward(FCore->View());
  return kSOk;
}

HRESULT TGtkWebView::Reload() {
  if (FCore->IsClosed())
    return kEInvalidState;
  if (webkit_web_view_get_uri(FCore->View()) != nullptr)
    FCore->ExpectNavigation();
  webkit_web_view_reload(FCore->View());
  return kSOk;
}

HRESULT TGtkWebView::Stop() {
  if (FCore->IsClosed())
    return kEInvalidState;
  webkit_web_view_stop_loading(FCore->View());
  return kSOk;
}

HRESULT TGtkWebView::GetSource(std::string& uri) {
  if (FCore->IsClosed())
    return kEInvalidState;
  uri = FCore->Source();
  return kSOk;
}

HRESULT TGtkWebView::GetDocumentTitle(std::string& title) {
  if (FCore->IsClosed())
    return kEInvalidState;
  const char* text = webkit_web_view_get_title(FCore->View());
  title = text != nullptr ? text : "";
  return kSOk;
}

HRESULT TGtkWebView::GetCanGoBack(bool& value) {
  if (FCore->IsClosed())
    return kEInvalidState;
  value = webkit_web_view_can_go_back(FCore->View()) != FALSE;
  return kSOk;
}

HRESULT TGtkWebView::GetCanGoForward(bool& value) {
  if (FCore->IsClosed())
    return kEInvalidState;
  value = webkit_web_view_can_go_forward(FCore->View()) != FALSE;
  return kSOk;
}

HRESULT TGtkWebView::GetContainsFullScreenElement(bool& value) {
  if (FCore->IsClosed())
    return kEInvalidState;
  value = FCore->ContainsFullScreenElement();
  return kSOk;
}

HRESULT TGtkWebView::AddScriptToExecuteOnDocumentCreated(const std::string& javaScript) {
  if (FCore->IsClosed())
    return kEInvalidState;
  // After the channel and every script added before, in the top frame
  // only: WebView2 runs them there alone, and a frame of another origin
  // must not get the bridge.
  WebKitUserScript* script =
      webkit_user_script_new(javaScript.c_str(), WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                             WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr);
  webkit_user_content_manager_add_script(webkit_web_view_get_user_content_manager(FCore->View()),
                                         script);
  webkit_user_script_unref(script);
  return kSOk;
}

HRESULT TGtkWebView::ExecuteScript(const std::string& javaScript,
                                   TExecuteScriptCompleted completed) {
  if (FCore->IsClosed())
    return kEInvalidState;
  auto call = std::make_unique<TScriptCall>(TScriptCall{std::move(completed)});
  webkit_web_view_evaluate_javascript(FCore->View(), javaScript.data(),
                                      static_cast<gssize>(javaScript.size()), nullptr, nullptr,
                                      nullptr, &OnScriptDone, call.release());
  return kSOk;
}

HRESULT TGtkWebView::PostWebMessageAsJson(const std::string& json) {
  if (FCore->IsClosed())
    return kEInvalidState;
  if (!IsValidJson(json))
    return kEInvalidArg;
  if (!FCore->Setting(TWebViewSetting::WebMessageEnabled))
    return kSOk;
  const std::string script = MessageDispatchScript(json);
  webkit_web_view_evaluate_javascript(FCore->View(), script.data(),
                                      static_cast<gssize>(script.size()), nullptr, nullptr, nullptr,
                                      nullptr, nullptr);
  return kSOk;
}

HRESULT TGtkWebView::AddWebResourceRequestedFilter(const std::string& uri,
                                                   TWebViewEnumValue resourceContext) {
  if (FCore->IsClosed())
    return kEInvalidState;
  FCore->AddFilter(uri, resourceContext);
  return kSOk;
}

HRESULT TGtkWebView::RemoveWebResourceRequestedFilter(const std::string& uri,
                                                      TWebViewEnumValue resourceContext) {
  if (FCore->IsClosed())
    return kEInvalidState;
  return FCore->RemoveFilter(uri, resourceContext) ? kSOk : kEInvalidArg;
}

HRESULT TGtkWebView::CapturePreview(TWebViewEnumValue format, std::shared_ptr<TStream> stream,
                                    TCapturePreviewCompleted completed) {
  if (FCore->IsClosed())
    return kEInvalidState;
  if (!stream)
    return kEPointer;
  if (format != kCapturePreviewPng && format != kCapturePreviewJpeg)
    return kEInvalidArg;
  auto call =
      std::make_unique<TCaptureCall>(TCaptureCall{format, std::move(stream), std::move(completed)});
  webkit_web_view_get_snapshot(FCore->View(), WEBKIT_SNAPSHOT_REGION_VISIBLE,
                               WEBKIT_SNAPSHOT_OPTIONS_NONE, nullptr, &OnSnapshotDone,
                               call.release());
  return kSOk;
}

HRESULT
TGtkWebView::GetDevToolsProtocolEventReceiver(const std::string&,
                                              std::shared_ptr<DevToolsProtocolEventReceiver>&) {
  return kENotImpl;
}

// Controller

HRESULT TGtkController::GetWebView(std::shared_ptr<WebView>& webView) {
  if (FCore->IsClosed())
    return kEInvalidState;
  webView = std::make_shared<TGtkWebView>(FCore);
  return kSOk;
}

HRESULT TGtkController::PutIsVisible(bool visible) {
  if (FCore->IsClosed())
    return kEInvalidState;
  if (visible)
    gtk_widget_show(FCore->Widget());
  else
    gtk_widget_hide(FCore->Widget());
  return kSOk;
}

HRESULT TGtkController::PutBounds(const TBoundsRect& bounds) {
  if (FCore->IsClosed())
    return kEInvalidState;
  gtk_fixed_move(GTK_FIXED(FCore->Parent()), FCore->Widget(), bounds.Left, bounds.Top);
  gtk_widget_set_size_request(FCore->Widget(), std::max(0, bounds.Right - bounds.Left),
                              std::max(0, bounds.Bottom - bounds.Top));
  return kSOk;
}

HRESULT TGtkController::GetZoomFactor(double& zoomFactor) {
  if (FCore->IsClosed())
    return kEInvalidState;
  zoomFactor = webkit_web_view_get_zoom_level(FCore->View());
  return kSOk;
}

HRESULT TGtkController::PutZoomFactor(double zoomFactor) {
  if (FCore->IsClosed())
    return kEInvalidState;
  if (!(zoomFactor > 0.0))
    return kEInvalidArg;
  webkit_web_view_set_zoom_level(FCore->View(), zoomFactor);
  return kSOk;
}

HRESULT TGtkController::MoveFocus(TMoveFocusReason) {
  if (FCore->IsClosed())
    return kEInvalidState;
  gtk_widget_grab_focus(FCore->Widget());
  return kSOk;
}

HRESULT TGtkController::Close() {
  FCore->Close();
  return kSOk;
}

HRESULT TGtkController::AddEventHandler(TControllerEvent event, TWebViewEventHandler handler,
                                        TEventToken& token) {
  if (FCore->IsClosed())
    return kEInvalidState;
  token = FCore->AddHandler(event, std::move(handler));
  return kSOk;
}

HRESULT TGtkController::RemoveEventHandler(TControllerEvent event, TEventToken token) {
  FCore->RemoveHandler(event, token);
  return kSOk;
}

// Environment

HRESULT TGtkEnvironment::CreateController(TNativeWindow parent, TControllerCompleted completed) {
  auto core = TWebViewCore::Create(FEngine, reinterpret_cast<GtkWidget*>(parent));
  if (!core)
    return kEInvalidArg;
  auto controller = std::make_shared<TGtkController>(std::move(core));
  // Later, as WebView2 completes: the caller's code after this call runs
  // first.
  FEngine->Loop().Post([controller, completed = std::move(completed)] {
    Trampoline("controller completion", 0, [&] {
      if (completed)
        completed(kSOk, controller);
      return 0;
    });
  });
  return kSOk;
}

HRESULT TGtkEnvironment::GetBrowserVersionString(std::string& version) {
  version = EngineVersion();
  return kSOk;
}

HRESULT TGtkEnvironment::CreateWebResourceResponse(std::shared_ptr<TStream> content, int statusCode,
                                                   const std::string& reasonPhrase,
                                                   const std::string& headers,
                                                   std::shared_ptr<WebResourceResponse>& response) {
  if (statusCode < 100 || statusCode > 999)
    return kEInvalidArg;
  response =
      std::make_shared<TWebResourceResponse>(std::move(content), statusCode, reasonPhrase, headers);
  return kSOk;
}

} // namespace tessera::webkitgtk
