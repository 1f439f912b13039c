#include "engine_objects.h"
#include "event_args.h"
#include "page_player.h"

#include <nlohmann/json.hpp>

namespace tessera::engine {

namespace {

// Stand-ins for a picture of the page: a small image of each format, enough
// for a test to tell the format by its signature and to see that the stream
// was written from its start.
constexpr unsigned char kPng[] = {
    0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48,
    0x44, 0x52, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x08, 0x02, 0x00, 0x00,
    0x00, 0x90, 0x77, 0x53, 0xDE, 0x00, 0x00, 0x00, 0x0C, 0x49, 0x44, 0x41, 0x54, 0x08,
    0xD7, 0x63, 0xF8, 0xFF, 0xFF, 0x3F, 0x00, 0x05, 0xFE, 0x02, 0xFE, 0xDC, 0xCC, 0x59,
    0xE7, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82};
constexpr unsigned char kJpeg[] = {
    0xFF, 0xD8, 0xFF, 0xDB, 0x00, 0x43, 0x00, 0x03, 0x02, 0x02, 0x02, 0x02, 0x02, 0x03, 0x02, 0x02,
    0x02, 0x03, 0x03, 0x03, 0x03, 0x04, 0x06, 0x04, 0x04, 0x04, 0x04, 0x04, 0x08, 0x06, 0x06, 0x05,
    0x06, 0x09, 0x08, 0x0A, 0x0A, 0x09, 0x08, 0x09, 0x09, 0x0A, 0x0C, 0x0F, 0x0C, 0x0A, 0x0B, 0x0E,
    0x0B, 0x09, 0x09, 0x0D, 0x11, 0x0D, 0x0E, 0x0F, 0x10, 0x10, 0x11, 0x10, 0x0A, 0x0C, 0x12, 0x13,
    0x12, 0x10, 0x13, 0x0F, 0x10, 0x10, 0x10, 0xFF, 0xC9, 0x00, 0x0B, 0x08, 0x00, 0x01, 0x00, 0x01,
    0x01, 0x01, 0x11, 0x00, 0xFF, 0xCC, 0x00, 0x06, 0x00, 0x10, 0x10, 0x05, 0xFF, 0xDA, 0x00, 0x08,
    0x01, 0x01, 0x00, 0x00, 0x3F, 0x00, 0xD2, 0xCF, 0x20, 0xFF, 0xD9};

std::string Text(LPCWSTR text) {
  return text != nullptr ? win32::Narrow(text) : std::string();
}

std::string FirstLine(const std::string& text) {
  const auto end = text.find_first_of("\r\n");
  return end == std::string::npos ? text : text.substr(0, end);
}

} // namespace

TEngineWebView::TEngineWebView(TSessionPtr session, TEngineController* controller)
    : NavigationStarting(*session, "NavigationStarting"),
      ContentLoading(*session, "ContentLoading"), SourceChanged(*session, "SourceChanged"),
      HistoryChanged(*session, "HistoryChanged"),
      NavigationCompleted(*session, "NavigationCompleted"),
      FrameNavigationStarting(*session, "FrameNavigationStarting"),
      FrameNavigationCompleted(*session, "FrameNavigationCompleted"),
      ScriptDialogOpening(*session, "ScriptDialogOpening"),
      PermissionRequested(*session, "PermissionRequested"),
      ProcessFailed(*session, "ProcessFailed"), WebMessageReceived(*session, "WebMessageReceived"),
      NewWindowRequested(*session, "NewWindowRequested"),
      DocumentTitleChanged(*session, "DocumentTitleChanged"),
      ContainsFullScreenElementChanged(*session, "ContainsFullScreenElementChanged"),
      WebResourceRequested(*session, "WebResourceRequested"),
      WindowCloseRequested(*session, "WindowCloseRequested"), FSession(std::move(session)),
      FController(controller), FSettings(MakeObject<TEngineSettings>(FSession)),
      FPlayer(std::make_unique<TPagePlayer>(*this)) {}

TEngineWebView::~TEngineWebView() = default;

HRESULT TEngineWebView::Enter(const std::string& method, const std::string& line) {
  if (FClosed) {
    FSession->Log(line);
    return FSession->Fail(method, kInvalidState);
  }
  return FSession->EnterAndLog(method, line);
}

void TEngineWebView::CloseFromController() {
  FClosed = true;
  FPlayer->Stop();
  for (auto* list : {&NavigationStarting, &FrameNavigationStarting})
    list->ReleaseAll();
  for (auto* list : {&NavigationCompleted, &FrameNavigationCompleted})
    list->ReleaseAll();
  ContentLoading.ReleaseAll();
  SourceChanged.ReleaseAll();
  HistoryChanged.ReleaseAll();
  ScriptDialogOpening.ReleaseAll();
  PermissionRequested.ReleaseAll();
  ProcessFailed.ReleaseAll();
  WebMessageReceived.ReleaseAll();
  NewWindowRequested.ReleaseAll();
  DocumentTitleChanged.ReleaseAll();
  ContainsFullScreenElementChanged.ReleaseAll();
  WebResourceRequested.ReleaseAll();
  WindowCloseRequested.ReleaseAll();
  for (auto& [name, receiver] : FReceivers)
    receiver->Handlers.ReleaseAll();
}

HRESULT TEngineWebView::get_Settings(ICoreWebView2Settings** settings) {
  return Begin("get_Settings", [&] {
    if (const HRESULT code = FSession->Enter("get_Settings"); FAILED(code))
      return code;
    if (settings == nullptr)
      return E_POINTER;
    *settings = TComPtr<ICoreWebView2Settings>(FSettings.Get()).Detach();
    return S_OK;
  });
}

HRESULT TEngineWebView::get_Source(LPWSTR* uri) {
  return Begin("get_Source", [&] {
    if (const HRESULT code = FSession->Enter("get_Source"); FAILED(code))
      return code;
    return OutString(uri, FSource);
  });
}

void TEngineWebView::StartNavigation(const std::string& uri, bool userInitiated) {
  FPlayer->Navigate(uri, userInitiated);
}

void TEngineWebView::Commit(const std::string& uri) {
  FSource = uri;
  if (FHistoryIndex < FHistory.size() && FHistory[FHistoryIndex] == uri)
    return;
  if (!FHistory.empty())
    FHistory.resize(FHistoryIndex + 1);
  FHistory.push_back(uri);
  FHistoryIndex = FHistory.size() - 1;
}

HRESULT TEngineWebView::Navigate(LPCWSTR uri) {
  const std::string target = Text(uri);
  if (const HRESULT code = Enter("Navigate", "Navigate " + TEngineLog::RestOfLine(target));
      FAILED(code))
    return code;
  if (uri == nullptr)
    return FSession->Fail("Navigate", E_POINTER);
  if (target.find(':') == std::string::npos)
    return FSession->Fail("Navigate", E_INVALIDARG);
  StartNavigation(target, false);
  return S_OK;
}

HRESULT TEngineWebView::NavigateToString(LPCWSTR htmlContent) {
  const std::string html = Text(htmlContent);
  if (const HRESULT code =
          Enter("NavigateToString", "NavigateToString " + std::to_string(html.size()));
      FAILED(code))
    return code;
  // The runtime's limit for a document given as text.
  if (html.size() > 2 * 1024 * 1024)
    return FSession->Fail("NavigateToString", E_INVALIDARG);
  StartNavigation("about:blank", false);
  return S_OK;
}

HRESULT TEngineWebView::AddScriptToExecuteOnDocumentCreated(
    LPCWSTR javaScript, ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler* handler) {
  const std::string script = Text(javaScript);
  if (const HRESULT code =
          Enter("AddScriptToExecuteOnDocumentCreated",
                "AddScriptToExecuteOnDocumentCreated " + std::to_string(script.size()) + " " +
                    TEngineLog::RestOfLine(FirstLine(script)));
      FAILED(code))
    return code;
  if (javaScript == nullptr)
    return FSession->Fail("AddScriptToExecuteOnDocumentCreated", E_POINTER);
  const std::string id = std::to_string(++FLastScriptId);
  FDocumentScripts.emplace_back(id, script);
  if (handler != nullptr) {
    TComPtr<ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler> keep(handler);
    TSessionPtr session = FSession;
    FSession->Ui().Post([session, keep, id] {
      session->Log("invoke AddScriptCompleted 0x00000000");
      keep->Invoke(S_OK, win32::Widen(id).c_str());
    });
  }
  return S_OK;
}

HRESULT TEngineWebView::RemoveScriptToExecuteOnDocumentCreated(LPCWSTR id) {
  const std::string key = Text(id);
  if (const HRESULT code = Enter("RemoveScriptToExecuteOnDocumentCreated",
                                 "RemoveScriptToExecuteOnDocumentCreated " + key);
      FAILED(code))
    return code;
  std::erase_if(FDocumentScripts, [&](const auto& entry) { return entry.first == key; });
  return S_OK;
}

HRESULT TEngineWebView::ExecuteScript(LPCWSTR javaScript,
                                      ICoreWebView2ExecuteScriptCompletedHandler* handler) {
  const std::string script = Text(javaScript);
  if (const HRESULT code =
          Enter("ExecuteScript", "ExecuteScript " + TEngineLog::RestOfLine(script));
      FAILED(code))
    return code;
  if (javaScript == nullptr)
    return FSession->Fail("ExecuteScript", E_POINTER);
  if (handler != nullptr) {
    TComPtr<ICoreWebView2ExecuteScriptCompletedHandler> keep(handler);
    TSessionPtr session = FSession;
    // Scripts run in the page, which the engine does not have: every
    // script answers undefined, as JSON "null".
    FSession->Ui().Post([session, keep] {
      session->Log("invoke ExecuteScriptCompleted 0x00000000");
      keep->Invoke(S_OK, L"null");
    });
  }
  return S_OK;
}

HRESULT TEngineWebView::CapturePreview(COREWEBVIEW2_CAPTURE_PREVIEW_IMAGE_FORMAT imageFormat,
                                       IStream* imageStream,
                                       ICoreWebView2CapturePreviewCompletedHandler* handler) {
  if (const HRESULT code = Enter("CapturePreview",
                                 "CapturePreview " + std::to_string(static_cast<int>(imageFormat)));
      FAILED(code))
    return code;
  if (imageStream == nullptr || handler == nullptr)
    return FSession->Fail("CapturePreview", E_POINTER);
  TComPtr<IStream> stream(imageStream);
  TComPtr<ICoreWebView2CapturePreviewCompletedHandler> keep(handler);
  TSessionPtr session = FSession;
  const bool jpeg = imageFormat == COREWEBVIEW2_CAPTURE_PREVIEW_IMAGE_FORMAT_JPEG;
  FSession->Ui().Post([session, stream, keep, jpeg] {
    ULONG written = 0;
    HRESULT code = jpeg ? stream->Write(kJpeg, sizeof kJpeg, &written)
                        : stream->Write(kPng, sizeof kPng, &written);
    if (SUCCEEDED(code))
      code = S_OK;
    session->Log("invoke CapturePreviewCompleted " + TEngineLog::Hex(code));
    keep->Invoke(code);
  });
  return S_OK;
}

HRESULT TEngineWebView::Reload() {
  if (const HRESULT code = Enter("Reload", "Reload"); FAILED(code))
    return code;
  StartNavigation(FSource, false);
  return S_OK;
}

HRESULT TEngineWebView::PostWebMessageAsJson(LPCWSTR webMessageAsJson) {
  const std::string json = Text(webMessageAsJson);
  if (const HRESULT code =
          Enter("PostWebMessageAsJson", "PostWebMessageAsJson " + TEngineLog::RestOfLine(json));
      FAILED(code))
    return code;
  // The runtime refuses what it cannot parse; a page would never see it.
  if (webMessageAsJson == nullptr || nlohmann::json::parse(json, nullptr, false).is_discarded())
    return FSession->Fail("PostWebMessageAsJson", E_INVALIDARG);
  FPlayer->HostPosted(json);
  return S_OK;
}

HRESULT TEngineWebView::PostWebMessageAsString(LPCWSTR webMessageAsString) {
  const std::string text = Text(webMessageAsString);
  if (const HRESULT code =
          Enter("PostWebMessageAsString", "PostWebMessageAsString " + TEngineLog::RestOfLine(text));
      FAILED(code))
    return code;
  if (webMessageAsString == nullptr)
    return FSession->Fail("PostWebMessageAsString", E_POINTER);
  FPlayer->HostPosted(nlohmann::json(text).dump());
  return S_OK;
}

HRESULT TEngineWebView::get_BrowserProcessId(UINT32* value) {
  return Begin("get_BrowserProcessId", [&] {
    if (const HRESULT code = FSession->Enter("get_BrowserProcessId"); FAILED(code))
      return code;
    // No browser process exists; 0 keeps the host from waiting on or ending
    // any process.
    return OutValue<UINT32>(value, 0);
  });
}

HRESULT TEngineWebView::get_CanGoBack(BOOL* canGoBack) {
  return Begin("get_CanGoBack", [&] {
    if (const HRESULT code = FSession->Enter("get_CanGoBack"); FAILED(code))
      return code;
    return OutValue<BOOL>(canGoBack, FHistoryIndex > 0);
  });
}

HRESULT TEngineWebView::get_CanGoForward(BOOL* canGoForward) {
  return Begin("get_CanGoForward", [&] {
    if (const HRESULT code = FSession->Enter("get_CanGoForward"); FAILED(code))
      return code;
    return OutValue<BOOL>(canGoForward, FHistoryIndex + 1 < FHistory.size());
  });
}

HRESULT TEngineWebView::GoBack() {
  if (const HRESULT code = Enter("GoBack", "GoBack"); FAILED(code))
    return code;
  if (FHistoryIndex > 0)
    StartNavigation(FHistory[--FHistoryIndex], false);
  return S_OK;
}

HRESULT TEngineWebView::GoForward() {
  if (const HRESULT code = Enter("GoForward", "GoForward"); FAILED(code))
    return code;
  if (FHistoryIndex + 1 < FHistory.size())
    StartNavigation(FHistory[++FHistoryIndex], false);
  return S_OK;
}

HRESULT TEngineWebView::GetDevToolsProtocolEventReceiver(
    LPCWSTR eventName, ICoreWebView2DevToolsProtocolEventReceiver** receiver) {
  const std::string name = Text(eventName);
  if (const HRESULT code =
          Enter("GetDevToolsProtocolEventReceiver", "GetDevToolsProtocolEventReceiver " + name);
      FAILED(code))
    return code;
  if (eventName == nullptr || receiver == nullptr)
    return FSession->Fail("GetDevToolsProtocolEventReceiver", E_POINTER);
  auto& entry = FReceivers[name];
  if (!entry)
    entry = MakeObject<TDevToolsReceiver>(FSession, name);
  *receiver = TComPtr<ICoreWebView2DevToolsProtocolEventReceiver>(entry.Get()).Detach();
  return S_OK;
}

TDevToolsReceiver* TEngineWebView::Receiver(const std::string& eventName) {
  const auto it = FReceivers.find(eventName);
  return it == FReceivers.end() ? nullptr : it->second.Get();
}

HRESULT TEngineWebView::Stop() {
  return Enter("Stop", "Stop");
}

HRESULT TEngineWebView::get_DocumentTitle(LPWSTR* title) {
  return Begin("get_DocumentTitle", [&] {
    if (const HRESULT code = FSession->Enter("get_DocumentTitle"); FAILED(code))
      return code;
    return OutString(title, FTitle);
  });
}

HRESULT TEngineWebView::OpenDevToolsWindow() {
  return Enter("OpenDevToolsWindow", "OpenDevToolsWindow");
}

HRESULT TEngineWebView::get_ContainsFullScreenElement(BOOL* value) {
  return Begin("get_ContainsFullScreenElement", [&] {
    if (const HRESULT code = FSession->Enter("get_ContainsFullScreenElement"); FAILED(code))
      return code;
    return OutValue<BOOL>(value, FFullScreen);
  });
}

HRESULT
TEngineWebView::AddWebResourceRequestedFilter(LPCWSTR uri,
                                              COREWEBVIEW2_WEB_RESOURCE_CONTEXT resourceContext) {
  const std::string pattern = Text(uri);
  if (const HRESULT code = Enter("AddWebResourceRequestedFilter",
                                 "AddWebResourceRequestedFilter " + pattern + " " +
                                     std::to_string(static_cast<int>(resourceContext)));
      FAILED(code))
    return code;
  if (uri == nullptr)
    return FSession->Fail("AddWebResourceRequestedFilter", E_POINTER);
  FFilters.emplace_back(pattern, resourceContext);
  return S_OK;
}

HRESULT TEngineWebView::RemoveWebResourceRequestedFilter(
    LPCWSTR uri, COREWEBVIEW2_WEB_RESOURCE_CONTEXT resourceContext) {
  const std::string pattern = Text(uri);
  if (const HRESULT code = Enter("RemoveWebResourceRequestedFilter",
                                 "RemoveWebResourceRequestedFilter " + pattern + " " +
                                     std::to_string(static_cast<int>(resourceContext)));
      FAILED(code))
    return code;
  const auto it = std::find(FFilters.begin(), FFilters.end(),
                            std::pair<std::string, INT32>(pattern, resourceContext));
  // Removing a filter that was never added is an error in the runtime.
  if (it == FFilters.end())
    return FSession->Fail("RemoveWebResourceRequestedFilter", E_INVALIDARG);
  FFilters.erase(it);
  return S_OK;
}

bool TEngineWebView::Filtered(const std::string& uri, INT32 context) const {
  for (const auto& [pattern, filterContext] : FFilters)
    if ((filterContext == COREWEBVIEW2_WEB_RESOURCE_CONTEXT_ALL || filterContext == context) &&
        WildcardMatch(pattern, uri))
      return true;
  return false;
}

} // namespace tessera::engine
