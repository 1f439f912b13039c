// The control's browsing operations, queries and settings.
#include "webview/custom_edge_browser.h"

#include "base/ascii.h"
#include "base/exceptions.h"
#include "webview/callback_guard.h"
#include "webview/edge_error.h"

#include <utility>

namespace tessera {

namespace {

constexpr const char* kNotInstantiated = "WebView2 not instantiated";

} // namespace

void TCustomEdgeBrowser::NavigateToString(const std::string& htmlContent) {
  if (FWebView)
    RecordResult(FWebView->NavigateToString(htmlContent));
}

void TCustomEdgeBrowser::GoBack() {
  if (FWebView)
    RecordResult(FWebView->GoBack());
}

void TCustomEdgeBrowser::GoForward() {
  if (FWebView)
    RecordResult(FWebView->GoForward());
}

void TCustomEdgeBrowser::Refresh() {
  if (FWebView)
    RecordResult(FWebView->Reload());
}

void TCustomEdgeBrowser::Stop() {
  if (FWebView)
    RecordResult(FWebView->Stop());
}

void TCustomEdgeBrowser::ExecuteScript(const std::string& javaScript) {
  if (!FWebView)
    return;
  // The result may come back after the control is gone.
  std::weak_ptr<TCustomEdgeBrowser*> alive = FAlive;
  // Only the completion's code tells whether the script ran; the immediate
  // answer is left out of the last error on purpose.
  FWebView->ExecuteScript(javaScript, [alive](HRESULT result, const std::string& json) {
    Guard("script completion", [&] {
      if (auto self = alive.lock())
        (*self)->ExecuteScriptCompleted(result, json);
    });
  });
}

void TCustomEdgeBrowser::AddWebResourceRequestedFilter(const std::string& url,
                                                       TWebViewEnumValue resourceContext) {
  if (FWebView)
    RecordResult(FWebView->AddWebResourceRequestedFilter(url, resourceContext));
}

void TCustomEdgeBrowser::RemoveWebResourceRequestedFilter(const std::string& url,
                                                          TWebViewEnumValue resourceContext) {
  if (FWebView)
    RecordResult(FWebView->RemoveWebResourceRequestedFilter(url, resourceContext));
}

void TCustomEdgeBrowser::CapturePreview(const std::string& fileName, TPreviewFormat previewFormat) {
  // Without a web view there is no picture, so no file is made either.
  if (!FWebView)
    return;
  std::shared_ptr<TStream> file;
  try {
    file = std::make_shared<TFileStream>(fileName, TFileStream::TMode::Create);
  } catch (const EFileError&) {
    RecordResult(kEFail);
    return;
  }
  // The engine holds the only reference from here, so the file is closed
  // once it has written the picture.
  StartCapturePreview(std::move(file), previewFormat);
}

void TCustomEdgeBrowser::CapturePreview(TStream& stream, TPreviewFormat previewFormat) {
  if (!FWebView)
    return;
  // The caller keeps and frees its stream; the engine only borrows it.
  std::shared_ptr<TStream> borrowed(&stream, [](TStream*) {});
  borrowed->SetPosition(0);
  StartCapturePreview(std::move(borrowed), previewFormat);
}

void TCustomEdgeBrowser::StartCapturePreview(std::shared_ptr<TStream> stream,
                                             TPreviewFormat previewFormat) {
  const TWebViewEnumValue format =
      previewFormat == TPreviewFormat::JPEG ? kCapturePreviewJpeg : kCapturePreviewPng;
  std::weak_ptr<TCustomEdgeBrowser*> alive = FAlive;
  RecordResult(FWebView->CapturePreview(format, std::move(stream), [alive](HRESULT result) {
    Guard("capture completion", [&] {
      if (auto self = alive.lock())
        (*self)->CapturePreviewCompleted(result);
    });
  }));
}

void TCustomEdgeBrowser::SubscribeToCDPEvent(const std::string& cdpEventName) {
  if (!FWebView)
    return;
  std::shared_ptr<DevToolsProtocolEventReceiver> receiver;
  if (!RecordResult(FWebView->GetDevToolsProtocolEventReceiver(cdpEventName, receiver)) ||
      !receiver)
    return;
  // One handler per name: a second subscription replaces the first rather
  // than doubling every event.
  const auto known = FDevToolsProtocolEventReceivedTokenMap.find(cdpEventName);
  if (known != FDevToolsProtocolEventReceivedTokenMap.end())
    receiver->RemoveEventHandler(known->second);
  // CloseWebView removes the handler only when it can still reach the
  // receiver, so the handler must not count on the control being there.
  std::weak_ptr<TCustomEdgeBrowser*> alive = FAlive;
  TEventToken token = 0;
  const bool added = RecordResult(receiver->AddEventHandler(
      [alive, cdpEventName](WebViewEventArgs& args) {
        if (auto self = alive.lock())
          return (*self)->DevToolsProtocolEventReceived(cdpEventName, args);
        return kSOk;
      },
      token));
  // After a failed add no handler is left under the name, so no token is
  // kept for CloseWebView to remove.
  if (added)
    FDevToolsProtocolEventReceivedTokenMap[cdpEventName] = token;
  else
    FDevToolsProtocolEventReceivedTokenMap.erase(cdpEventName);
}

bool TCustomEdgeBrowser::CanGoBack() {
  bool value = false;
  return FWebView && RecordResult(FWebView->GetCanGoBack(value)) && value;
}

bool TCustomEdgeBrowser::CanGoForward() {
  bool value = false;
  return FWebView && RecordResult(FWebView->GetCanGoForward(value)) && value;
}

bool TCustomEdgeBrowser::ContainsFullScreenElement() {
  bool value = false;
  return FWebView && RecordResult(FWebView->GetContainsFullScreenElement(value)) && value;
}

std::string TCustomEdgeBrowser::DocumentTitle() {
  std::string title;
  if (FWebView && RecordResult(FWebView->GetDocumentTitle(title)))
    return title;
  return {};
}

std::string TCustomEdgeBrowser::LocationURL() {
  std::string source;
  if (!FWebView || !RecordResult(FWebView->GetSource(source)))
    return {};
  // A web view that shows nothing yet reports the blank page.
  if (AsciiLowerCase(source) == "about:blank")
    return {};
  return source;
}

double TCustomEdgeBrowser::ZoomFactor() {
  double zoomFactor = 0.0;
  if (FWebViewController && RecordResult(FWebViewController->GetZoomFactor(zoomFactor)))
    return zoomFactor;
  return 0.0;
}

void TCustomEdgeBrowser::SetZoomFactor(double zoomFactor) {
  if (FWebViewController)
    RecordResult(FWebViewController->PutZoomFactor(zoomFactor));
}

bool TCustomEdgeBrowser::ReadSetting(TWebViewSetting setting) {
  if (!FWebViewSettings)
    throw EEdgeError(kNotInstantiated, kEFail);
  bool value = false;
  // The error carries E_FAIL; the platform's own code stays in LastErrorCode.
  if (!RecordResult(FWebViewSettings->GetBool(setting, value)))
    throw EEdgeError(kNotInstantiated, kEFail);
  return value;
}

void TCustomEdgeBrowser::WriteSetting(TWebViewSetting setting, bool value) {
  if (!FWebViewSettings)
    throw EEdgeError(kNotInstantiated, kEFail);
  RecordResult(FWebViewSettings->PutBool(setting, value));
}

} // namespace tessera
