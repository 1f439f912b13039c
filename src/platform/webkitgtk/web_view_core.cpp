#include "platform/webkitgtk/web_view_core.h"

#include "platform/webkitgtk/package_urls.h"
#include "platform/webkitgtk/page_channel.h"
#include "platform/webkitgtk/trampoline.h"
#include "platform/webkitgtk/web_resource_response.h"
#include "platform/webkitgtk/web_view_event_args.h"

#include <algorithm>

namespace tessera::webkitgtk {

namespace {

constexpr const char* kCoreKey = "tessera-web-view-core";
constexpr int kControllerKeyBase = 100;

// WebView2's values for the kinds the engine can tell apart.
constexpr TWebViewEnumValue kPermissionUnknown = 0;
constexpr TWebViewEnumValue kPermissionMicrophone = 1;
constexpr TWebViewEnumValue kPermissionCamera = 2;
constexpr TWebViewEnumValue kPermissionGeolocation = 3;
constexpr TWebViewEnumValue kPermissionNotifications = 4;
constexpr TWebViewEnumValue kPermissionClipboardRead = 6;
constexpr TWebViewEnumValue kRenderProcessExited = 1;

// The engine creates a TouchEvent through document.createEvent even where
// no touch screen is attached, while WebView2 (and any desktop browser of
// its kind) refuses it there with NotSupportedError. Pages probe touch
// support exactly that way, and many then listen for "touchend" instead of
// "click", so that their buttons never answer the mouse. Without touch
// input ("ontouchstart" absent, no touch points), every document, frames
// included, refuses it as WebView2 does; with touch input nothing changes.
constexpr const char* kDesktopTouchScript = R"JS((() => {
  if ("ontouchstart" in window || navigator.maxTouchPoints > 0) return;
  const proto = window.Document && Document.prototype;
  const create = proto && proto.createEvent;
  if (typeof create !== "function") return;
  Object.defineProperty(proto, "createEvent", {
    configurable: true, enumerable: true, writable: true,
    value: function createEvent(type) {
      if (typeof type === "string" && type.toLowerCase() === "touchevent")
        throw new DOMException("The provided event type (\"" + type + "\") is invalid.",
                               "NotSupportedError");
      return create.apply(this, arguments);
    },
  });
})();)JS";

int KeyOf(TWebViewEvent event) {
  return static_cast<int>(event);
}

int KeyOf(TControllerEvent event) {
  return kControllerKeyBase + static_cast<int>(event);
}

std::string Text(const char* text) {
  return text != nullptr ? std::string(text) : std::string();
}

TWebViewEnumValue PermissionKindOf(WebKitPermissionRequest* request) {
  if (WEBKIT_IS_NOTIFICATION_PERMISSION_REQUEST(request))
    return kPermissionNotifications;
  if (WEBKIT_IS_GEOLOCATION_PERMISSION_REQUEST(request))
    return kPermissionGeolocation;
  if (WEBKIT_IS_USER_MEDIA_PERMISSION_REQUEST(request)) {
    auto* media = WEBKIT_USER_MEDIA_PERMISSION_REQUEST(request);
    return webkit_user_media_permission_is_for_video_device(media) ? kPermissionCamera
                                                                   : kPermissionMicrophone;
  }
  if (WEBKIT_IS_CLIPBOARD_PERMISSION_REQUEST(request))
    return kPermissionClipboardRead;
  return kPermissionUnknown;
}

// A window the engine opens by itself for a page's new-window request that
// no handler took: a plain top-level window, closed when its page closes.
GtkWidget* OpenEngineWindow(WebKitWebView* opener) {
  // A content manager of its own keeps the popup's pages off our channel.
  TGObject<WebKitUserContentManager> content(webkit_user_content_manager_new());
  auto* popup = GTK_WIDGET(g_object_new(WEBKIT_TYPE_WEB_VIEW, "related-view", opener,
                                        "user-content-manager", content.Get(), nullptr));
  g_signal_connect(popup, "ready-to-show", G_CALLBACK(+[](WebKitWebView* view, gpointer) {
                     GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
                     gtk_window_set_default_size(GTK_WINDOW(window), 800, 600);
                     gtk_container_add(GTK_CONTAINER(window), GTK_WIDGET(view));
                     gtk_widget_show_all(window);
                   }),
                   nullptr);
  g_signal_connect(popup, "close", G_CALLBACK(+[](WebKitWebView* view, gpointer) {
                     GtkWidget* top = gtk_widget_get_toplevel(GTK_WIDGET(view));
                     gtk_widget_destroy(GTK_IS_WINDOW(top) ? top : GTK_WIDGET(view));
                   }),
                   nullptr);
  return popup;
}

// Whether a failed load was only stopped (by us, by a newer load, or
// because it became a download): no error page for those.
bool IsCancellation(const GError* error) {
  if (error == nullptr)
    return false;
  return (error->domain == WEBKIT_NETWORK_ERROR && error->code == WEBKIT_NETWORK_ERROR_CANCELLED) ||
         (error->domain == WEBKIT_POLICY_ERROR &&
          error->code == WEBKIT_POLICY_ERROR_FRAME_LOAD_INTERRUPTED_BY_POLICY_CHANGE) ||
         (error->domain == WEBKIT_DOWNLOAD_ERROR) ||
         (error->domain == G_IO_ERROR && error->code == G_IO_ERROR_CANCELLED);
}

// Why a load failed, for a person: a page of the package that nothing
// answered is a missing file; anything else as the engine says it.
std::string FailureText(const GError* error) {
  if (error == nullptr)
    return "The page could not be loaded.";
  if (error->domain == G_IO_ERROR && error->code == G_IO_ERROR_NOT_FOUND)
    return "The file was not found.";
  return Text(error->message);
}

void FinishNotFound(WebKitURISchemeRequest* request) {
  TGError error;
  g_set_error_literal(error.Out(), G_IO_ERROR, G_IO_ERROR_NOT_FOUND, "Not found");
  webkit_uri_scheme_request_finish_error(request, error.Get());
}

} // namespace

TWebViewEnumValue WebErrorStatusOf(const GError* error) {
  constexpr TWebViewEnumValue kUnknown = 0;
  constexpr TWebViewEnumValue kCertificateInvalid = 5;
  constexpr TWebViewEnumValue kServerUnreachable = 6;
  constexpr TWebViewEnumValue kTimeout = 7;
  constexpr TWebViewEnumValue kConnectionAborted = 9;
  constexpr TWebViewEnumValue kCannotConnect = 12;
  constexpr TWebViewEnumValue kHostNameNotResolved = 13;
  constexpr TWebViewEnumValue kOperationCanceled = 14;
  if (error == nullptr)
    return kUnknown;
  if (error->domain == WEBKIT_NETWORK_ERROR)
    return error->code == WEBKIT_NETWORK_ERROR_CANCELLED ? kOperationCanceled : kUnknown;
  if (error->domain == WEBKIT_POLICY_ERROR)
    return kOperationCanceled;
  if (error->domain == G_RESOLVER_ERROR)
    return kHostNameNotResolved;
  if (error->domain == G_TLS_ERROR)
    return kCertificateInvalid;
  if (error->domain == G_IO_ERROR) {
    switch (error->code) {
    case G_IO_ERROR_CANCELLED:
      return kOperationCanceled;
    case G_IO_ERROR_TIMED_OUT:
      return kTimeout;
    case G_IO_ERROR_CONNECTION_REFUSED:
      return kCannotConnect;
    case G_IO_ERROR_HOST_UNREACHABLE:
    case G_IO_ERROR_NETWORK_UNREACHABLE:
      return kServerUnreachable;
    case G_IO_ERROR_HOST_NOT_FOUND:
      return kHostNameNotResolved;
    case G_IO_ERROR_CONNECTION_CLOSED:
      return kConnectionAborted;
    default:
      break;
    }
  }
  return kUnknown;
}

std::shared_ptr<TWebViewCore> TWebViewCore::Create(std::shared_ptr<TEngine> engine,
                                                   GtkWidget* parent) {
  if (parent == nullptr || !GTK_IS_FIXED(parent))
    return nullptr;
  std::shared_ptr<TWebViewCore> core(new TWebViewCore(std::move(engine), parent));
  core->ConnectSignals();
  return core;
}

TWebViewCore* TWebViewCore::FromView(WebKitWebView* view) {
  if (view == nullptr)
    return nullptr;
  return static_cast<TWebViewCore*>(g_object_get_data(G_OBJECT(view), kCoreKey));
}

TWebViewCore::TWebViewCore(std::shared_ptr<TEngine> engine, GtkWidget* parent)
    : FEngine(std::move(engine)), FParent(parent), FContent(webkit_user_content_manager_new()),
      FChannelToken(NewChannelToken()) {
  // A fresh engine has every setting on.
  for (int i = 0; i <= static_cast<int>(TWebViewSetting::BuiltInErrorPageEnabled); ++i)
    FSettings[static_cast<TWebViewSetting>(i)] = true;

  webkit_user_content_manager_register_script_message_handler(FContent.Get(), kMessageHandlerName);
  // The channel first, so that every document script finds it; the top
  // frame's only, as WebView2's.
  const std::string channel = PageChannelScript(FChannelToken);
  WebKitUserScript* shim =
      webkit_user_script_new(channel.c_str(), WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                             WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr);
  webkit_user_content_manager_add_script(FContent.Get(), shim);
  webkit_user_script_unref(shim);
  WebKitUserScript* touch =
      webkit_user_script_new(kDesktopTouchScript, WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES,
                             WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr);
  webkit_user_content_manager_add_script(FContent.Get(), touch);
  webkit_user_script_unref(touch);

  FView = TGObject<WebKitWebView>::Retain(
      WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", FEngine->Context(),
                                   "user-content-manager", FContent.Get(), nullptr)));
  WebKitSettings* settings = webkit_web_view_get_settings(FView.Get());
  // window.open without a click still reaches NewWindowRequested, as in
  // WebView2, instead of being dropped by a pop-up blocker.
  webkit_settings_set_javascript_can_open_windows_automatically(settings, TRUE);
  webkit_settings_set_enable_developer_extras(settings, TRUE);
  g_object_set_data(G_OBJECT(FView.Get()), kCoreKey, this);

  gtk_fixed_put(GTK_FIXED(FParent), Widget(), 0, 0);
  gtk_widget_show(Widget());
}

TWebViewCore::~TWebViewCore() {
  Trampoline("close", 0, [this] {
    Close();
    return 0;
  });
}

void TWebViewCore::ConnectSignals() {
  GObject* view = G_OBJECT(FView.Get());
  g_signal_connect(view, "decide-policy", G_CALLBACK(&OnDecidePolicy), this);
  g_signal_connect(view, "load-changed", G_CALLBACK(&OnLoadChanged), this);
  g_signal_connect(view, "load-failed", G_CALLBACK(&OnLoadFailed), this);
  g_signal_connect(view, "notify::uri", G_CALLBACK(&OnUriChanged), this);
  g_signal_connect(view, "notify::title", G_CALLBACK(&OnTitleChanged), this);
  g_signal_connect(view, "notify::zoom-level", G_CALLBACK(&OnZoomChanged), this);
  g_signal_connect(view, "create", G_CALLBACK(&OnCreate), this);
  g_signal_connect(view, "permission-request", G_CALLBACK(&OnPermissionRequest), this);
  g_signal_connect(view, "web-process-terminated", G_CALLBACK(&OnProcessTerminated), this);
  g_signal_connect(view, "enter-fullscreen", G_CALLBACK(&OnEnterFullScreen), this);
  g_signal_connect(view, "leave-fullscreen", G_CALLBACK(&OnLeaveFullScreen), this);
  g_signal_connect(view, "close", G_CALLBACK(&OnClose), this);
  g_signal_connect(view, "script-dialog", G_CALLBACK(&OnScriptDialog), this);
  g_signal_connect(view, "context-menu", G_CALLBACK(&OnContextMenu), this);
  g_signal_connect(view, "focus-in-event", G_CALLBACK(&OnFocusIn), this);
  g_signal_connect(view, "focus-out-event", G_CALLBACK(&OnFocusOut), this);
  g_signal_connect(view, "destroy", G_CALLBACK(&OnDestroy), this);
  g_signal_connect(webkit_web_view_get_back_forward_list(FView.Get()), "changed",
                   G_CALLBACK(&OnHistoryChanged), this);
  const std::string messageSignal = std::string("script-message-received::") + kMessageHandlerName;
  g_signal_connect(FContent.Get(), messageSignal.c_str(), G_CALLBACK(&OnScriptMessage), this);
}

void TWebViewCore::Close() {
  FHandlers.clear();
  if (!FView)
    return;
  TGObject<WebKitWebView> view = std::move(FView);
  g_signal_handlers_disconnect_by_data(view.Get(), this);
  g_signal_handlers_disconnect_by_data(webkit_web_view_get_back_forward_list(view.Get()), this);
  g_signal_handlers_disconnect_by_data(FContent.Get(), this);
  webkit_user_content_manager_unregister_script_message_handler(FContent.Get(),
                                                                kMessageHandlerName);
  g_object_set_data(G_OBJECT(view.Get()), kCoreKey, nullptr);
  // Takes it out of the parent and ends its page; our reference goes below.
  gtk_widget_destroy(GTK_WIDGET(view.Get()));
}

TEventToken TWebViewCore::AddHandler(TWebViewEvent event, TWebViewEventHandler handler) {
  return AddHandlerFor(KeyOf(event), std::move(handler));
}

TEventToken TWebViewCore::AddHandler(TControllerEvent event, TWebViewEventHandler handler) {
  return AddHandlerFor(KeyOf(event), std::move(handler));
}

void TWebViewCore::RemoveHandler(TWebViewEvent event, TEventToken token) {
  RemoveHandlerFor(KeyOf(event), token);
}

void TWebViewCore::RemoveHandler(TControllerEvent event, TEventToken token) {
  RemoveHandlerFor(KeyOf(event), token);
}

TEventToken TWebViewCore::AddHandlerFor(int key, TWebViewEventHandler handler) {
  const TEventToken token = FNextToken++;
  FHandlers.push_back({token, key, std::move(handler)});
  return token;
}

void TWebViewCore::RemoveHandlerFor(int key, TEventToken token) {
  std::erase_if(FHandlers,
                [&](const TRegistration& r) { return r.Key == key && r.Token == token; });
}

void TWebViewCore::Raise(int key, WebViewEventArgs& args) {
  // Handlers may add, remove or close while they run, so the list is taken
  // first; one removed meanwhile is skipped.
  std::vector<std::pair<TEventToken, TWebViewEventHandler>> handlers;
  for (const TRegistration& r : FHandlers)
    if (r.Key == key && r.Handler)
      handlers.emplace_back(r.Token, r.Handler);
  for (auto& entry : handlers) {
    if (IsClosed())
      return;
    const TEventToken token = entry.first;
    const bool stillThere = std::any_of(FHandlers.begin(), FHandlers.end(),
                                        [token](const auto& r) { return r.Token == token; });
    if (stillThere)
      Trampoline("event handler", kSOk, [&] { return entry.second(args); });
  }
}

void TWebViewCore::Raise(TWebViewEvent event, WebViewEventArgs& args) {
  Raise(KeyOf(event), args);
}

void TWebViewCore::Raise(TControllerEvent event, WebViewEventArgs& args) {
  Raise(KeyOf(event), args);
}

bool TWebViewCore::Setting(TWebViewSetting setting) const {
  const auto it = FSettings.find(setting);
  return it != FSettings.end() && it->second;
}

void TWebViewCore::PutSetting(TWebViewSetting setting, bool value) {
  FSettings[setting] = value;
  if (!FView)
    return;
  WebKitSettings* settings = webkit_web_view_get_settings(FView.Get());
  switch (setting) {
  case TWebViewSetting::ScriptEnabled:
    webkit_settings_set_enable_javascript(settings, value);
    break;
  case TWebViewSetting::DevToolsEnabled:
    webkit_settings_set_enable_developer_extras(settings, value);
    break;
  default:
    // The others are read when their signal comes.
    break;
  }
}

void TWebViewCore::AddFilter(const std::string& pattern, TWebViewEnumValue context) {
  FFilters.emplace_back(pattern, context);
}

bool TWebViewCore::RemoveFilter(const std::string& pattern, TWebViewEnumValue context) {
  const auto it = std::find(FFilters.begin(), FFilters.end(), std::make_pair(pattern, context));
  if (it == FFilters.end())
    return false;
  FFilters.erase(it);
  return true;
}

bool TWebViewCore::FilterMatches(const std::string& uri) const {
  // The engine cannot tell a request's kind, so only filters for every kind
  // apply.
  return std::any_of(FFilters.begin(), FFilters.end(), [&](const auto& filter) {
    return filter.second == kWebResourceContextAll && MatchesUriPattern(filter.first, uri);
  });
}

std::string TWebViewCore::Source() const {
  const char* uri = FView ? webkit_web_view_get_uri(FView.Get()) : nullptr;
  if (uri == nullptr || *uri == '\0')
    return "about:blank";
  return ToPortableUri(uri);
}

void TWebViewCore::RequestNotificationPermission() {
  // From the loop: the page's message is still being delivered.
  FEngine->Loop().Post([weak = weak_from_this()] {
    const auto self = weak.lock();
    if (!self || self->IsClosed())
      return;
    webkit_web_view_evaluate_javascript(self->View(), kNotificationRequestScript, -1, nullptr,
                                        nullptr, nullptr, nullptr, nullptr);
  });
}

bool TWebViewCore::IsChannelToken(const std::string& token) const {
  // Compared in full whatever the first difference, so the time taken
  // tells a page nothing about how much of a guess was right.
  if (token.size() != FChannelToken.size())
    return false;
  unsigned char difference = 0;
  for (std::size_t i = 0; i < token.size(); ++i)
    difference |= static_cast<unsigned char>(token[i] ^ FChannelToken[i]);
  return difference == 0;
}

void TWebViewCore::ServeSchemeRequest(WebKitURISchemeRequest* request) {
  const auto keep = shared_from_this();
  const std::string uri = ToPortableUri(Text(webkit_uri_scheme_request_get_uri(request)));
  if (!FilterMatches(uri)) {
    FinishNotFound(request);
    return;
  }
  const char* method = webkit_uri_scheme_request_get_http_method(request);
  TResourceRequestedArgs args(
      std::make_shared<TResourceRequest>(uri, method != nullptr ? method : "GET"));
  Raise(TWebViewEvent::WebResourceRequested, args);
  auto* response = dynamic_cast<TWebResourceResponse*>(args.Response.get());
  WebKitURISchemeResponse* answer = response != nullptr ? response->MakeSchemeResponse() : nullptr;
  if (answer == nullptr) {
    FinishNotFound(request);
    return;
  }
  webkit_uri_scheme_request_finish_with_response(request, answer);
  g_object_unref(answer);
}

void TWebViewCore::ExpectNavigation() {
  FNavigating = true;
  // A new navigation takes the place of an error page still to come.
  FShowErrorPage = false;
}

void TWebViewCore::StartNavigation(bool redirected) {
  FNavigating = true;
  // The error page of the navigation that failed loads as a navigation of
  // its own to the engine, but not to the portable code: WebView2 shows its
  // error page as part of the navigation that failed.
  if (FErrorPageLoading)
    return;
  if (!redirected) {
    ++FNavigationId;
    FLoadFailed = false;
    FErrorStatus = 0;
    FShowErrorPage = false;
  }
  TNavigationStartingArgs args;
  args.Uri = Source();
  args.UserInitiated = args.Uri == FActionUri && FActionUserGesture;
  args.Redirected = redirected;
  args.NavigationId = FNavigationId;
  Raise(TWebViewEvent::NavigationStarting, args);
  // Stopping now ends the load as cancelled, which reports the navigation
  // as failed with "operation canceled" and keeps the page shown before.
  if (args.Cancel && FView)
    webkit_web_view_stop_loading(FView.Get());
}

void TWebViewCore::FinishNavigation() {
  FNavigating = false;
  if (FErrorPageLoading) {
    FErrorPageLoading = false;
    return;
  }
  TNavigationCompletedArgs args;
  args.IsSuccess = !FLoadFailed;
  args.WebErrorStatus = FLoadFailed ? FErrorStatus : 0;
  args.NavigationId = FNavigationId;
  Raise(TWebViewEvent::NavigationCompleted, args);
  if (FShowErrorPage && !IsClosed())
    PostErrorPage();
}

void TWebViewCore::PostErrorPage() {
  // From the loop, once the engine is done with the load that failed, and
  // only while nothing else has been asked of the view since.
  FEngine->Loop().Post([weak = weak_from_this(), failed = FNavigationId] {
    const auto self = weak.lock();
    if (!self || self->IsClosed() || !self->FShowErrorPage || self->FNavigating ||
        self->FNavigationId != failed)
      return;
    self->FShowErrorPage = false;
    self->FErrorPageLoading = true;
    const std::string html = ErrorPageHtml(ToPortableUri(self->FFailedUri), self->FFailure);
    // Shown under the address that failed, as the engine's own page is.
    webkit_web_view_load_alternate_html(self->View(), html.c_str(), self->FFailedUri.c_str(),
                                        nullptr);
  });
}

// Signal handlers

gboolean TWebViewCore::OnDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision,
                                      WebKitPolicyDecisionType type, gpointer data) {
  auto* self = static_cast<TWebViewCore*>(data);
  return Trampoline("navigation policy", FALSE, [&] {
    // NavigationStarting itself is raised when the main frame's load
    // starts: the policy request comes for sub-frames as well and does not
    // say which frame it is for. Here only the details are kept.
    if (type == WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION) {
      WebKitNavigationAction* action = webkit_navigation_policy_decision_get_navigation_action(
          WEBKIT_NAVIGATION_POLICY_DECISION(decision));
      WebKitURIRequest* request = webkit_navigation_action_get_request(action);
      self->FActionUri = ToPortableUri(Text(webkit_uri_request_get_uri(request)));
      self->FActionUserGesture = webkit_navigation_action_is_user_gesture(action) != FALSE;
    }
    return FALSE;
  });
}

void TWebViewCore::OnLoadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer data) {
  auto* self = static_cast<TWebViewCore*>(data);
  Trampoline("load", 0, [&] {
    const auto keep = self->shared_from_this();
    switch (event) {
    case WEBKIT_LOAD_STARTED:
      self->StartNavigation(false);
      break;
    case WEBKIT_LOAD_REDIRECTED:
      self->StartNavigation(true);
      break;
    case WEBKIT_LOAD_COMMITTED: {
      self->FNavigating = false;
      const std::string source = self->Source();
      if (source != self->FLastSource) {
        self->FLastSource = source;
        TSourceChangedArgs changed;
        changed.IsNewDocument = true;
        self->Raise(TWebViewEvent::SourceChanged, changed);
      }
      TContentLoadingArgs loading;
      loading.IsErrorPage = self->FLoadFailed;
      loading.NavigationId = self->FNavigationId;
      self->Raise(TWebViewEvent::ContentLoading, loading);
      break;
    }
    case WEBKIT_LOAD_FINISHED:
      self->FinishNavigation();
      break;
    }
    return 0;
  });
}

gboolean TWebViewCore::OnLoadFailed(WebKitWebView*, WebKitLoadEvent, gchar* failingUri,
                                    GError* error, gpointer data) {
  auto* self = static_cast<TWebViewCore*>(data);
  return Trampoline("load failure", FALSE, [&]() -> gboolean {
    // An error page that cannot load either is not shown again.
    if (self->FErrorPageLoading)
      return TRUE;
    self->FLoadFailed = true;
    self->FErrorStatus = WebErrorStatusOf(error);
    // TRUE keeps the engine's error page away, whatever the setting: WebKit
    // loads that page later, as a load of its own that begins only when the
    // next navigation comes and is then cancelled by it, which would report
    // a second, failed navigation in front of the real one. Ours loads
    // once the failed navigation has been reported; a load that was merely
    // stopped keeps the page it had.
    if (self->Setting(TWebViewSetting::BuiltInErrorPageEnabled) && !IsCancellation(error)) {
      self->FShowErrorPage = true;
      self->FFailedUri = Text(failingUri);
      self->FFailure = FailureText(error);
    }
    return TRUE;
  });
}

void TWebViewCore::OnUriChanged(GObject*, GParamSpec*, gpointer data) {
  auto* self = static_cast<TWebViewCore*>(data);
  Trampoline("address", 0, [&] {
    // While a load is under way its commit reports the new document; a
    // change at any other time stays in the same document (fragment,
    // history.pushState).
    if (self->FNavigating)
      return 0;
    const std::string source = self->Source();
    if (source == self->FLastSource)
      return 0;
    const auto keep = self->shared_from_this();
    self->FLastSource = source;
    TSourceChangedArgs changed;
    changed.IsNewDocument = false;
    self->Raise(TWebViewEvent::SourceChanged, changed);
    return 0;
  });
}

void TWebViewCore::OnTitleChanged(GObject*, GParamSpec*, gpointer data) {
  auto* self = static_cast<TWebViewCore*>(data);
  Trampoline("title", 0, [&] {
    const auto keep = self->shared_from_this();
    TEmptyArgs args;
    self->Raise(TWebViewEvent::DocumentTitleChanged, args);
    return 0;
  });
}

void TWebViewCore::OnZoomChanged(GObject*, GParamSpec*, gpointer data) {
  auto* self = static_cast<TWebViewCore*>(data);
  Trampoline("zoom", 0, [&] {
    const auto keep = self->shared_from_this();
    TEmptyArgs args;
    self->Raise(TControllerEvent::ZoomFactorChanged, args);
    return 0;
  });
}

void TWebViewCore::OnHistoryChanged(WebKitBackForwardList*, WebKitBackForwardListItem*, gpointer,
                                    gpointer data) {
  auto* self = static_cast<TWebViewCore*>(data);
  Trampoline("history", 0, [&] {
    const auto keep = self->shared_from_this();
    TEmptyArgs args;
    self->Raise(TWebViewEvent::HistoryChanged, args);
    return 0;
  });
}

GtkWidget* TWebViewCore::OnCreate(WebKitWebView* view, WebKitNavigationAction* action,
                                  gpointer data) {
  auto* self = static_cast<TWebViewCore*>(data);
  return Trampoline("new window", static_cast<GtkWidget*>(nullptr), [&]() -> GtkWidget* {
    const auto keep = self->shared_from_this();
    TNewWindowRequestedArgs args;
    WebKitURIRequest* request = webkit_navigation_action_get_request(action);
    args.Uri =
        ToPortableUri(Text(request != nullptr ? webkit_uri_request_get_uri(request) : nullptr));
    args.UserInitiated = webkit_navigation_action_is_user_gesture(action) != FALSE;
    self->Raise(TWebViewEvent::NewWindowRequested, args);
    if (args.Handled || self->IsClosed())
      return nullptr;
    return OpenEngineWindow(view);
  });
}

gboolean TWebViewCore::OnPermissionRequest(WebKitWebView*, WebKitPermissionRequest* request,
                                           gpointer data) {
  auto* self = static_cast<TWebViewCore*>(data);
  return Trampoline("permission", FALSE, [&]() -> gboolean {
    const auto keep = self->shared_from_this();
    TPermissionRequestedArgs args;
    args.Uri = self->Source();
    args.Kind = PermissionKindOf(request);
    self->Raise(TWebViewEvent::PermissionRequested, args);
    if (args.State == kPermissionStateAllow)
      webkit_permission_request_allow(request);
    else
      webkit_permission_request_deny(request);
    return TRUE;
  });
}

void TWebViewCore::OnProcessTerminated(WebKitWebView*, WebKitWebProcessTerminationReason,
                                       gpointer data) {
  auto* self = static_cast<TWebViewCore*>(data);
  Trampoline("process failure", 0, [&] {
    const auto keep = self->shared_from_this();
    // Every reason (crash, memory limit, ended on request) leaves the page
    // without its process.
    TProcessFailedArgs args;
    args.Kind = kRenderProcessExited;
    self->Raise(TWebViewEvent::ProcessFailed, args);
    return 0;
  });
}

void TWebViewCore::OnScriptMessage(WebKitUserContentManager*, WebKitJavascriptResult* result,
                                   gpointer data) {
  auto* self = static_cast<TWebViewCore*>(data);
  Trampoline("web message", 0, [&] {
    if (!self->Setting(TWebViewSetting::WebMessageEnabled))
      return 0;
    // The handler is there for every frame and every script, so only what
    // the top frame's channel sent counts: [its token, JSON text]. Anything
    // else is dropped unread.
    JSCValue* value = webkit_javascript_result_get_js_value(result);
    if (value == nullptr || !jsc_value_is_array(value))
      return 0;
    TGObject<JSCValue> token(jsc_value_object_get_property_at_index(value, 0));
    TGObject<JSCValue> json(jsc_value_object_get_property_at_index(value, 1));
    if (!token || !json || !jsc_value_is_string(token.Get()) || !jsc_value_is_string(json.Get()))
      return 0;
    TGChars tokenText(jsc_value_to_string(token.Get()));
    if (!self->IsChannelToken(Text(tokenText.Get())))
      return 0;
    TGObject<JSCValue> kind(jsc_value_object_get_property_at_index(value, 2));
    if (kind && jsc_value_is_string(kind.Get())) {
      TGChars kindText(jsc_value_to_string(kind.Get()));
      if (Text(kindText.Get()) == kNotificationRequest)
        self->RequestNotificationPermission();
      return 0;
    }
    TGChars jsonText(jsc_value_to_string(json.Get()));
    TWebMessageReceivedArgs args;
    // The document the top frame shows now, as the engine has it: a page
    // cannot name another.
    args.Source = self->Source();
    args.Json = Text(jsonText.Get());
    if (!IsValidJson(args.Json))
      return 0;
    args.Text = JsonString(args.Json);
    const auto keep = self->shared_from_this();
    self->Raise(TWebViewEvent::WebMessageReceived, args);
    return 0;
  });
}

gboolean TWebViewCore::OnEnterFullScreen(WebKitWebView*, gpointer data) {
  auto* self = static_cast<TWebViewCore*>(data);
  return Trampoline("full screen", FALSE, [&] {
    const auto keep = self->shared_from_this();
    self->FFullScreen = true;
    TEmptyArgs args;
    self->Raise(TWebViewEvent::ContainsFullScreenElementChanged, args);
    return FALSE;
  });
}

gboolean TWebViewCore::OnLeaveFullScreen(WebKitWebView*, gpointer data) {
  auto* self = static_cast<TWebViewCore*>(data);
  return Trampoline("full screen", FALSE, [&] {
    const auto keep = self->shared_from_this();
    self->FFullScreen = false;
    TEmptyArgs args;
    self->Raise(TWebViewEvent::ContainsFullScreenElementChanged, args);
    return FALSE;
  });
}

void TWebViewCore::OnClose(WebKitWebView*, gpointer data) {
  auto* self = static_cast<TWebViewCore*>(data);
  Trampoline("close request", 0, [&] {
    const auto keep = self->shared_from_this();
    TEmptyArgs args;
    self->Raise(TWebViewEvent::WindowCloseRequested, args);
    return 0;
  });
}

gboolean TWebViewCore::OnScriptDialog(WebKitWebView*, WebKitScriptDialog* dialog, gpointer data) {
  auto* self = static_cast<TWebViewCore*>(data);
  return Trampoline("script dialog", FALSE, [&]() -> gboolean {
    // With the engine's own dialogs on, the engine shows them and the
    // event stays quiet, as in WebView2.
    if (self->Setting(TWebViewSetting::DefaultScriptDialogsEnabled))
      return FALSE;
    const auto keep = self->shared_from_this();
    const WebKitScriptDialogType type = webkit_script_dialog_get_dialog_type(dialog);
    TScriptDialogOpeningArgs args;
    args.Uri = self->Source();
    // WebKit numbers alert, confirm, prompt and before-unload as WebView2.
    args.Kind = static_cast<TWebViewEnumValue>(type);
    args.Message = Text(webkit_script_dialog_get_message(dialog));
    if (type == WEBKIT_SCRIPT_DIALOG_PROMPT)
      args.DefaultText = Text(webkit_script_dialog_prompt_get_default_text(dialog));
    self->Raise(TWebViewEvent::ScriptDialogOpening, args);
    if (type == WEBKIT_SCRIPT_DIALOG_CONFIRM || type == WEBKIT_SCRIPT_DIALOG_BEFORE_UNLOAD_CONFIRM)
      webkit_script_dialog_confirm_set_confirmed(dialog, args.Accepted);
    else if (type == WEBKIT_SCRIPT_DIALOG_PROMPT && args.Accepted)
      webkit_script_dialog_prompt_set_text(dialog,
                                           args.ResultText.value_or(args.DefaultText).c_str());
    return TRUE;
  });
}

gboolean TWebViewCore::OnContextMenu(WebKitWebView*, WebKitContextMenu*, GdkEvent*,
                                     WebKitHitTestResult*, gpointer data) {
  auto* self = static_cast<TWebViewCore*>(data);
  return self->Setting(TWebViewSetting::DefaultContextMenusEnabled) ? FALSE : TRUE;
}

gboolean TWebViewCore::OnFocusIn(GtkWidget*, GdkEventFocus*, gpointer data) {
  auto* self = static_cast<TWebViewCore*>(data);
  return Trampoline("focus", FALSE, [&] {
    const auto keep = self->shared_from_this();
    TEmptyArgs args;
    self->Raise(TControllerEvent::GotFocus, args);
    return FALSE;
  });
}

gboolean TWebViewCore::OnFocusOut(GtkWidget*, GdkEventFocus*, gpointer data) {
  auto* self = static_cast<TWebViewCore*>(data);
  return Trampoline("focus", FALSE, [&] {
    const auto keep = self->shared_from_this();
    TEmptyArgs args;
    self->Raise(TControllerEvent::LostFocus, args);
    return FALSE;
  });
}

void TWebViewCore::OnDestroy(GtkWidget*, gpointer data) {
  // The parent went (its window was destroyed) and took the view with it:
  // from here the core answers as closed.
  auto* self = static_cast<TWebViewCore*>(data);
  Trampoline("destroy", 0, [&] {
    self->Close();
    return 0;
  });
}

} // namespace tessera::webkitgtk
