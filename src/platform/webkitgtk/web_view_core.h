#pragma once

#include "platform/api/web_view_platform.h"
#include "platform/webkitgtk/gobject_handles.h"
#include "platform/webkitgtk/web_view_engine.h"

#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace tessera::webkitgtk {

// One WebKitWebView inside its parent GtkFixed, with everything the seam's
// web view, controller and settings objects share: the registered handlers,
// the settings, the resource filters and the navigation being reported.
// Lives on the UI thread; the seam objects hold it, and Close (or the last
// holder letting go) takes the view out of its parent and disconnects every
// signal, so no engine callback reaches a closed core.
class TWebViewCore : public std::enable_shared_from_this<TWebViewCore> {
public:
  // `parent` must be a GtkFixed; null otherwise.
  static std::shared_ptr<TWebViewCore> Create(std::shared_ptr<TEngine> engine, GtkWidget* parent);
  // The core of a view made here; null for any other view.
  static TWebViewCore* FromView(WebKitWebView* view);

  ~TWebViewCore();
  TWebViewCore(const TWebViewCore&) = delete;
  TWebViewCore& operator=(const TWebViewCore&) = delete;

  bool IsClosed() const { return !FView; }
  void Close();
  WebKitWebView* View() const { return FView.Get(); }
  GtkWidget* Widget() const { return GTK_WIDGET(FView.Get()); }
  GtkWidget* Parent() const { return FParent; }

  // Web view events and controller events share one table.
  TEventToken AddHandler(TWebViewEvent event, TWebViewEventHandler handler);
  TEventToken AddHandler(TControllerEvent event, TWebViewEventHandler handler);
  void RemoveHandler(TWebViewEvent event, TEventToken token);
  void RemoveHandler(TControllerEvent event, TEventToken token);

  bool Setting(TWebViewSetting setting) const;
  void PutSetting(TWebViewSetting setting, bool value);

  void AddFilter(const std::string& pattern, TWebViewEnumValue context);
  // False when no such filter was added.
  bool RemoveFilter(const std::string& pattern, TWebViewEnumValue context);

  bool ContainsFullScreenElement() const { return FFullScreen; }
  // The page's address as the portable code sees it ("file:///…").
  std::string Source() const;

  // The top page asked for notifications: its request is made again from a
  // script of the web view's, later, so that the engine puts it to the
  // permission handlers.
  void RequestNotificationPermission();

  // Whether `token` is this view's page channel token.
  bool IsChannelToken(const std::string& token) const;

  // A load is about to start on our request: the engine shows its address
  // before the load starts, and that must not pass for a move within the
  // document.
  void ExpectNavigation();

  // A request of the package scheme made by this view: raises
  // WebResourceRequested when a filter matches and answers with the
  // response put by a handler, or with "not found".
  void ServeSchemeRequest(WebKitURISchemeRequest* request);

private:
  struct TRegistration {
    TEventToken Token;
    int Key;
    TWebViewEventHandler Handler;
  };

  TWebViewCore(std::shared_ptr<TEngine> engine, GtkWidget* parent);
  void ConnectSignals();
  TEventToken AddHandlerFor(int key, TWebViewEventHandler handler);
  void RemoveHandlerFor(int key, TEventToken token);
  // Calls every handler registered for the key now, in registration order;
  // stops when one of them closes the view.
  void Raise(int key, WebViewEventArgs& args);
  void Raise(TWebViewEvent event, WebViewEventArgs& args);
  void Raise(TControllerEvent event, WebViewEventArgs& args);
  bool FilterMatches(const std::string& uri) const;
  void StartNavigation(bool redirected);
  void FinishNavigation();
  // Shows the error page of the navigation that just failed, from the loop.
  void PostErrorPage();

  // Signal handlers.
  static gboolean OnDecidePolicy(WebKitWebView*, WebKitPolicyDecision*, WebKitPolicyDecisionType,
                                 gpointer);
  static void OnLoadChanged(WebKitWebView*, WebKitLoadEvent, gpointer);
  static gboolean OnLoadFailed(WebKitWebView*, WebKitLoadEvent, gchar*, GError*, gpointer);
  static void OnUriChanged(GObject*, GParamSpec*, gpointer);
  static void OnTitleChanged(GObject*, GParamSpec*, gpointer);
  static void OnZoomChanged(GObject*, GParamSpec*, gpointer);
  static void OnHistoryChanged(WebKitBackForwardList*, WebKitBackForwardListItem*, gpointer,
                               gpointer);
  static GtkWidget* OnCreate(WebKitWebView*, WebKitNavigationAction*, gpointer);
  static gboolean OnPermissionRequest(WebKitWebView*, WebKitPermissionRequest*, gpointer);
  static void OnProcessTerminated(WebKitWebView*, WebKitWebProcessTerminationReason, gpointer);
  static void OnScriptMessage(WebKitUserContentManager*, WebKitJavascriptResult*, gpointer);
  static gboolean OnEnterFullScreen(WebKitWebView*, gpointer);
  static gboolean OnLeaveFullScreen(WebKitWebView*, gpointer);
  static void OnClose(WebKitWebView*, gpointer);
  static gboolean OnScriptDialog(WebKitWebView*, WebKitScriptDialog*, gpointer);
  static gboolean OnContextMenu(WebKitWebView*, WebKitContextMenu*, GdkEvent*, WebKitHitTestResult*,
                                gpointer);
  static gboolean OnFocusIn(GtkWidget*, GdkEventFocus*, gpointer);
  static gboolean OnFocusOut(GtkWidget*, GdkEventFocus*, gpointer);
  static void OnDestroy(GtkWidget*, gpointer);

  std::shared_ptr<TEngine> FEngine;
  GtkWidget* FParent;
  TGObject<WebKitUserContentManager> FContent;
  // The secret the top frame's page channel sends with every message.
  const std::string FChannelToken;
  TGObject<WebKitWebView> FView;
  std::vector<TRegistration> FHandlers;
  TEventToken FNextToken = 1;
  std::map<TWebViewSetting, bool> FSettings;
  std::vector<std::pair<std::string, TWebViewEnumValue>> FFilters;

  // The main-frame navigation being reported.
  std::uint64_t FNavigationId = 0;
  bool FNavigating = false;
  bool FLoadFailed = false;
  TWebViewEnumValue FErrorStatus = 0;
  std::string FLastSource;
  // The navigation that failed wants its error page (the engine's address
  // and the reason kept for it); the error page's own load is under way.
  bool FShowErrorPage = false;
  std::string FFailedUri;
  std::string FFailure;
  bool FErrorPageLoading = false;
  bool FFullScreen = false;
  // What the engine last said about a navigation it was about to start:
  // its address and whether a user gesture started it.
  std::string FActionUri;
  bool FActionUserGesture = false;
};

// The web error status (as the portable code knows it) for a failed load.
TWebViewEnumValue WebErrorStatusOf(const GError* error);

} // namespace tessera::webkitgtk
