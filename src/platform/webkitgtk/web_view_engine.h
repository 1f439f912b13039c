#pragma once

#include "platform/api/event_loop.h"
#include "platform/webkitgtk/gobject_handles.h"

#include <webkit2/webkit2.h>

#include <memory>
#include <optional>
#include <string>

namespace tessera::webkitgtk {

// What every web view of one environment shares: the web context with our
// package scheme registered on it, and the UI thread's event loop. Made and
// used on the UI thread only.
class TEngine {
public:
  // Honours WEBVIEW2_USER_DATA_FOLDER as the folder of the pages' stored
  // data, as start-up prepares it for every platform.
  explicit TEngine(EventLoop& loop);
  TEngine(const TEngine&) = delete;
  TEngine& operator=(const TEngine&) = delete;

  EventLoop& Loop() const { return FLoop; }
  WebKitWebContext* Context() const { return FContext.Get(); }

private:
  EventLoop& FLoop;
  TGObject<WebKitWebContext> FContext;
};

// Whether `json` is one JSON text (RFC 8259, UTF-8; lone escaped surrogates
// allowed, as the grammar does).
bool IsValidJson(const std::string& json);
// The string that `json` stands for, a lone surrogate in it as U+FFFD;
// nothing when it is no JSON string.
std::optional<std::string> JsonString(const std::string& json);

// "major.minor.micro" of the WebKitGTK library in use.
std::string EngineVersion();

} // namespace tessera::webkitgtk
