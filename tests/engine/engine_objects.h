#pragma once

#include "com_object.h"
#include "engine_session.h"
#include "event_list.h"

#include <array>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace tessera::engine {

// The version text the engine reports for itself.
inline constexpr char kEngineVersion[] = "128.0.0.0";

class TEngineController;
class TEngineWebView;
class TPagePlayer;

// A handler argument that carries no data, for the events whose handlers
// query the sender instead.
class TEmptyArgs final : public TComObject<IUnknown> {};

class TEngineSettings final : public TComObject<ICoreWebView2Settings> {
public:
  enum TIndex {
    IsScriptEnabled,
    IsWebMessageEnabled,
    AreDefaultScriptDialogsEnabled,
    IsStatusBarEnabled,
    AreDevToolsEnabled,
    AreDefaultContextMenusEnabled,
    AreHostObjectsAllowed,
    IsZoomControlEnabled,
    IsBuiltInErrorPageEnabled,
    Count
  };

  explicit TEngineSettings(TSessionPtr session) : FSession(std::move(session)) {}
  bool Value(TIndex index) const { return FValues[index] != FALSE; }

#define TESSERA_ENGINE_SETTING(Name)                                                               \
  HRESULT STDMETHODCALLTYPE get_##Name(BOOL* value) override {                                     \
    return Get(Name, value);                                                                       \
  }                                                                                                \
  HRESULT STDMETHODCALLTYPE put_##Name(BOOL value) override {                                      \
    return Put(Name, value);                                                                       \
  }
  TESSERA_ENGINE_SETTING(IsScriptEnabled)
  TESSERA_ENGINE_SETTING(IsWebMessageEnabled)
  TESSERA_ENGINE_SETTING(AreDefaultScriptDialogsEnabled)
  TESSERA_ENGINE_SETTING(IsStatusBarEnabled)
  TESSERA_ENGINE_SETTING(AreDevToolsEnabled)
  TESSERA_ENGINE_SETTING(AreDefaultContextMenusEnabled)
  TESSERA_ENGINE_SETTING(AreHostObjectsAllowed)
  TESSERA_ENGINE_SETTING(IsZoomControlEnabled)
  TESSERA_ENGINE_SETTING(IsBuiltInErrorPageEnabled)
#undef TESSERA_ENGINE_SETTING

private:
  HRESULT Get(TIndex index, BOOL* value);
  HRESULT Put(TIndex index, BOOL value);

  TSessionPtr FSession;
  // Every setting starts enabled, as in the runtime.
  std::array<BOOL, Count> FValues{TRUE, TRUE, TRUE, TRUE, TRUE, TRUE, TRUE, TRUE, TRUE};
};

class TDevToolsReceiver final : public TComObject<ICoreWebView2DevToolsProtocolEventReceiver> {
public:
  TDevToolsReceiver(TSessionPtr session, const std::string& eventName)
      : FSession(std::move(session)),
        Handlers(*FSession, "DevToolsProtocolEventReceived:" + eventName) {}
  HRESULT STDMETHODCALLTYPE
  add_DevToolsProtocolEventReceived(ICoreWebView2DevToolsProtocolEventReceivedEventHandler* handler,
                                    EventRegistrationToken* token) override {
    return Handlers.Add(handler, token);
  }
  HRESULT STDMETHODCALLTYPE
  remove_DevToolsProtocolEventReceived(EventRegistrationToken token) override {
    return Handlers.Remove(token);
  }

private:
  TSessionPtr FSession;

public:
  TEventList<ICoreWebView2DevToolsProtocolEventReceivedEventHandler> Handlers;
};

class TEngineEnvironment final : public TComObject<ICoreWebView2Environment> {
public:
  explicit TEngineEnvironment(TSessionPtr session)
      : FSession(std::move(session)), FVersionHandlers(*FSession, "NewBrowserVersionAvailable") {}

  HRESULT STDMETHODCALLTYPE CreateCoreWebView2Controller(
      HWND parentWindow,
      ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* handler) override;
  HRESULT STDMETHODCALLTYPE
  CreateWebResourceResponse(IStream* content, int statusCode, LPCWSTR reasonPhrase, LPCWSTR headers,
                            ICoreWebView2WebResourceResponse** response) override;
  HRESULT STDMETHODCALLTYPE get_BrowserVersionString(LPWSTR* versionInfo) override;
  HRESULT STDMETHODCALLTYPE
  add_NewBrowserVersionAvailable(ICoreWebView2NewBrowserVersionAvailableEventHandler* handler,
                                 EventRegistrationToken* token) override {
    return FVersionHandlers.Add(handler, token);
  }
  HRESULT STDMETHODCALLTYPE
  remove_NewBrowserVersionAvailable(EventRegistrationToken token) override {
    return FVersionHandlers.Remove(token);
  }

private:
  TSessionPtr FSession;
  TEventList<ICoreWebView2NewBrowserVersionAvailableEventHandler> FVersionHandlers;
};

class TEngineController final : public TComObject<ICoreWebView2Controller> {
public:
  TEngineController(TSessionPtr session, HWND parent);
  ~TEngineController() override;

  HRESULT STDMETHODCALLTYPE get_IsVisible(BOOL* isVisible) override;
  HRESULT STDMETHODCALLTYPE put_IsVisible(BOOL isVisible) override;
  HRESULT STDMETHODCALLTYPE get_Bounds(RECT* bounds) override;
  HRESULT STDMETHODCALLTYPE put_Bounds(RECT bounds) override;
  HRESULT STDMETHODCALLTYPE get_ZoomFactor(double* zoomFactor) override;
  HRESULT STDMETHODCALLTYPE put_ZoomFactor(double zoomFactor) override;
  HRESULT STDMETHODCALLTYPE add_ZoomFactorChanged(ICoreWebView2ZoomFactorChangedEventHandler* h,
                                                  EventRegistrationToken* token) override {
    return Begin("add_ZoomFactorChanged", [&] { return ZoomFactorChanged.Add(h, token); });
  }
  HRESULT STDMETHODCALLTYPE remove_ZoomFactorChanged(EventRegistrationToken token) override {
    return Begin("remove_ZoomFactorChanged", [&] { return ZoomFactorChanged.Remove(token); });
  }
  HRESULT STDMETHODCALLTYPE SetBoundsAndZoomFactor(RECT bounds, double zoomFactor) override;
  HRESULT STDMETHODCALLTYPE MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON reason) override;
  HRESULT STDMETHODCALLTYPE add_MoveFocusRequested(ICoreWebView2MoveFocusRequestedEventHandler* h,
                                                   EventRegistrationToken* token) override {
    return Begin("add_MoveFocusRequested", [&] { return MoveFocusRequested.Add(h, token); });
  }
  HRESULT STDMETHODCALLTYPE remove_MoveFocusRequested(EventRegistrationToken token) override {
    return Begin("remove_MoveFocusRequested", [&] { return MoveFocusRequested.Remove(token); });
  }
  HRESULT STDMETHODCALLTYPE add_GotFocus(ICoreWebView2FocusChangedEventHandler* h,
                                         EventRegistrationToken* token) override {
    return Begin("add_GotFocus", [&] { return GotFocus.Add(h, token); });
  }
  HRESULT STDMETHODCALLTYPE remove_GotFocus(EventRegistrationToken token) override {
    return Begin("remove_GotFocus", [&] { return GotFocus.Remove(token); });
  }
  HRESULT STDMETHODCALLTYPE add_LostFocus(ICoreWebView2FocusChangedEventHandler* h,
                                          EventRegistrationToken* token) override {
    return Begin("add_LostFocus", [&] { return LostFocus.Add(h, token); });
  }
  HRESULT STDMETHODCALLTYPE remove_LostFocus(EventRegistrationToken token) override {
    return Begin("remove_LostFocus", [&] { return LostFocus.Remove(token); });
  }
  HRESULT STDMETHODCALLTYPE add_AcceleratorKeyPressed(
      ICoreWebView2AcceleratorKeyPressedEventHandler* h, EventRegistrationToken* token) override {
    return Begin("add_AcceleratorKeyPressed", [&] { return AcceleratorKeyPressed.Add(h, token); });
  }
  HRESULT STDMETHODCALLTYPE remove_AcceleratorKeyPressed(EventRegistrationToken token) override {
    return Begin("remove_AcceleratorKeyPressed",
                 [&] { return AcceleratorKeyPressed.Remove(token); });
  }
  HRESULT STDMETHODCALLTYPE get_ParentWindow(HWND* parentWindow) override;
  HRESULT STDMETHODCALLTYPE put_ParentWindow(HWND parentWindow) override;
  HRESULT STDMETHODCALLTYPE NotifyParentWindowPositionChanged() override;
  HRESULT STDMETHODCALLTYPE Close() override;
  HRESULT STDMETHODCALLTYPE get_CoreWebView2(ICoreWebView2** coreWebView2) override;

  HWND Parent() const { return FParent; }
  // The child window standing for the page, inside the parent.
  HWND View() const { return FView; }
  bool Closed() const { return FClosed; }
  void SetZoomFromPage(double zoomFactor);

  TEventList<ICoreWebView2ZoomFactorChangedEventHandler> ZoomFactorChanged;
  TEventList<ICoreWebView2MoveFocusRequestedEventHandler> MoveFocusRequested;
  TEventList<ICoreWebView2FocusChangedEventHandler> GotFocus;
  TEventList<ICoreWebView2FocusChangedEventHandler> LostFocus;
  TEventList<ICoreWebView2AcceleratorKeyPressedEventHandler> AcceleratorKeyPressed;

private:
  // Runs a recorded call unless the controller is closed or the test made
  // the call fail.
  template <class F> HRESULT Begin(const std::string& method, F&& call) {
    if (FClosed)
      return FSession->Fail(method, kInvalidState);
    return call();
  }
  HRESULT Enter(const std::string& method, const std::string& line);
  void ApplyWindow();
  void CloseNow();

  TSessionPtr FSession;
  HWND FParent;
  HWND FView = nullptr;
  bool FClosed = false;
  BOOL FVisible = TRUE;
  RECT FBounds{0, 0, 0, 0};
  double FZoom = 1.0;
  TComPtr<TEngineWebView> FWebView;
};

class TEngineWebView final : public TComObject<ICoreWebView2> {
public:
  TEngineWebView(TSessionPtr session, TEngineController* controller);
  ~TEngineWebView() override;

  HRESULT STDMETHODCALLTYPE get_Settings(ICoreWebView2Settings** settings) override;
  HRESULT STDMETHODCALLTYPE get_Source(LPWSTR* uri) override;
  HRESULT STDMETHODCALLTYPE Navigate(LPCWSTR uri) override;
  HRESULT STDMETHODCALLTYPE NavigateToString(LPCWSTR htmlContent) override;

#define TESSERA_ENGINE_EVENT(Name, Handler)                                                        \
  HRESULT STDMETHODCALLTYPE add_##Name(Handler* h, EventRegistrationToken* token) override {       \
    return Begin("add_" #Name, [&] { return Name.Add(h, token); });                                \
  }                                                                                                \
  HRESULT STDMETHODCALLTYPE remove_##Name(EventRegistrationToken token) override {                 \
    return Begin("remove_" #Name, [&] { return Name.Remove(token); });                             \
  }
  TESSERA_ENGINE_EVENT(NavigationStarting, ICoreWebView2NavigationStartingEventHandler)
  TESSERA_ENGINE_EVENT(ContentLoading, ICoreWebView2ContentLoadingEventHandler)
  TESSERA_ENGINE_EVENT(SourceChanged, ICoreWebView2SourceChangedEventHandler)
  TESSERA_ENGINE_EVENT(HistoryChanged, ICoreWebView2HistoryChangedEventHandler)
  TESSERA_ENGINE_EVENT(NavigationCompleted, ICoreWebView2NavigationCompletedEventHandler)
  TESSERA_ENGINE_EVENT(FrameNavigationStarting, ICoreWebView2NavigationStartingEventHandler)
  TESSERA_ENGINE_EVENT(FrameNavigationCompleted, ICoreWebView2NavigationCompletedEventHandler)
  TESSERA_ENGINE_EVENT(ScriptDialogOpening, ICoreWebView2ScriptDialogOpeningEventHandler)
  TESSERA_ENGINE_EVENT(PermissionRequested, ICoreWebView2PermissionRequestedEventHandler)
  TESSERA_ENGINE_EVENT(ProcessFailed, ICoreWebView2ProcessFailedEventHandler)
  TESSERA_ENGINE_EVENT(WebMessageReceived, ICoreWebView2WebMessageReceivedEventHandler)
  TESSERA_ENGINE_EVENT(NewWindowRequested, ICoreWebView2NewWindowRequestedEventHandler)
  TESSERA_ENGINE_EVENT(DocumentTitleChanged, ICoreWebView2DocumentTitleChangedEventHandler)
  TESSERA_ENGINE_EVENT(ContainsFullScreenElementChanged,
                       ICoreWebView2ContainsFullScreenElementChangedEventHandler)
  TESSERA_ENGINE_EVENT(WebResourceRequested, ICoreWebView2WebResourceRequestedEventHandler)
  TESSERA_ENGINE_EVENT(WindowCloseRequested, ICoreWebView2WindowCloseRequestedEventHandler)
#undef TESSERA_ENGINE_EVENT

  HRESULT STDMETHODCALLTYPE AddScriptToExecuteOnDocumentCreated(
      LPCWSTR javaScript,
      ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler* handler) override;
  HRESULT STDMETHODCALLTYPE RemoveScriptToExecuteOnDocumentCreated(LPCWSTR id) override;
  HRESULT STDMETHODCALLTYPE
  ExecuteScript(LPCWSTR javaScript, ICoreWebView2ExecuteScriptCompletedHandler* handler) override;
  HRESULT STDMETHODCALLTYPE
  CapturePreview(COREWEBVIEW2_CAPTURE_PREVIEW_IMAGE_FORMAT imageFormat, IStream* imageStream,
                 ICoreWebView2CapturePreviewCompletedHandler* handler) override;
  HRESULT STDMETHODCALLTYPE Reload() override;
  HRESULT STDMETHODCALLTYPE PostWebMessageAsJson(LPCWSTR webMessageAsJson) override;
  HRESULT STDMETHODCALLTYPE PostWebMessageAsString(LPCWSTR webMessageAsString) override;
  HRESULT STDMETHODCALLTYPE CallDevToolsProtocolMethod(
      LPCWSTR, LPCWSTR, ICoreWebView2CallDevToolsProtocolMethodCompletedHandler*) override {
    return FSession->Fail("CallDevToolsProtocolMethod", E_NOTIMPL);
  }
  HRESULT STDMETHODCALLTYPE get_BrowserProcessId(UINT32* value) override;
  HRESULT STDMETHODCALLTYPE get_CanGoBack(BOOL* canGoBack) override;
  HRESULT STDMETHODCALLTYPE get_CanGoForward(BOOL* canGoForward) override;
  HRESULT STDMETHODCALLTYPE GoBack() override;
  HRESULT STDMETHODCALLTYPE GoForward() override;
  HRESULT STDMETHODCALLTYPE GetDevToolsProtocolEventReceiver(
      LPCWSTR eventName, ICoreWebView2DevToolsProtocolEventReceiver** receiver) override;
  HRESULT STDMETHODCALLTYPE Stop() override;
  HRESULT STDMETHODCALLTYPE get_DocumentTitle(LPWSTR* title) override;
  HRESULT STDMETHODCALLTYPE AddHostObjectToScript(LPCWSTR, VARIANT*) override {
    return FSession->Fail("AddHostObjectToScript", E_NOTIMPL);
  }
  HRESULT STDMETHODCALLTYPE RemoveHostObjectFromScript(LPCWSTR) override {
    return FSession->Fail("RemoveHostObjectFromScript", E_NOTIMPL);
  }
  HRESULT STDMETHODCALLTYPE OpenDevToolsWindow() override;
  HRESULT STDMETHODCALLTYPE get_ContainsFullScreenElement(BOOL* value) override;
  HRESULT STDMETHODCALLTYPE AddWebResourceRequestedFilter(
      LPCWSTR uri, COREWEBVIEW2_WEB_RESOURCE_CONTEXT resourceContext) override;
  HRESULT STDMETHODCALLTYPE RemoveWebResourceRequestedFilter(
      LPCWSTR uri, COREWEBVIEW2_WEB_RESOURCE_CONTEXT resourceContext) override;

  // Called by the controller as it closes: handlers go, calls fail from now.
  void CloseFromController();
  void ForgetController() {
    FController = nullptr;
  }
  TEngineController* Controller() const {
    return FController;
  }
  TEngineSession& Session() {
    return *FSession;
  }
  const TEngineSettings& Settings() const {
    return *FSettings;
  }
  bool Closed() const {
    return FClosed;
  }

  const std::string& Source() const {
    return FSource;
  }
  void SetTitle(const std::string& title) {
    FTitle = title;
  }
  void SetFullScreen(bool value) {
    FFullScreen = value;
  }
  std::size_t DocumentScriptCount() const {
    return FDocumentScripts.size();
  }
  // Whether a resource filter takes `uri` in `context`.
  bool Filtered(const std::string& uri, INT32 context) const;
  // The receiver for one DevTools event name, or null when none was asked for.
  TDevToolsReceiver* Receiver(const std::string& eventName);

  // Where the page is now, set by the player as a navigation commits.
  void Commit(const std::string& uri);

  TEventList<ICoreWebView2NavigationStartingEventHandler> NavigationStarting;
  TEventList<ICoreWebView2ContentLoadingEventHandler> ContentLoading;
  TEventList<ICoreWebView2SourceChangedEventHandler> SourceChanged;
  TEventList<ICoreWebView2HistoryChangedEventHandler> HistoryChanged;
  TEventList<ICoreWebView2NavigationCompletedEventHandler> NavigationCompleted;
  TEventList<ICoreWebView2NavigationStartingEventHandler> FrameNavigationStarting;
  TEventList<ICoreWebView2NavigationCompletedEventHandler> FrameNavigationCompleted;
  TEventList<ICoreWebView2ScriptDialogOpeningEventHandler> ScriptDialogOpening;
  TEventList<ICoreWebView2PermissionRequestedEventHandler> PermissionRequested;
  TEventList<ICoreWebView2ProcessFailedEventHandler> ProcessFailed;
  TEventList<ICoreWebView2WebMessageReceivedEventHandler> WebMessageReceived;
  TEventList<ICoreWebView2NewWindowRequestedEventHandler> NewWindowRequested;
  TEventList<ICoreWebView2DocumentTitleChangedEventHandler> DocumentTitleChanged;
  TEventList<ICoreWebView2ContainsFullScreenElementChangedEventHandler>
      ContainsFullScreenElementChanged;
  TEventList<ICoreWebView2WebResourceRequestedEventHandler> WebResourceRequested;
  TEventList<ICoreWebView2WindowCloseRequestedEventHandler> WindowCloseRequested;

private:
  template <class F> HRESULT Begin(const std::string& method, F&& call) {
    if (FClosed)
      return FSession->Fail(method, kInvalidState);
    return call();
  }
  HRESULT Enter(const std::string& method, const std::string& line);
  // Starts a navigation the host or the page asked for.
  void StartNavigation(const std::string& uri, bool userInitiated);

  TSessionPtr FSession;
  TEngineController* FController;
  TComPtr<TEngineSettings> FSettings;
  std::unique_ptr<TPagePlayer> FPlayer;
  bool FClosed = false;
  std::string FSource = "about:blank";
  std::string FTitle;
  bool FFullScreen = false;
  std::vector<std::pair<std::string, std::string>> FDocumentScripts;
  int FLastScriptId = 0;
  std::vector<std::pair<std::string, INT32>> FFilters;
  std::map<std::string, TComPtr<TDevToolsReceiver>> FReceivers;
  std::vector<std::string> FHistory;
  std::size_t FHistoryIndex = 0;

  friend class TPagePlayer;
};

} // namespace tessera::engine
