#pragma once

#include "platform/api/event_loop.h"
#include "platform/api/web_view_platform.h"
#include "webview/web_view_loader.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace tessera {

class TCustomEdgeBrowser;

using TNotifyEvent = std::function<void(TCustomEdgeBrowser& sender)>;

// A key message as the owning form's shortcut test sees it.
struct TKeyMessage {
  std::uint32_t Msg = 0; // 0x100 key down, 0x101 key up, 0x104/0x105 system key down/up
  std::uint32_t WParam = 0;
  std::int64_t LParam = 0;
};

using TWebViewCompletedEvent = std::function<void(TCustomEdgeBrowser& sender, HRESULT result)>;

// The window messages the control reacts to, without the platform's values.
enum class TSysCommand { Minimize, Restore, Other };

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
  void Navigate(const std::string& uri);

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

  TWebViewCompletedEvent OnCreateWebViewCompleted;
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
  void ApplyBounds();
  HRESULT WebViewGotFocus();
  HRESULT WebViewLostFocus();
  HRESULT MoveFocusRequested(WebViewEventArgs& args);
  HRESULT AcceleratorKeyPressed(WebViewEventArgs& args);
  void JoinWorker();
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
