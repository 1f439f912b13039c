#include "webview/web_view_loader.h"

#include <utility>

namespace tessera {

bool TWebViewLoader::BindLoaderLibrary() {
  std::lock_guard lock(FLock);
  if (!FBound)
    FBound = FPlatform.LoadLoader(WebViewLoaderPath);
  return FBound;
}

HRESULT TWebViewLoader::CreateCoreWebView2Environment(TEnvironmentCompleted completed) {
  if (!BindLoaderLibrary())
    return kEFail;
  return FPlatform.CreateEnvironment(std::move(completed));
}

HRESULT TWebViewLoader::GetCoreWebView2BrowserVersionString(std::string& version) {
  if (!BindLoaderLibrary())
    return kEFail;
  return FPlatform.GetAvailableBrowserVersionString(version);
}

} // namespace tessera
