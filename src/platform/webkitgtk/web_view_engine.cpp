#include "platform/webkitgtk/web_view_engine.h"

#include "platform/webkitgtk/package_urls.h"
#include "platform/webkitgtk/web_view_core.h"

#include <cstdlib>
#include <iostream>
#include <nlohmann/json.hpp>

namespace tessera::webkitgtk {

namespace {

const std::string kScheme(kPackageScheme);

TGObject<WebKitWebContext> NewContext() {
  const char* dataFolder = std::getenv("WEBVIEW2_USER_DATA_FOLDER");
  if (dataFolder == nullptr || *dataFolder == '\0')
    return TGObject<WebKitWebContext>(webkit_web_context_new());
  const std::string cache = std::string(dataFolder) + "/cache";
  TGObject<WebKitWebsiteDataManager> manager(webkit_website_data_manager_new(
      "base-data-directory", dataFolder, "base-cache-directory", cache.c_str(), nullptr));
  return TGObject<WebKitWebContext>(
      webkit_web_context_new_with_website_data_manager(manager.Get()));
}

// Every request of the package scheme, from any web view of the context.
void OnSchemeRequest(WebKitURISchemeRequest* request, gpointer) {
  try {
    TWebViewCore* core = TWebViewCore::FromView(webkit_uri_scheme_request_get_web_view(request));
    if (core != nullptr) {
      core->ServeSchemeRequest(request);
      return;
    }
  } catch (const std::exception& e) {
    std::cerr << "tessera: package request: " << e.what() << '\n';
  } catch (...) {
    std::cerr << "tessera: package request: unknown exception\n";
  }
  // A view of no control of ours (a window the engine opened by itself), or
  // a failure above: nothing serves it.
  TGError error;
  g_set_error_literal(error.Out(), G_IO_ERROR, G_IO_ERROR_NOT_FOUND, "Not found");
  webkit_uri_scheme_request_finish_error(request, error.Get());
}

} // namespace

TEngine::TEngine(EventLoop& loop) : FLoop(loop), FContext(NewContext()) {
  webkit_web_context_register_uri_scheme(FContext.Get(), kScheme.c_str(), &OnSchemeRequest, nullptr,
                                         nullptr);
  WebKitSecurityManager* security = webkit_web_context_get_security_manager(FContext.Get());
  webkit_security_manager_register_uri_scheme_as_secure(security, kScheme.c_str());
  webkit_security_manager_register_uri_scheme_as_cors_enabled(security, kScheme.c_str());
}

// A parser of our own process rather than JavaScriptCore's: a JavaScript
// machine in the UI process would cost memory for the program's whole life.
bool IsValidJson(const std::string& json) {
  return nlohmann::json::accept(json);
}

std::optional<std::string> JsonString(const std::string& json) {
  const nlohmann::json value = nlohmann::json::parse(json, nullptr, false);
  if (!value.is_string())
    return std::nullopt;
  return value.get<std::string>();
}

std::string EngineVersion() {
  return std::to_string(webkit_get_major_version()) + "." +
         std::to_string(webkit_get_minor_version()) + "." +
         std::to_string(webkit_get_micro_version());
}

} // namespace tessera::webkitgtk
