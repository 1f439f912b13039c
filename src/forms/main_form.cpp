#include "forms/main_form.h"

#include "base/utf.h"
#include "package/app_settings.h"
#include "package/zip_archive.h"

#include <algorithm>

namespace tessera {

namespace {

// The package's extra document script, decoded as UTF-8; empty without the
// entry.
std::string ReadWebviewJavascript(const TZipArchive* archive) {
  if (archive == nullptr)
    return {};
  const auto bytes = archive->ExtractBytes("qel-webviewjs");
  if (!bytes)
    return {};
  const std::string_view text(reinterpret_cast<const char*>(bytes->data()), bytes->size());
  // A malformed byte becomes U+FFFD rather than reaching the page as is.
  return Utf16ToUtf8(Utf8ToUtf16(text));
}

// The web view's message, as the bridge reads it.
class TWebMessageArgsAdapter final : public TBridgeMessageArgs {
public:
  explicit TWebMessageArgsAdapter(WebMessageReceivedEventArgs& args) : FArgs(args) {}
  bool TryGetWebMessageAsString(std::string& text) const override {
    return Succeeded(FArgs.TryGetWebMessageAsString(text));
  }
  std::string WebMessageAsJson() const override {
    std::string json;
    if (!Succeeded(FArgs.GetWebMessageAsJson(json)))
      json.clear();
    return json;
  }

private:
  WebMessageReceivedEventArgs& FArgs;
};

} // namespace

TMainForm::TMainForm(Toolkit& toolkit, OsServices& os, TWebViewLoader& loader, EventLoop& loop,
                     const TMainFormContext& context)
    : TForm(toolkit), FLoop(loop), FContext(context), FAlive(std::make_shared<TMainForm*>(this)) {
  Window().SetClientSize(568, 424);
  Window().SetColor(kColorWindow);
  Window().SetFont("Tahoma", 11);
  FormCreate(os, loader, loop);
}

TMainForm::~TMainForm() {
  FAlive.reset();
  FClosing = true;
  FBrowserExternalModule.reset();
  FBrowserForm.reset();
}

void TMainForm::FormCreate(OsServices& os, TWebViewLoader& loader, EventLoop& loop) {
  const TProjectINI& ini = *FContext.ProjectINI;
  FCanClose = false;

  FBrowserExternalModule = std::make_shared<TBrowserExternalModule>(GetToolkit(), os);
  FBrowserExternalModule->SetExeZip(FContext.ExeZip);

  FBrowserForm = std::make_shared<TBrowserForm>(GetToolkit(), os, loader, loop);
  FBrowserForm->Window().SetParent(&Window());
  FBrowserForm->Show();

  TBrowserForm& browser = *FBrowserForm;
  browser.FExeZip = FContext.ExeZip;
  browser.FIsRuntime = true;
  browser.FAppDirName = FContext.AppDirName;
  browser.FHandleRequests = true;
  browser.FRuntimeAppID = FContext.AppID;
  browser.FWithExternal = true;
  browser.FAllowDebug = ReadAppSetting(ini, kSettingAllowDebug);
  browser.FAllowZoom = ReadAppSetting(ini, kSettingAllowZoom);
  browser.FAllowContextMenu = ReadAppSetting(ini, kSettingAllowContextMenu);
  browser.FFocusHost = &Window();

  TBrowserExternalModule& module = *FBrowserExternalModule;
  browser.EdgeBrowser().OnWebMessageReceived = [this](TCustomEdgeBrowser& sender,
                                                      TWebMessageReceivedEventArgs& args) {
    EdgeBrowserWebMessageReceived(sender, args);
  };
  browser.EdgeBrowser().OnDocumentTitleChanged = [this](TCustomEdgeBrowser& sender,
                                                        const std::string& title) {
    EdgeBrowserDocumentTitleChanged(sender, title);
  };

  module.SetWebView(FBrowserForm.get());
  module.SetMainForm(&Window());
  // The bridge's own messages (functions that need a package) in a plain
  // modal box under the application's name.
  module.SetMessageBox(
      [&toolkit = GetToolkit(), appName = FContext.AppName](const std::string& text) {
        TMessageDialogRequest request;
        request.Text = text;
        request.Kind = TMessageDialogKind::Plain;
        request.WindowCaption = appName;
        toolkit.MessageDialog(request);
      });
  module.SetProjectINI(FContext.ProjectINI);
  module.SetTrafficLog(FContext.BridgeLog);
  module.SetOnAppCloseRequest(
      [this](TBrowserExternalModule& sender) { BrowserExternalModuleAppCloseRequest(sender); });

  browser.FWebviewJavascript = ReadWebviewJavascript(FContext.ExeZip);

  Window().SetCaption(FContext.AppName);
  GetToolkit().SetApplicationTitle(FContext.AppName);

  // Left and Top hold only until the placement replaces them: 0 centres the
  // window on the desktop; any other value leaves the place to the system,
  // so the window is never moved there.
  const bool centred = ReadAppSetting(ini, kSettingWindowPosition) == 0;
  if (centred)
    Window().SetBounds(ReadAppSetting(ini, kSettingLeft), ReadAppSetting(ini, kSettingTop),
                       ReadAppSetting(ini, kSettingWidth), ReadAppSetting(ini, kSettingHeight));
  else
    Window().SetSize(ReadAppSetting(ini, kSettingWidth), ReadAppSetting(ini, kSettingHeight));
  ApplySizeLimits();
  if (centred)
    Window().CenterOnDesktop();
  ApplyStyle();
  if (ReadAppSetting(ini, kSettingWindowOrder) == 1)
    Window().SetStayOnTop(true);

  // A second process for a page of the application gets exactly the
  // application ID and that page.
  const std::vector<std::string> args = os.GetCommandLineArguments();
  if (args.size() == 3 && args[1] == FContext.AppID)
    browser.FStartPageURL = args[2];
  else
    browser.FStartPageURL = "file:///" + FContext.AppIndexHtml;
}

void TMainForm::ApplySizeLimits() {
  const TProjectINI& ini = *FContext.ProjectINI;
  int minWidth = 0;
  int minHeight = 0;
  int maxWidth = 0;
  int maxHeight = 0;
  // Assigned one by one in this order: a maximum below the minimum lowers
  // the minimum, a minimum above a set maximum raises the maximum.
  maxWidth = ReadAppSetting(ini, kSettingMaxWidth);
  if (maxWidth > 0 && maxWidth < minWidth)
    minWidth = maxWidth;
  maxHeight = ReadAppSetting(ini, kSettingMaxHeight);
  if (maxHeight > 0 && maxHeight < minHeight)
    minHeight = maxHeight;
  minWidth = ReadAppSetting(ini, kSettingMinWidth);
  if (maxWidth > 0 && minWidth > maxWidth)
    maxWidth = minWidth;
  minHeight = ReadAppSetting(ini, kSettingMinHeight);
  if (maxHeight > 0 && minHeight > maxHeight)
    maxHeight = minHeight;
  Window().SetSizeLimits(std::max(minWidth, 0), std::max(minHeight, 0), std::max(maxWidth, 0),
                         std::max(maxHeight, 0));
}

void TMainForm::ApplyStyle() {
  const TProjectINI& ini = *FContext.ProjectINI;
  if (ReadAppSetting(ini, kSettingWindowStyle) == 1) {
    Window().SetBorderStyle(TBorderStyle::None);
    Window().SetWindowState(TWindowState::Maximized);
    FBrowserExternalModule->SetInFullscreen(true);
    return;
  }
  const std::int32_t border = ReadAppSetting(ini, kSettingWindowBorder);
  // Values outside the six styles keep the designed sizeable frame.
  if (border >= 0 && border <= 5)
    Window().SetBorderStyle(static_cast<TBorderStyle>(border));
  const std::int32_t state = ReadAppSetting(ini, kSettingWindowState);
  if (state == 0)
    Window().SetWindowState(TWindowState::Normal);
  else if (state == 1)
    Window().SetWindowState(TWindowState::Maximized);
}

void TMainForm::FormCloseQuery(bool& canClose) {
  canClose = FCanClose;
  // The page decides: its handler calls qel.app.close() when it agrees.
  // Through the bridge, which runs every page event in the browser window.
  if (FBrowserExternalModule)
    FBrowserExternalModule->RunPageScript(kCloseQueryScript);
  // A page that cannot answer (none loaded, or one without the bridge)
  // would keep the window open for good: then the close goes ahead.
  if (!FCanClose && FBrowserForm) {
    std::weak_ptr<TMainForm*> alive = FAlive;
    FBrowserForm->CheckPageAnswersCloseQuery([alive] {
      if (auto self = alive.lock(); self && !(*self)->FClosing) {
        (*self)->FCanClose = true;
        (*self)->Close();
      }
    });
  }
}

void TMainForm::FormClose() {
  FClosing = true;
  // A reply of a handler still running (its dialog's loop closed the
  // window) has no page left to go to.
  if (FBrowserExternalModule)
    FBrowserExternalModule->SetWebView(nullptr);
  // The module first, then the browser window; a running request holds
  // both until its handler has returned.
  FBrowserExternalModule.reset();
  FBrowserForm.reset();
}

void TMainForm::EdgeBrowserWebMessageReceived(TCustomEdgeBrowser&,
                                              TWebMessageReceivedEventArgs& args) {
  if (FClosing)
    return;
  // Only the texts are taken; the engine's arguments die with its callback.
  const TWebMessageArgsAdapter adapter(args.ArgsInterface());
  std::string text;
  const bool isString = adapter.TryGetWebMessageAsString(text);
  std::string json = adapter.WebMessageAsJson();
  TBridgeMessage message =
      isString ? TBridgeMessage(std::move(text), std::move(json)) : TBridgeMessage(std::move(json));
  std::weak_ptr<TMainForm*> alive = FAlive;
  FLoop.Post([alive, message = std::move(message)] {
    if (auto self = alive.lock())
      (*self)->RunBridgeRequest(message);
  });
}

void TMainForm::RunBridgeRequest(const TBridgeMessage& message) {
  if (FClosing || !FBrowserExternalModule)
    return;
  // Declared in this order so that, when the window closed meanwhile, the
  // module goes before the browser window, as closing frees them.
  const std::shared_ptr<TBrowserForm> browser = FBrowserForm;
  const std::shared_ptr<TBrowserExternalModule> module = FBrowserExternalModule;
  module->EdgeBrowserWebMessageReceived(message);
}

void TMainForm::EdgeBrowserDocumentTitleChanged(TCustomEdgeBrowser&,
                                                const std::string& documentTitle) {
  if (ReadAppSetting(*FContext.ProjectINI, kSettingDynamicAppTitle))
    Window().SetCaption(documentTitle);
}

void TMainForm::BrowserExternalModuleAppCloseRequest(TBrowserExternalModule&) {
  FCanClose = true;
  // The request arrives inside its handler; closing releases the bridge
  // and the web view, so the close waits until the handler has returned.
  std::weak_ptr<TMainForm*> alive = FAlive;
  FLoop.Post([alive] {
    if (auto self = alive.lock())
      (*self)->Close();
  });
}

} // namespace tessera
