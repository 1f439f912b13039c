#pragma once

#include "platform/api/event_loop.h"
#include "platform/api/os_services.h"
#include "platform/api/toolkit.h"
#include "platform/api/web_view_platform.h"

#include <string>

namespace tessera {

// The backends the program runs on, chosen by the platform's entry point.
struct TProgramServices {
  OsServices& Os;
  Toolkit& Widgets;
  EventLoop& Loop;
  WebViewPlatform& Engine;
};

// How the entry point asks the program to run.
struct TProgramOptions {
  // A file (UTF-8 path) that receives the bridge's traffic for debugging;
  // empty for none. The entry points take it from TESSERA_BRIDGE_LOG.
  std::string BridgeLogPath;
};

// The environment variable that names the bridge's debugging log.
inline constexpr const char* kBridgeLogVariable = "TESSERA_BRIDGE_LOG";

// The whole program: start-up, the single-instance rule, the main window
// and its event loop, and the release of what start-up made. Returns the
// process exit code: 0 on every path the program takes on purpose; 1 after
// reporting an error nobody handled (such as a package that is no readable
// archive).
int RunProgram(TProgramServices& services, const TProgramOptions& options = {});

} // namespace tessera
