#pragma once

#include "platform/api/hresult.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace tessera {

// A window of the platform's toolkit, opaque to the portable code.
using TNativeWindow = std::uintptr_t;

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

class WebViewSettings {
public:
  virtual ~WebViewSettings() = default;
};

class WebView {
public:
  virtual ~WebView() = default;
  virtual HRESULT GetSettings(std::shared_ptr<WebViewSettings>& settings) = 0;
  virtual HRESULT GetBrowserProcessId(std::uint32_t& id) = 0;
  virtual HRESULT Navigate(const std::string& uri) = 0;
  virtual HRESULT AddEventHandler(TWebViewEvent event, TWebViewEventHandler handler,
                                  TEventToken& token) = 0;
  virtual HRESULT RemoveEventHandler(TWebViewEvent event, TEventToken token) = 0;
};

class WebViewController {
public:
  virtual ~WebViewController() = default;
  virtual HRESULT GetWebView(std::shared_ptr<WebView>& webView) = 0;
  virtual HRESULT PutIsVisible(bool visible) = 0;
  virtual HRESULT PutBounds(const TBoundsRect& bounds) = 0;
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
