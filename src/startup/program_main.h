#pragma once

#include "platform/api/event_loop.h"
#include "platform/api/os_services.h"
#include "platform/api/toolkit.h"
#include "platform/api/web_view_platform.h"

namespace tessera {

// The backends the program runs on, chosen by the platform's entry point.
struct TProgramServices {
  OsServices& Os;
  Toolkit& Widgets;
  EventLoop& Loop;
  WebViewPlatform& Engine;
};

// The whole program: start-up, the single-instance rule, the main window
// and its event loop, and the release of what start-up made. Returns the
// process exit code: 0 on every path the program takes on purpose; 1 after
// reporting an error nobody handled (such as a package that is no readable
// archive).
int RunProgram(TProgramServices& services);

} // namespace tessera
