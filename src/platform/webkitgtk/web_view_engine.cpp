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

// The JSON text with every escaped surrogate that is not half of a pair
// written as "\uFFFD" instead. The JSON grammar allows a lone one (the
// bridge carries the bytes of a file name that is not UTF-8 that way, and
// a page's JSON.stringify writes them), but the parser refuses it.
std::string WithLoneSurrogatesMasked(const std::string& json) {
  const auto unitAt = [&json](size_t at) -> long {
    if (at + 6 > json.size() || json[at] != '\\' || json[at + 1] != 'u')
      return -1;
    long unit = 0;
    for (size_t k = at + 2; k < at + 6; ++k) {
      const char c = json[k];
      const int digit = c >= '0' && c <= '9'   ? c - '0'
                        : c >= 'a' && c <= 'f' ? c - 'a' + 10
                        : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                               : -1;
      if (digit < 0)
        return -1;
      unit = unit * 16 + digit;
    }
    return unit;
  };
  const auto isHigh = [](long unit) { return unit >= 0xD800 && unit <= 0xDBFF; };
  const auto isLow = [](long unit) { return unit >= 0xDC00 && unit <= 0xDFFF; };
  std::string masked = json;
  for (size_t at = 0; at < json.size(); ++at) {
    if (json[at] != '\\')
      continue;
    const long unit = unitAt(at);
    if (isHigh(unit) && isLow(unitAt(at + 6))) {
      at += 11; // a pair stays as it is
    } else if (isHigh(unit) || isLow(unit)) {
      masked.replace(at + 2, 4, "FFFD");
      at += 5;
    } else {
      ++at; // the escaped character, a backslash included
    }
  }
  return masked;
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
  return nlohmann::json::accept(WithLoneSurrogatesMasked(json));
}

std::optional<std::string> JsonString(const std::string& json) {
  const nlohmann::json value =
      nlohmann::json::parse(WithLoneSurrogatesMasked(json), nullptr, false);
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
