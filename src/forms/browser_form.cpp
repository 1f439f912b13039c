#include "forms/browser_form.h"

#include "base/ascii.h"
#include "base/str_utils.h"
#include "bridge/shared_javascript.h"
#include "package/zip_archive.h"

namespace tessera {

namespace {

constexpr std::string_view kFileUrlPrefix = "file:///";

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         AsciiLowerCase(text.substr(0, prefix.size())) == AsciiLowerCase(prefix);
}

std::string ReplaceAll(std::string text, std::string_view from, std::string_view to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

// The last component of a path written with either separator.
std::string_view FileNameOf(std::string_view path) {
  const size_t slash = path.find_last_of("/\\");
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string ExtensionOf(std::string_view fileName) {
  const size_t dot = fileName.rfind('.');
  return dot == std::string_view::npos ? std::string() : std::string(fileName.substr(dot));
}

std::string FolderOf(const std::string& path, char delimiter) {
  const size_t cut = path.find_last_of(delimiter == '/' ? "/" : "\\/:");
  return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

} // namespace

TBrowserForm::TBrowserForm(Toolkit& toolkit, OsServices& os, TWebViewLoader& loader,
                           EventLoop& loop)
    : TToolkitForm(toolkit), FOs(os), FLoop(loop) {
  ToolkitWindow& window = Window();
  window.SetBorderStyle(TBorderStyle::None);
  window.SetClientSize(658, 484);
  FProgressBar = toolkit.CreateMarqueeProgressBar(window, 4);
  FProgressBar->SetVisible(true);

  FAppDirPath = FolderOf(os.GetExecutablePath(), os.PathDelimiter());
  FEdgeBrowser = std::make_unique<TEdgeBrowser>(loader, loop);
  TEdgeBrowser& browser = *FEdgeBrowser;
  browser.OnCreateWebViewCompleted = [this](TCustomEdgeBrowser& sender, HRESULT result) {
    EdgeBrowserCreateWebViewCompleted(sender, result);
  };
  browser.OnNavigationCompleted = [this](TCustomEdgeBrowser& sender, bool success,
                                         TWebViewEnumValue status) {
    EdgeBrowserNavigationCompleted(sender, success, status);
  };
  browser.OnNewWindowRequested = [this](TCustomEdgeBrowser& sender,
                                        TNewWindowRequestedEventArgs& args) {
    EdgeBrowserNewWindowRequested(sender, args);
  };
  browser.OnPermissionRequested = [this](TCustomEdgeBrowser& sender,
                                         TPermissionRequestedEventArgs& args) {
    EdgeBrowserPermissionRequested(sender, args);
  };
  browser.OnWebResourceRequested = [this](TCustomEdgeBrowser& sender,
                                          TWebResourceRequestedEventArgs& args) {
    EdgeBrowserWebResourceRequested(sender, args);
  };
  browser.OnWebMessageReceived = [this](TCustomEdgeBrowser& sender,
                                        TWebMessageReceivedEventArgs& args) {
    EdgeBrowserClickMessageReceived(sender, args);
  };
  // Creation starts now and completes later on the UI thread, after the
  // owner has filled in the fields.
  browser.SetParentWindow(window.Handle());
  AlignEdgeBrowser();
}

TBrowserForm::~TBrowserForm() {
  FEdgeBrowser.reset();
}

void TBrowserForm::AlignEdgeBrowser() {
  if (!FEdgeBrowser)
    return;
  TBoundsRect area = Window().ClientRect();
  // The bar takes the bottom edge while it shows; the web view the rest.
  if (FProgressBar && FProgressBar->Visible())
    area.Bottom = std::max(area.Top, area.Bottom - FProgressBar->Height());
  FEdgeBrowser->Resize(area);
}

void TBrowserForm::FormResize() {
  AlignEdgeBrowser();
}

void TBrowserForm::FormHandleCreated(TNativeWindow handle) {
  if (FEdgeBrowser)
    FEdgeBrowser->RecreateWindowHandle(handle);
}

void TBrowserForm::FormSysCommand(TSysCommand command) {
  FEdgeBrowser->HandleSysCommand(command);
}

std::string TBrowserForm::DocumentScript() const {
  std::string script;
  auto append = [&script](std::string_view piece) {
    script += '\r';
    script += piece;
  };
  if (FWithExternal)
    append(QelSharedJavascript());
  // Files dropped on the page must not replace it.
  append("window.addEventListener(\"dragover\", function(e){e.preventDefault();},false);");
  append("window.addEventListener(\"drop\", function(e){e.preventDefault();}, false);");
  if (FIsRuntime && !TrimBlanks(FWebviewJavascript).empty())
    append(FWebviewJavascript);
  if (!FIsRuntime) {
    append("window.addEventListener(\"click\", function () "
           "{window.chrome.webview.postMessage(\"qel-webbrowser-clicked\");});");
  }
  return script;
}

void TBrowserForm::InjectDocumentScripts() {
  if (auto webView = FEdgeBrowser->DefaultInterface())
    webView->AddScriptToExecuteOnDocumentCreated(DocumentScript());
}

void TBrowserForm::EdgeBrowserCreateWebViewCompleted(TCustomEdgeBrowser&, HRESULT result) {
  if (!Succeeded(result))
    return;
  InjectDocumentScripts();
  if (auto settings = FEdgeBrowser->SettingsInterface()) {
    settings->PutBool(TWebViewSetting::ScriptEnabled, true);
    settings->PutBool(TWebViewSetting::StatusBarEnabled, false);
    settings->PutBool(TWebViewSetting::WebMessageEnabled, true);
    settings->PutBool(TWebViewSetting::BuiltInErrorPageEnabled, true);
    settings->PutBool(TWebViewSetting::ZoomControlEnabled, FAllowZoom);
    settings->PutBool(TWebViewSetting::DevToolsEnabled, FAllowDebug);
    settings->PutBool(TWebViewSetting::DefaultContextMenusEnabled, FAllowContextMenu);
  }
  FEdgeBrowser->AddWebResourceRequestedFilter("*", kWebResourceContextAll);
  if (!FStartPageURL.empty())
    FEdgeBrowser->Navigate(FStartPageURL);
}

void TBrowserForm::EdgeBrowserNavigationCompleted(TCustomEdgeBrowser&, bool, TWebViewEnumValue) {
  FProgressBar->SetVisible(false);
  AlignEdgeBrowser();
}

void TBrowserForm::EdgeBrowserNewWindowRequested(TCustomEdgeBrowser&,
                                                 TNewWindowRequestedEventArgs& args) {
  if (!FIsRuntime)
    return;
  std::string uri;
  args.ArgsInterface().GetUri(uri);
  if (!StartsWithIgnoringCase(uri, "file:"))
    return;
  args.ArgsInterface().PutHandled(true);
  // Starting a program may show the system's own UI or wait on it, which
  // must not happen inside the engine's callback: it runs from the loop,
  // with copies of what it needs (the system services outlive the loop).
  FLoop.Post([&os = FOs, program = FOs.GetExecutablePath(),
              arguments = "\"" + FRuntimeAppID + "\" \"" + uri + "\""] {
    os.ShellExec(program, arguments);
  });
}

void TBrowserForm::EdgeBrowserPermissionRequested(TCustomEdgeBrowser&,
                                                  TPermissionRequestedEventArgs& args) {
  args.ArgsInterface().PutState(kPermissionStateAllow);
}

bool TBrowserForm::FindLocalFile(const std::string& uri, std::string& bytes,
                                 std::string& mimeType) {
  std::string path = ReplaceAll(uri, kFileUrlPrefix, "");
  path = path.substr(0, path.find('?'));
  // Only the blank is decoded; any other escape is looked up as written.
  path = ReplaceAll(path, "%20", " ");

  const std::string fileName(FileNameOf(path));
  const std::string extension = AsciiLowerCase(ExtensionOf(fileName));
  mimeType = extension == ".js" || extension == ".mjs" ? "text/javascript"
                                                       : TStrUtils::GetFileMIMEType(fileName);

  if (!FAppDirName.empty() && FExeZip != nullptr) {
    const std::string entryName = FAppDirName + "/" + path;
    if (FExeZip->IndexOf(entryName) >= 0) {
      // An entry that does not decrypt answers with no bytes.
      TMemoryStream entry;
      FExeZip->Extract(entryName, entry);
      bytes.assign(entry.Text());
      return true;
    }
  }

  const char delimiter = FOs.PathDelimiter();
  const std::string besideExe = FAppDirPath + ReplaceAll(path, "/", std::string(1, delimiter));
  if (FOs.FileExists(besideExe) && FOs.LoadBytesFromFile(besideExe, bytes))
    return true;

  // The URI taken as an absolute path as it stands, query and escapes
  // included. Where paths start at "/", removing the prefix also removed
  // that root.
  std::string absolute = ReplaceAll(uri, kFileUrlPrefix, "");
  if (delimiter == '/')
    absolute = "/" + absolute;
  return FOs.FileExists(absolute) && FOs.LoadBytesFromFile(absolute, bytes);
}

void TBrowserForm::EdgeBrowserWebResourceRequested(TCustomEdgeBrowser&,
                                                   TWebResourceRequestedEventArgs& args) {
  if (!FHandleRequests)
    return;
  std::shared_ptr<WebResourceRequest> request;
  std::string uri;
  if (!Succeeded(args.ArgsInterface().GetRequest(request)) || !request ||
      !Succeeded(request->GetUri(uri)) || !StartsWithIgnoringCase(uri, kFileUrlPrefix))
    return;
  std::string bytes;
  std::string mimeType;
  if (!FindLocalFile(uri, bytes, mimeType))
    return;
  auto environment = FEdgeBrowser->EnvironmentInterface();
  if (!environment)
    return;
  auto content = std::make_shared<TMemoryStream>(std::vector<uint8_t>(bytes.begin(), bytes.end()));
  std::shared_ptr<WebResourceResponse> response;
  environment->CreateWebResourceResponse(content, 200, "OK",
                                         "Content-Type: " + mimeType + "; charset=utf-8", response);
  args.ArgsInterface().PutResponse(response);
}

void TBrowserForm::EdgeBrowserClickMessageReceived(TCustomEdgeBrowser&,
                                                   TWebMessageReceivedEventArgs& args) {
  if (FIsRuntime)
    return;
  std::string text;
  if (!Succeeded(args.ArgsInterface().TryGetWebMessageAsString(text)))
    text.clear();
  if (text == kClickedMessage && FFocusHost != nullptr)
    FFocusHost->SetFocus();
}

void TBrowserForm::PostWebMessageAsJson(std::string_view json) {
  if (auto webView = FEdgeBrowser->DefaultInterface())
    webView->PostWebMessageAsJson(std::string(json));
}

void TBrowserForm::ExecuteScript(std::string_view script) {
  FEdgeBrowser->ExecuteScript(std::string(script));
}

void TBrowserForm::FocusContainerWindow() {
  if (FFocusHost != nullptr)
    FFocusHost->SetFocus();
}

void TBrowserForm::FocusWebView() {
  FEdgeBrowser->SetFocus();
}

void TBrowserForm::Navigate(const std::string& url) {
  FEdgeBrowser->Navigate(url);
}

double TBrowserForm::ZoomFactor() {
  return FEdgeBrowser->ZoomFactor();
}

void TBrowserForm::SetZoomFactor(double zoomFactor) {
  FEdgeBrowser->SetZoomFactor(zoomFactor);
}

} // namespace tessera
