#pragma once

#include "base/stream.h"
#include "platform/api/event_loop.h"
#include "platform/api/toolkit.h"
#include "platform/api/web_view_platform.h"
#include "webview/edge_browser_events.h"
#include "webview/web_view_loader.h"

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace tessera {

// A key message as the owning form's shortcut test sees it.
struct TKeyMessage {
  std::uint32_t Msg = 0; // 0x100 key down, 0x101 key up, 0x104/0x105 system key down/up
  std::uint32_t WParam = 0;
  std::int64_t LParam = 0;
};

// Hosts one browser web view inside the control's window: creates it on a
// worker thread, hands every later step back to the UI thread, keeps it
// sized and shown with the control and tears it down again.
class TCustomEdgeBrowser {
public:
  enum class TBrowserControlState : std::uint8_t {
    None = 0,
    Creating = 1,
    Created = 2,
    Failed = 3
  };
  enum class TPreviewFormat { PNG = 0, JPEG = 1 };

  TCustomEdgeBrowser(TWebViewLoader& loader, EventLoop& loop);
  virtual ~TCustomEdgeBrowser();
  TCustomEdgeBrowser(const TCustomEdgeBrowser&) = delete;
  TCustomEdgeBrowser& operator=(const TCustomEdgeBrowser&) = delete;

  // Window integration: the toolkit calls these.
  void SetParentWindow(TNativeWindow window);
  void RecreateWindowHandle(TNativeWindow window);
  void Resize(const TBoundsRect& clientRect);
  void SetVisible(bool visible);
  void HandleSysCommand(TSysCommand command);

  // The toolkit's focus notifications and the programmatic focus request.
  void DoEnter();
  void DoExit();
  void SetFocus();

  void CreateWebView();
  void CloseWebView();
  void ReinitializeWebView();
  void ReinitializeWebViewWithNewBrowser();
  void CloseBrowserProcess();

  // Browsing operations. Each acts only while a web view exists, except that
  // Navigate remembers a URL asked for before (see LastURL).
  void Navigate(const std::string& uri);
  void NavigateToString(const std::string& htmlContent);
  void GoBack();
  void GoForward();
  void Refresh();
  void Stop();
  // The result arrives later through OnExecuteScript.
  void ExecuteScript(const std::string& javaScript);
  void AddWebResourceRequestedFilter(const std::string& url, TWebViewEnumValue resourceContext);
  void RemoveWebResourceRequestedFilter(const std::string& url, TWebViewEnumValue resourceContext);
  // Writes a picture of the page into a new or truncated file; the outcome
  // arrives through OnCapturePreviewCompleted.
  void CapturePreview(const std::string& fileName, TPreviewFormat previewFormat);
  // Writes a picture of the page into `stream` from its start. The caller
  // keeps the stream and must keep it alive until OnCapturePreviewCompleted.
  void CapturePreview(TStream& stream, TPreviewFormat previewFormat);
  // Forwards the DevTools protocol event of that name to
  // OnDevToolsProtocolEventReceived; subscribing again replaces the handler.
  void SubscribeToCDPEvent(const std::string& cdpEventName);

  // Queries: false, empty or 0.0 without a web view or when the read fails.
  bool CanGoBack();
  bool CanGoForward();
  bool ContainsFullScreenElement();
  std::string DocumentTitle();
  // Empty for the blank page as well.
  std::string LocationURL();
  double ZoomFactor();
  void SetZoomFactor(double zoomFactor);

  // The web view's Boolean settings. Both directions raise EEdgeError while
  // no settings are held; a failed read raises it as well, a failed write is
  // only recorded.
  bool ScriptEnabled() { return ReadSetting(TWebViewSetting::ScriptEnabled); }
  void SetScriptEnabled(bool value) { WriteSetting(TWebViewSetting::ScriptEnabled, value); }
  bool WebMessageEnabled() { return ReadSetting(TWebViewSetting::WebMessageEnabled); }
  void SetWebMessageEnabled(bool value) { WriteSetting(TWebViewSetting::WebMessageEnabled, value); }
  bool DefaultScriptDialogsEnabled() {
    return ReadSetting(TWebViewSetting::DefaultScriptDialogsEnabled);
  }
  void SetDefaultScriptDialogsEnabled(bool value) {
    WriteSetting(TWebViewSetting::DefaultScriptDialogsEnabled, value);
  }
  bool StatusBarEnabled() { return ReadSetting(TWebViewSetting::StatusBarEnabled); }
  void SetStatusBarEnabled(bool value) { WriteSetting(TWebViewSetting::StatusBarEnabled, value); }
  bool DevToolsEnabled() { return ReadSetting(TWebViewSetting::DevToolsEnabled); }
  void SetDevToolsEnabled(bool value) { WriteSetting(TWebViewSetting::DevToolsEnabled, value); }
  bool DefaultContextMenusEnabled() {
    return ReadSetting(TWebViewSetting::DefaultContextMenusEnabled);
  }
  void SetDefaultContextMenusEnabled(bool value) {
    WriteSetting(TWebViewSetting::DefaultContextMenusEnabled, value);
  }
  bool ZoomControlEnabled() { return ReadSetting(TWebViewSetting::ZoomControlEnabled); }
  void SetZoomControlEnabled(bool value) {
    WriteSetting(TWebViewSetting::ZoomControlEnabled, value);
  }
  bool BuiltInErrorPageEnabled() { return ReadSetting(TWebViewSetting::BuiltInErrorPageEnabled); }
  void SetBuiltInErrorPageEnabled(bool value) {
    WriteSetting(TWebViewSetting::BuiltInErrorPageEnabled, value);
  }

  TBrowserControlState BrowserControlState() const { return FBrowserControlState; }
  bool WebViewCreated() const;
  HRESULT LastErrorCode() const;
  std::shared_ptr<WebView> DefaultInterface() const { return FWebView; }
  std::shared_ptr<WebViewController> ControllerInterface() const { return FWebViewController; }
  std::shared_ptr<WebViewEnvironment> EnvironmentInterface() const { return FWebViewEnvironment; }
  std::shared_ptr<WebViewSettings> SettingsInterface() const { return FWebViewSettings; }
  std::uint32_t BrowserProcessID();
  std::string BrowserVersionInfo();
  double SizeRatio() const { return FSizeRatio; }
  void SetSizeRatio(double ratio);
  const std::string& LastURL() const { return FLastURL; }
  void SetLastURL(const std::string& url) { FLastURL = url; }

  // The web view's notifications reach these on the UI thread. An event
  // that is not assigned costs nothing: its platform arguments are not read.
  TWebViewStatusEvent OnCapturePreviewCompleted;
  TContainsFullScreenElementChangedEvent OnContainsFullScreenElementChanged;
  TContentLoadingEvent OnContentLoading;
  TWebViewStatusEvent OnCreateWebViewCompleted;
  TDevToolsProtocolEventReceivedEvent OnDevToolsProtocolEventReceived;
  TDocumentTitleChangedEvent OnDocumentTitleChanged;
  TExecuteScriptEvent OnExecuteScript;
  TNavigationStartingEvent OnFrameNavigationStarting;
  TNavigationCompletedEvent OnFrameNavigationCompleted;
  THistoryChangedEvent OnHistoryChanged;
  TNavigationStartingEvent OnNavigationStarting;
  TNavigationCompletedEvent OnNavigationCompleted;
  TNewWindowRequestedEvent OnNewWindowRequested;
  TPermissionRequestedEvent OnPermissionRequested;
  TProcessFailedEvent OnProcessFailed;
  TScriptDialogOpeningEvent OnScriptDialogOpening;
  TSourceChangedEvent OnSourceChanged;
  TWebMessageReceivedEvent OnWebMessageReceived;
  TWebResourceRequestedEvent OnWebResourceRequested;
  TNotifyEvent OnWindowCloseRequested;
  TZoomFactorChangedEvent OnZoomFactorChanged;

  TNotifyEvent OnEnter;
  TNotifyEvent OnExit;

  // Supplied by the owner: the owning form's shortcut test (absent when the
  // control has no form) and the move of the input focus to the next or
  // previous tab stop from this control.
  std::function<bool(const TKeyMessage& message)> IsShortCut;
  std::function<void(bool forward)> SelectNextTabStop;

protected:
  // Stores the code as the last error and answers whether it is a success.
  bool RecordResult(HRESULT code);

private:
  void ResetForCreation();
  void RequestEnvironment();
  void CreateEnvironmentCompleted(HRESULT result, std::shared_ptr<WebViewEnvironment> environment);
  void CreateCoreWebView2ControllerCompleted(HRESULT result,
                                             std::shared_ptr<WebViewController> controller);
  void RegisterHandlers();
  TWebViewEventHandler WebViewHandler(TWebViewEvent event);
  HRESULT WebViewNotification(TWebViewEvent event, WebViewEventArgs& args);
  HRESULT ZoomFactorChanged();
  HRESULT DevToolsProtocolEventReceived(const std::string& cdpEventName, WebViewEventArgs& args);
  void ExecuteScriptCompleted(HRESULT result, const std::string& json);
  void CapturePreviewCompleted(HRESULT result);
  void StartCapturePreview(std::shared_ptr<TStream> stream, TPreviewFormat previewFormat);
  bool ReadSetting(TWebViewSetting setting);
  void WriteSetting(TWebViewSetting setting, bool value);
  void ApplyBounds();
  HRESULT WebViewGotFocus();
  HRESULT WebViewLostFocus();
  HRESULT MoveFocusRequested(WebViewEventArgs& args);
  HRESULT AcceleratorKeyPressed(WebViewEventArgs& args);
  void JoinWorker();
  // The completion handler of a created web view failed: closes the web
  // view, sets the state Failed and raises the error from the loop.
  void FailCreation(const std::string& reason);
  // Queues work that is skipped once the control is gone.
  void PostGuarded(std::function<void(TCustomEdgeBrowser&)> work);
  void PostCreateWebViewCompleted(HRESULT result);

  TWebViewLoader& FLoader;
  EventLoop& FLoop;
  TBrowserControlState FBrowserControlState = TBrowserControlState::None;
  std::shared_ptr<WebViewEnvironment> FWebViewEnvironment;
  std::shared_ptr<WebViewController> FWebViewController;
  std::shared_ptr<WebView> FWebView;
  std::shared_ptr<WebViewSettings> FWebViewSettings;
  double FSizeRatio = 1.0;
  HRESULT FLastErrorCode = kSOk;
  std::string FLastURL;
  mutable std::mutex FCritSec;
  TNativeWindow FWindow = 0;
  TBoundsRect FClientRect;
  bool FWebViewFocusEventActive = false;
  std::array<TEventToken, 16> FWebViewTokens{};
  std::array<TEventToken, 5> FControllerTokens{};
  std::map<std::string, TEventToken> FDevToolsProtocolEventReceivedTokenMap;
  std::thread FWorker;
  // Queued work holds a weak reference; it is dropped on destruction.
  std::shared_ptr<TCustomEdgeBrowser*> FAlive;
};

// The control as applications place it.
class TEdgeBrowser : public TCustomEdgeBrowser {
public:
  using TCustomEdgeBrowser::TCustomEdgeBrowser;
};

} // namespace tessera
