#include "page_host.h"

#include <gtest/gtest.h>

namespace tessera::testing {

namespace {

TPageHost* host = nullptr;

} // namespace

TPageHost& TPageHost::Get() {
  if (host == nullptr)
    host = new TPageHost();
  return *host;
}

void TPageHost::Destroy() {
  delete host;
  host = nullptr;
}

TTestWindow::TTestWindow() {
  Window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  Fixed = gtk_fixed_new();
  gtk_container_add(GTK_CONTAINER(Window), Fixed);
  gtk_window_set_default_size(GTK_WINDOW(Window), 800, 600);
  gtk_widget_show_all(Window);
}

TTestWindow::~TTestWindow() {
  gtk_widget_destroy(Window);
}

TPageHost::TPageHost() {
  Window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  Fixed = gtk_fixed_new();
  gtk_container_add(GTK_CONTAINER(Window), Fixed);
  gtk_window_set_default_size(GTK_WINDOW(Window), 800, 600);
  gtk_widget_show_all(Window);

  Browser = std::make_unique<TEdgeBrowser>(Loader, Loop);
  bool created = false;
  Browser->OnCreateWebViewCompleted = [&](TCustomEdgeBrowser&, HRESULT) { created = true; };
  Browser->SetParentWindow(reinterpret_cast<TNativeWindow>(Fixed));
  Browser->Resize({0, 0, 800, 600});
  Loop.PumpUntil([&] { return created; });
  if (Browser->WebViewCreated())
    Browser->AddWebResourceRequestedFilter("*", kWebResourceContextAll);
  Reset();
}

TPageHost::~TPageHost() {
  Browser.reset();
  gtk_widget_destroy(Window);
  Loop.ProcessMessages();
}

void TPageHost::Reset() {
  Files.clear();
  Requests.clear();
  Messages.clear();
  Completed.reset();
  TEdgeBrowser& b = *Browser;
  b.OnCreateWebViewCompleted = nullptr;
  b.OnNavigationStarting = nullptr;
  b.OnSourceChanged = nullptr;
  b.OnContentLoading = nullptr;
  b.OnHistoryChanged = nullptr;
  b.OnDocumentTitleChanged = nullptr;
  b.OnNewWindowRequested = nullptr;
  b.OnExecuteScript = nullptr;
  b.OnCapturePreviewCompleted = nullptr;
  b.OnZoomFactorChanged = nullptr;
  b.OnScriptDialogOpening = nullptr;
  b.OnPermissionRequested = nullptr;
  b.OnWebResourceRequested = [this](TCustomEdgeBrowser&, TWebResourceRequestedEventArgs& args) {
    ServeRequest(args);
  };
  b.OnWebMessageReceived = [this](TCustomEdgeBrowser&, TWebMessageReceivedEventArgs& args) {
    TReceivedMessage message;
    args.ArgsInterface().GetSource(message.Source);
    args.ArgsInterface().GetWebMessageAsJson(message.Json);
    std::string text;
    if (Succeeded(args.ArgsInterface().TryGetWebMessageAsString(text)))
      message.Text = text;
    Messages.push_back(message);
  };
  b.OnNavigationCompleted = [this](TCustomEdgeBrowser&, bool success, TWebViewEnumValue status) {
    Completed = std::make_pair(success, status);
  };
}

void TPageHost::ServeRequest(TWebResourceRequestedEventArgs& args) {
  std::shared_ptr<WebResourceRequest> request;
  std::string uri;
  if (!Succeeded(args.ArgsInterface().GetRequest(request)) || !request ||
      !Succeeded(request->GetUri(uri)))
    return;
  Requests.push_back(uri);
  const std::string prefix = "file:///";
  if (uri.rfind(prefix, 0) != 0)
    return;
  const auto it = Files.find(uri.substr(prefix.size()));
  if (it == Files.end())
    return;
  const TServedFile& file = it->second;
  auto content =
      std::make_shared<TMemoryStream>(std::vector<uint8_t>(file.Body.begin(), file.Body.end()));
  std::string headers = "Content-Type: " + file.MimeType + "; charset=utf-8";
  if (!file.ExtraHeaders.empty())
    headers += "\r\n" + file.ExtraHeaders;
  std::shared_ptr<WebResourceResponse> response;
  Browser->EnvironmentInterface()->CreateWebResourceResponse(
      content, file.Status, file.Status == 200 ? "OK" : "Other", headers, response);
  args.ArgsInterface().PutResponse(response);
}

bool TPageHost::NavigateAndWait(const std::string& url) {
  Completed.reset();
  Browser->Navigate(url);
  Loop.PumpUntil([&] { return Completed.has_value(); });
  return Completed.has_value() && Completed->first;
}

std::pair<HRESULT, std::string> TPageHost::Execute(const std::string& javaScript) {
  std::optional<std::pair<HRESULT, std::string>> result;
  Browser->OnExecuteScript = [&](TCustomEdgeBrowser&, HRESULT code, const std::string& json) {
    result = std::make_pair(code, json);
  };
  Browser->ExecuteScript(javaScript);
  Loop.PumpUntil([&] { return result.has_value(); });
  Browser->OnExecuteScript = nullptr;
  return result.value_or(std::make_pair(kEAbort, std::string("(no completion)")));
}

bool TPageHost::WaitForMessages(std::size_t count) {
  return Loop.PumpUntil([&] { return Messages.size() >= count; });
}

} // namespace tessera::testing
