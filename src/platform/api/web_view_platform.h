#pragma once

#include "base/stream.h"
#include "platform/api/hresult.h"
#include "platform/api/native_window.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace tessera {

// Identifies one handler registration; handed back to remove it.
using TEventToken = std::int64_t;

struct TBoundsRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  bool operator==(const TBoundsRect&) const = default;
};

// The web view's own notifications, in the order the control registers them.
enum class TWebViewEvent {
  NavigationStarting,
  NavigationCompleted,
  SourceChanged,
  HistoryChanged,
  ContentLoading,
  DocumentTitleChanged,
  NewWindowRequested,
  FrameNavigationStarting,
  FrameNavigationCompleted,
  WebResourceRequested,
  ScriptDialogOpening,
  PermissionRequested,
  ProcessFailed,
  WebMessageReceived,
  ContainsFullScreenElementChanged,
  WindowCloseRequested,
};

// The controller's notifications, in the order the control registers them.
enum class TControllerEvent {
  ZoomFactorChanged,
  MoveFocusRequested,
  AcceleratorKeyPressed,
  GotFocus,
  LostFocus,
};

enum class TMoveFocusReason { Programmatic = 0, Next = 1, Previous = 2 };

// Arguments of one notification; each event kind has its own derived
// interface. Valid only during the handler call.
class WebViewEventArgs {
public:
  virtual ~WebViewEventArgs() = default;
};

// Runs on the UI thread; the answer goes back to the platform.
using TWebViewEventHandler = std::function<HRESULT(WebViewEventArgs& args)>;

// Enumerations of the engine (web error status, process failure kind,
// resource context, permission kind and state, script dialog kind) pass
// through unchanged as their 32-bit values.
using TWebViewEnumValue = std::int32_t;

inline constexpr TWebViewEnumValue kWebResourceContextAll = 0;
inline constexpr TWebViewEnumValue kPermissionStateAllow = 1;
inline constexpr TWebViewEnumValue kCapturePreviewPng = 0;
inline constexpr TWebViewEnumValue kCapturePreviewJpeg = 1;

class MoveFocusRequestedEventArgs : public WebViewEventArgs {
public:
  virtual HRESULT GetReason(TMoveFocusReason& reason) = 0;
};

enum class TKeyEventKind { KeyDown = 0, KeyUp = 1, SystemKeyDown = 2, SystemKeyUp = 3 };

class AcceleratorKeyPressedEventArgs : public WebViewEventArgs {
public:
  virtual HRESULT GetKeyEventKind(TKeyEventKind& kind) = 0;
  virtual HRESULT GetVirtualKey(std::uint32_t& key) = 0;
  virtual HRESULT GetKeyEventLParam(std::int32_t& lParam) = 0;
  virtual HRESULT PutHandled(bool handled) = 0;
};

// NavigationStarting and FrameNavigationStarting.
class NavigationStartingEventArgs : public WebViewEventArgs {
public:
  virtual HRESULT GetUri(std::string& uri) = 0;
  virtual HRESULT GetIsUserInitiated(bool& userInitiated) = 0;
  virtual HRESULT GetIsRedirected(bool& redirected) = 0;
  virtual HRESULT PutCancel(bool cancel) = 0;
  virtual HRESULT GetNavigationId(std::uint64_t& id) = 0;
};

// NavigationCompleted and FrameNavigationCompleted.
class NavigationCompletedEventArgs : public WebViewEventArgs {
public:
  virtual HRESULT GetIsSuccess(bool& success) = 0;
  virtual HRESULT GetWebErrorStatus(TWebViewEnumValue& status) = 0;
  virtual HRESULT GetNavigationId(std::uint64_t& id) = 0;
};

class SourceChangedEventArgs : public WebViewEventArgs {
public:
  virtual HRESULT GetIsNewDocument(bool& newDocument) = 0;
};

class ContentLoadingEventArgs : public WebViewEventArgs {
public:
  virtual HRESULT GetIsErrorPage(bool& errorPage) = 0;
  virtual HRESULT GetNavigationId(std::uint64_t& id) = 0;
};

class NewWindowRequestedEventArgs : public WebViewEventArgs {
public:
  virtual HRESULT GetUri(std::string& uri) = 0;
  virtual HRESULT GetIsUserInitiated(bool& userInitiated) = 0;
  // True keeps the engine from opening a window of its own.
  virtual HRESULT PutHandled(bool handled) = 0;
};

class PermissionRequestedEventArgs : public WebViewEventArgs {
public:
  virtual HRESULT GetUri(std::string& uri) = 0;
  virtual HRESULT GetPermissionKind(TWebViewEnumValue& kind) = 0;
  virtual HRESULT GetIsUserInitiated(bool& userInitiated) = 0;
  virtual HRESULT PutState(TWebViewEnumValue state) = 0;
};

class ProcessFailedEventArgs : public WebViewEventArgs {
public:
  virtual HRESULT GetProcessFailedKind(TWebViewEnumValue& kind) = 0;
};

class ScriptDialogOpeningEventArgs : public WebViewEventArgs {
public:
  virtual HRESULT GetUri(std::string& uri) = 0;
  virtual HRESULT GetKind(TWebViewEnumValue& kind) = 0;
  virtual HRESULT GetMessageText(std::string& message) = 0;
  virtual HRESULT GetDefaultText(std::string& text) = 0;
  virtual HRESULT PutResultText(const std::string& text) = 0;
  virtual HRESULT Accept() = 0;
};

class WebMessageReceivedEventArgs : public WebViewEventArgs {
public:
  virtual HRESULT GetSource(std::string& source) = 0;
  virtual HRESULT GetWebMessageAsJson(std::string& json) = 0;
  // Fails with E_INVALIDARG when the page posted something other than a string.
  virtual HRESULT TryGetWebMessageAsString(std::string& text) = 0;
};

class WebResourceRequest {
public:
  virtual ~WebResourceRequest() = default;
  virtual HRESULT GetUri(std::string& uri) = 0;
  virtual HRESULT GetMethod(std::string& method) = 0;
};

// An answer built by the environment; opaque to the portable code.
class WebResourceResponse {
public:
  virtual ~WebResourceResponse() = default;
};

class WebResourceRequestedEventArgs : public WebViewEventArgs {
public:
  virtual HRESULT GetRequest(std::shared_ptr<WebResourceRequest>& request) = 0;
  virtual HRESULT GetResourceContext(TWebViewEnumValue& context) = 0;
  // Replaces the network's answer for this request.
  virtual HRESULT PutResponse(std::shared_ptr<WebResourceResponse> response) = 0;
};

class DevToolsProtocolEventReceivedEventArgs : public WebViewEventArgs {
public:
  virtual HRESULT GetParameterObjectAsJson(std::string& json) = 0;
};

// The engine's Boolean settings that the control and the browser window use.
enum class TWebViewSetting {
  ScriptEnabled,
  WebMessageEnabled,
  DefaultScriptDialogsEnabled,
  StatusBarEnabled,
  DevToolsEnabled,
  DefaultContextMenusEnabled,
  ZoomControlEnabled,
  BuiltInErrorPageEnabled,
};

class WebViewSettings {
public:
  virtual ~WebViewSettings() = default;
  virtual HRESULT GetBool(TWebViewSetting setting, bool& value) = 0;
  virtual HRESULT PutBool(TWebViewSetting setting, bool value) = 0;
};

// The source of one DevTools protocol event; its handlers receive
// DevToolsProtocolEventReceivedEventArgs.
class DevToolsProtocolEventReceiver {
public:
  virtual ~DevToolsProtocolEventReceiver() = default;
  virtual HRESULT AddEventHandler(TWebViewEventHandler handler, TEventToken& token) = 0;
  virtual HRESULT RemoveEventHandler(TEventToken token) = 0;
};

// Completions of the web view's asynchronous operations; they run once, on
// the UI thread.
using TExecuteScriptCompleted = std::function<void(HRESULT result, const std::string& json)>;
using TCapturePreviewCompleted = std::function<void(HRESULT result)>;

class WebView {
public:
  virtual ~WebView() = default;
  virtual HRESULT GetSettings(std::shared_ptr<WebViewSettings>& settings) = 0;
  virtual HRESULT GetBrowserProcessId(std::uint32_t& id) = 0;
  virtual HRESULT AddEventHandler(TWebViewEvent event, TWebViewEventHandler handler,
                                  TEventToken& token) = 0;
  virtual HRESULT RemoveEventHandler(TWebViewEvent event, TEventToken token) = 0;

  virtual HRESULT Navigate(const std::string& uri) = 0;
  virtual HRESULT NavigateToString(const std::string& htmlContent) = 0;
  virtual HRESULT GoBack() = 0;
  virtual HRESULT GoForward() = 0;
  virtual HRESULT Reload() = 0;
  virtual HRESULT Stop() = 0;

  virtual HRESULT GetSource(std::string& uri) = 0;
  virtual HRESULT GetDocumentTitle(std::string& title) = 0;
  virtual HRESULT GetCanGoBack(bool& value) = 0;
  virtual HRESULT GetCanGoForward(bool& value) = 0;
  virtual HRESULT GetContainsFullScreenElement(bool& value) = 0;

  // Runs at the start of every document loaded from now on, in every frame.
  virtual HRESULT AddScriptToExecuteOnDocumentCreated(const std::string& javaScript) = 0;
  // `completed` may be empty: the result is then dropped.
  virtual HRESULT ExecuteScript(const std::string& javaScript,
                                TExecuteScriptCompleted completed) = 0;
  // Delivered to the page as the parsed `data` of a "message" event.
  virtual HRESULT PostWebMessageAsJson(const std::string& json) = 0;

  virtual HRESULT AddWebResourceRequestedFilter(const std::string& uri,
                                                TWebViewEnumValue resourceContext) = 0;
  virtual HRESULT RemoveWebResourceRequestedFilter(const std::string& uri,
                                                   TWebViewEnumValue resourceContext) = 0;

  // Writes a picture of the page (kCapturePreviewPng or kCapturePreviewJpeg)
  // into `stream` from its current position. The engine holds the stream
  // until the completion has run.
  virtual HRESULT CapturePreview(TWebViewEnumValue format, std::shared_ptr<TStream> stream,
                                 TCapturePreviewCompleted completed) = 0;

  virtual HRESULT
  GetDevToolsProtocolEventReceiver(const std::string& eventName,
                                   std::shared_ptr<DevToolsProtocolEventReceiver>& receiver) = 0;
};

class WebViewController {
public:
  virtual ~WebViewController() = default;
  virtual HRESULT GetWebView(std::shared_ptr<WebView>& webView) = 0;
  virtual HRESULT PutIsVisible(bool visible) = 0;
  virtual HRESULT PutBounds(const TBoundsRect& bounds) = 0;
  virtual HRESULT GetZoomFactor(double& zoomFactor) = 0;
  virtual HRESULT PutZoomFactor(double zoomFactor) = 0;
  virtual HRESULT MoveFocus(TMoveFocusReason reason) = 0;
  virtual HRESULT Close() = 0;
  virtual HRESULT AddEventHandler(TControllerEvent event, TWebViewEventHandler handler,
                                  TEventToken& token) = 0;
  virtual HRESULT RemoveEventHandler(TControllerEvent event, TEventToken token) = 0;
};

using TControllerCompleted =
    std::function<void(HRESULT result, std::shared_ptr<WebViewController> controller)>;

class WebViewEnvironment {
public:
  virtual ~WebViewEnvironment() = default;
  // Answers at once whether the request was taken; `completed` runs later on
  // the UI thread.
  virtual HRESULT CreateController(TNativeWindow parent, TControllerCompleted completed) = 0;
  virtual HRESULT GetBrowserVersionString(std::string& version) = 0;
  // An answer to a resource request: `content` (read from its current
  // position; may be null), status code, reason phrase and the raw header
  // block, one header per line.
  virtual HRESULT CreateWebResourceResponse(std::shared_ptr<TStream> content, int statusCode,
                                            const std::string& reasonPhrase,
                                            const std::string& headers,
                                            std::shared_ptr<WebResourceResponse>& response) = 0;
};

using TEnvironmentCompleted =
    std::function<void(HRESULT result, std::shared_ptr<WebViewEnvironment> environment)>;

// The browser engine's loader. The browser folder, user data folder and
// extra browser arguments come from the process environment that start-up
// prepares, so creation takes no options.
class WebViewPlatform {
public:
  virtual ~WebViewPlatform() = default;

  // Loads the loader library and finds its entry points; false when either
  // fails (a later call may try again).
  virtual bool LoadLoader(const std::string& loaderPath) = 0;

  // Only after a successful LoadLoader. Answers at once whether the request
  // was taken; `completed` may run later on any thread.
  virtual HRESULT CreateEnvironment(TEnvironmentCompleted completed) = 0;
  virtual HRESULT GetAvailableBrowserVersionString(std::string& version) = 0;

  // Waits up to `timeoutMs` for the browser process to end and terminates it
  // with `exitCode` when it is still running.
  virtual void EndBrowserProcess(std::uint32_t processId, unsigned timeoutMs,
                                 std::uint32_t exitCode) = 0;
};

} // namespace tessera
