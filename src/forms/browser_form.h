#pragma once

#include "bridge/browser_external_module.h"
#include "forms/form.h"
#include "platform/api/event_loop.h"
#include "platform/api/os_services.h"
#include "webview/custom_edge_browser.h"

#include <functional>
#include <memory>
#include <string>

namespace tessera {

class TZipArchive;

// The borderless window that hosts the web view, with a thin progress bar
// along its bottom edge until the first page has loaded. It decides how
// pages run: the scripts added to every document, the web view's settings,
// the first page, "file:///" requests answered from the package, the
// executable's folder or the absolute path, new windows for package pages
// opened in a new process, and every permission granted.
//
// Runtime mode (FIsRuntime) serves the package; otherwise every page
// reports clicks so the host can move the keyboard focus.
class TBrowserForm : public TToolkitForm, public TBridgeWebView {
public:
  static constexpr std::string_view kClickedMessage = "qel-webbrowser-clicked";

  TBrowserForm(Toolkit& toolkit, OsServices& os, TWebViewLoader& loader, EventLoop& loop);
  ~TBrowserForm() override;

  // Set by the owner right after construction; read when the web view
  // becomes ready and when its events arrive.
  const TZipArchive* FExeZip = nullptr;
  bool FIsRuntime = false;
  std::string FRuntimeAppID;
  bool FWithExternal = false;
  std::string FAppDirName;
  std::string FAppDirPath;
  bool FAllowDebug = false;
  bool FAllowZoom = false;
  std::string FWebviewJavascript;
  bool FAllowContextMenu = false;
  std::string FStartPageURL;
  bool FHandleRequests = false;
  // The window that takes the keyboard focus when a page is clicked in
  // non-runtime mode.
  ToolkitWindow* FFocusHost = nullptr;

  TEdgeBrowser& EdgeBrowser() { return *FEdgeBrowser; }
  ToolkitProgressBar& ProgressBar() { return *FProgressBar; }

  // Calls `unanswered`, from the event loop, when the page cannot answer a
  // close request: there is no web view, no script of the page runs, or
  // the page has no qel.events.onCloseQuery to call. An engine that answers
  // nothing definite (no page script at all) leaves it uncalled.
  void CheckPageAnswersCloseQuery(std::function<void()> unanswered);

  // The one script text registered for every document.
  std::string DocumentScript() const;

  // TBridgeWebView: what the bridge needs of this window.
  void PostWebMessageAsJson(std::string_view json) override;
  void ExecuteScript(std::string_view script) override;
  void FocusContainerWindow() override;
  void FocusWebView() override;
  void Navigate(const std::string& url) override;
  double ZoomFactor() override;
  void SetZoomFactor(double zoomFactor) override;
  std::string AppDirPath() const override { return FAppDirPath; }

  void EdgeBrowserCreateWebViewCompleted(TCustomEdgeBrowser& sender, HRESULT result);
  void EdgeBrowserNavigationCompleted(TCustomEdgeBrowser& sender, bool isSuccess,
                                      TWebViewEnumValue webErrorStatus);
  void EdgeBrowserNewWindowRequested(TCustomEdgeBrowser& sender,
                                     TNewWindowRequestedEventArgs& args);
  void EdgeBrowserPermissionRequested(TCustomEdgeBrowser& sender,
                                      TPermissionRequestedEventArgs& args);
  void EdgeBrowserWebResourceRequested(TCustomEdgeBrowser& sender,
                                       TWebResourceRequestedEventArgs& args);
  void EdgeBrowserClickMessageReceived(TCustomEdgeBrowser& sender,
                                       TWebMessageReceivedEventArgs& args);

protected:
  void FormResize() override;
  void FormHandleCreated(TNativeWindow handle) override;
  void FormSysCommand(TSysCommand command) override;

private:
  void InjectDocumentScripts();
  // The bytes answering a "file:///" URI, or false when nothing has them.
  bool FindLocalFile(const std::string& uri, std::string& bytes, std::string& mimeType);
  void AlignEdgeBrowser();

  OsServices& FOs;
  EventLoop& FLoop;
  std::unique_ptr<ToolkitProgressBar> FProgressBar;
  std::unique_ptr<TEdgeBrowser> FEdgeBrowser;
  // Whether the first page has been given the keyboard focus.
  bool FPageFocused = false;
};

} // namespace tessera
