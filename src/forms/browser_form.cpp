#include "forms/browser_form.h"

#include "base/ascii.h"
#include "base/str_utils.h"
#include "bridge/shared_javascript.h"
#include "package/zip_archive.h"

#include <utility>
#include <vector>

namespace tessera {

namespace {

constexpr std::string_view kFileUrlPrefix = "file:///";

// Whether the page can take a close request: "present" or "absent", as a
// JSON string; it never throws, so a failed run means no page ran it.
constexpr std::string_view kCloseQueryProbe =
    "(function(){try{return typeof qel.events.onCloseQuery===\"function\"?\"present\":"
    "\"absent\";}catch(e){return \"absent\";}})()";

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

// Whether a path written with either separator has a ".." step, which
// would leave the folder it is looked up in.
bool HasParentStep(std::string_view path) {
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find_first_of("/\\", start);
    if (end == std::string_view::npos)
      end = path.size();
    if (path.substr(start, end - start) == "..")
      return true;
    start = end + 1;
  }
  return false;
}

// The type a file is served with, from its name; scripts are always
// JavaScript and WebAssembly modules always WebAssembly, whatever the
// system's database says (the engines compile a module from its response
// only under its own type, and the built-in list has none for ".wasm").
std::string MimeTypeOf(std::string_view path) {
  const std::string fileName(FileNameOf(path));
  const std::string extension = AsciiLowerCase(ExtensionOf(fileName));
  if (extension == ".js" || extension == ".mjs")
    return "text/javascript";
  if (extension == ".wasm")
    return "application/wasm";
  return TStrUtils::GetFileMIMEType(fileName);
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
  // The first page takes the keys at once, as a user expects of an
  // application's window, rather than after a click into it. Later pages
  // find the focus where the user left it.
  if (!FPageFocused) {
    FPageFocused = true;
    FEdgeBrowser->SetFocus();
  }
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
  const std::string rest = ReplaceAll(uri, kFileUrlPrefix, "");
  // A file is named by the path alone: the query and the fragment (a
  // hash-routed page's route) name none.
  const std::string path = rest.substr(0, rest.find_first_of("?#"));
  // The names to look for, in order: the path decoded as a URL's path is,
  // then as written with only "%20" a blank, so that a package whose names
  // hold escapes themselves keeps working. A decoded name that leaves the
  // folder it is looked up in ("..%2F") or holds a NUL is no name.
  std::vector<std::string> names;
  if (const auto decoded = TStrUtils::PercentDecodeUtf8(path);
      decoded && decoded->find('\0') == std::string::npos && !HasParentStep(*decoded))
    names.push_back(*decoded);
  const std::string literal = ReplaceAll(path, "%20", " ");
  if (names.empty() || names.front() != literal)
    names.push_back(literal);

  if (!FAppDirName.empty() && FExeZip != nullptr) {
    for (const std::string& name : names) {
      const std::string entryName = FAppDirName + "/" + name;
      if (FExeZip->IndexOf(entryName) >= 0) {
        // An entry that does not decrypt answers with no bytes.
        TMemoryStream entry;
        FExeZip->Extract(entryName, entry);
        bytes.assign(entry.Text());
        mimeType = MimeTypeOf(name);
        return true;
      }
    }
  }

  const char delimiter = FOs.PathDelimiter();
  for (const std::string& name : names) {
    const std::string besideExe = FAppDirPath + ReplaceAll(name, "/", std::string(1, delimiter));
    if (FOs.FileExists(besideExe) && FOs.LoadBytesFromFile(besideExe, bytes)) {
      mimeType = MimeTypeOf(name);
      return true;
    }
  }

  // The URI taken as an absolute path: decoded, then as it stands, query
  // and escapes included. Where paths start at "/", removing the prefix
  // also removed that root. Each goes with the name its type comes from.
  std::vector<std::pair<std::string, std::string>> absolutes;
  if (names.front() != literal)
    absolutes.emplace_back(names.front(), names.front());
  absolutes.emplace_back(rest, literal);
  for (const auto& [absolute, typeName] : absolutes) {
    const std::string file = delimiter == '/' ? "/" + absolute : absolute;
    if (FOs.FileExists(file) && FOs.LoadBytesFromFile(file, bytes)) {
      mimeType = MimeTypeOf(typeName);
      return true;
    }
  }
  return false;
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
  environment->CreateWebResourceResponse(
      content, 200, "OK", "Content-Type: " + TStrUtils::ContentTypeWithCharset(mimeType), response);
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

void TBrowserForm::CheckPageAnswersCloseQuery(std::function<void()> unanswered) {
  auto shared = std::make_shared<std::function<void()>>(std::move(unanswered));
  auto webView = FEdgeBrowser->DefaultInterface();
  if (!webView) {
    FLoop.Post([shared] { (*shared)(); });
    return;
  }
  // The answer comes inside the engine's callback; what it decides runs
  // from the loop.
  const HRESULT started =
      webView->ExecuteScript(std::string(kCloseQueryProbe),
                             [&loop = FLoop, shared](HRESULT result, const std::string& json) {
                               if (!Succeeded(result) || json == "\"absent\"")
                                 loop.Post([shared] { (*shared)(); });
                             });
  if (!Succeeded(started))
    FLoop.Post([shared] { (*shared)(); });
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
