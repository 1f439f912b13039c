#pragma once

#include "platform/api/event_loop.h"
#include "platform/api/web_view_platform.h"

#include <memory>
#include <mutex>
#include <string>

namespace tessera::webview2 {

struct TLoaderLibrary;

// The browser engine on Windows, through its loader library and our own COM
// declarations. The engine wants every call on the UI thread, which must be
// in a single-threaded COM apartment and pump messages: environment
// requests from other threads are carried over to it through the event loop.
class Win32WebViewPlatform final : public WebViewPlatform {
public:
  explicit Win32WebViewPlatform(EventLoop& loop);
  ~Win32WebViewPlatform() override;
  Win32WebViewPlatform(const Win32WebViewPlatform&) = delete;
  Win32WebViewPlatform& operator=(const Win32WebViewPlatform&) = delete;

  // Loads the library and binds CreateCoreWebView2Environment and
  // GetAvailableCoreWebView2BrowserVersionString; a library lacking either
  // is let go again and counts as not bound.
  bool LoadLoader(const std::string& loaderPath) override;

  // From the UI thread the loader is called at once and its answer
  // returned. From any other thread the request is queued to the UI thread
  // and taken (S_OK); should the loader then refuse it, the refusal arrives
  // through `completed`. Either way `completed` runs at most once.
  HRESULT CreateEnvironment(TEnvironmentCompleted completed) override;
  HRESULT GetAvailableBrowserVersionString(std::string& version) override;

  void EndBrowserProcess(std::uint32_t processId, unsigned timeoutMs,
                         std::uint32_t exitCode) override;

private:
  std::shared_ptr<const TLoaderLibrary> Library() const;

  EventLoop& FLoop;
  // Bound on the creation worker, used from the UI thread.
  mutable std::mutex FLock;
  std::shared_ptr<const TLoaderLibrary> FLibrary;
};

} // namespace tessera::webview2
