#pragma once

#include "bridge/browser_external_module.h"
#include "forms/browser_form.h"
#include "forms/form.h"
#include "platform/api/event_loop.h"
#include "platform/api/os_services.h"
#include "webview/web_view_loader.h"

#include <memory>
#include <string>

namespace tessera {

class TProjectINI;
class TZipArchive;

// What the main window is built from: the open package, its settings and
// the application's identity, as start-up left them.
struct TMainFormContext {
  const TZipArchive* ExeZip = nullptr;
  const TProjectINI* ProjectINI = nullptr;
  std::string AppID;
  std::string AppName;
  std::string AppDirName;
  std::string AppIndexHtml;
  // Where the bridge writes its traffic for debugging; none by default.
  TBridgeTrafficLog* BridgeLog = nullptr;
};

// The application's one top-level window. It holds the bridge module and
// the browser window filling its client area, applies the package's window
// settings and runs the close protocol: a close request is refused until
// the page agrees through qel.app.close().
class TMainForm : public TForm {
public:
  TMainForm(Toolkit& toolkit, OsServices& os, TWebViewLoader& loader, EventLoop& loop,
            const TMainFormContext& context);
  ~TMainForm() override;

  bool CanClose() const { return FCanClose; }
  TBrowserForm* BrowserForm() { return FBrowserForm.get(); }
  TBrowserExternalModule* BrowserExternalModule() { return FBrowserExternalModule.get(); }
  // True once the window has closed: requests still queued are dropped.
  bool Closing() const { return FClosing; }

  void EdgeBrowserDocumentTitleChanged(TCustomEdgeBrowser& sender,
                                       const std::string& documentTitle);
  // The web view's message event: the request is copied and queued, and
  // runs from the event loop (RunBridgeRequest), never inside the engine's
  // callback, where a dialog's nested loop or the window's close would
  // re-enter or free the engine's caller.
  void EdgeBrowserWebMessageReceived(TCustomEdgeBrowser& sender,
                                     TWebMessageReceivedEventArgs& args);
  // Runs one queued request through the bridge. The bridge module and the
  // browser window stay alive until it returns, even when the window
  // closes meanwhile (a handler's dialog runs the loop that closes it).
  void RunBridgeRequest(const TBridgeMessage& message);
  void BrowserExternalModuleAppCloseRequest(TBrowserExternalModule& sender);

  static constexpr std::string_view kCloseQueryScript = "qel.events.onCloseQuery();";

protected:
  void FormCloseQuery(bool& canClose) override;
  void FormClose() override;

private:
  void FormCreate(OsServices& os, TWebViewLoader& loader, EventLoop& loop);
  void ApplySizeLimits();
  void ApplyStyle();

  EventLoop& FLoop;
  const TMainFormContext FContext;
  bool FCanClose = false;
  bool FClosing = false;
  // Shared only with the request running now (RunBridgeRequest), so that
  // closing releases them after that request's handler has returned.
  std::shared_ptr<TBrowserForm> FBrowserForm;
  std::shared_ptr<TBrowserExternalModule> FBrowserExternalModule;
  // Queued work holds a weak reference; it is dropped with the window.
  std::shared_ptr<TMainForm*> FAlive;
};

} // namespace tessera
