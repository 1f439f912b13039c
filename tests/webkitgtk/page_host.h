#pragma once

#include "glib_test_loop.h"

#include "base/stream.h"
#include "platform/webkitgtk/webkitgtk_platform.h"
#include "webview/custom_edge_browser.h"

#include <gtk/gtk.h>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tessera::testing {

// A file the host serves for "file:///<path>".
struct TServedFile {
  std::string MimeType;
  std::string Body;
  int Status = 200;
  std::string ExtraHeaders;
};

struct TReceivedMessage {
  std::string Source;
  std::string Json;
  std::optional<std::string> Text;
};

// A real window with a GtkFixed client area and one TEdgeBrowser on the
// WebKitGTK platform, serving pages from memory through
// WebResourceRequested the way the browser window does. Made once for the
// whole run (the engine's start is the slow part) and shared by the tests;
// Reset gives each test clean records and handlers.
class TPageHost {
public:
  static TPageHost& Get();
  static void Destroy();

  TPageHost();
  ~TPageHost();

  // Clears the records, the files and every event handler a test may set.
  void Reset();
  void Serve(const std::string& path, std::string mimeType, std::string body, int status = 200,
             std::string extraHeaders = {}) {
    Files[path] = {std::move(mimeType), std::move(body), status, std::move(extraHeaders)};
  }
  // Navigates the control and waits for the navigation's completion;
  // answers whether it succeeded.
  bool NavigateAndWait(const std::string& url);
  // Runs a script through the control and waits for its result.
  std::pair<HRESULT, std::string> Execute(const std::string& javaScript);
  // Waits until `count` messages have arrived.
  bool WaitForMessages(std::size_t count);

  TGlibTestLoop Loop;
  webkitgtk::WebKitGtkPlatform Platform{Loop};
  TWebViewLoader Loader{Platform};
  GtkWidget* Window = nullptr;
  GtkWidget* Fixed = nullptr;
  std::unique_ptr<TEdgeBrowser> Browser;

  std::map<std::string, TServedFile> Files;
  std::vector<std::string> Requests;
  std::vector<TReceivedMessage> Messages;
  std::optional<std::pair<bool, TWebViewEnumValue>> Completed;

private:
  void ServeRequest(TWebResourceRequestedEventArgs& args);
};

// A window with a GtkFixed client area; destroyed with the object.
class TTestWindow {
public:
  TTestWindow();
  ~TTestWindow();
  TTestWindow(const TTestWindow&) = delete;
  TTestWindow& operator=(const TTestWindow&) = delete;
  GtkWidget* Window = nullptr;
  GtkWidget* Fixed = nullptr;
};

} // namespace tessera::testing
