#pragma once

#include "platform/api/web_view_platform.h"

#include <mutex>
#include <string>

namespace tessera {

// The loader library binding, one per process and shared by every control.
// Bound lazily on first use; a failed load is tried again on the next call.
class TWebViewLoader {
public:
  explicit TWebViewLoader(WebViewPlatform& platform) : FPlatform(platform) {}

  std::string WebViewLoaderPath;

  // Both answer E_FAIL when the library cannot be bound.
  HRESULT CreateCoreWebView2Environment(TEnvironmentCompleted completed);
  HRESULT GetCoreWebView2BrowserVersionString(std::string& version);

  WebViewPlatform& Platform() { return FPlatform; }

private:
  bool BindLoaderLibrary();

  WebViewPlatform& FPlatform;
  // Two controls may create at once, each on its own worker thread.
  std::mutex FLock;
  bool FBound = false;
};

} // namespace tessera
