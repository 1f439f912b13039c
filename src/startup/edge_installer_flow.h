#pragma once

#include "platform/api/os_services.h"
#include "platform/api/toolkit.h"
#include "startup/runtime_state.h"

namespace tessera {

inline constexpr const char* kEdgeInstallerFileName = "WebView2Installer.exe";
inline constexpr const char* kEdgeInstallerParameters = "/silent /install";

// Runs when the web engine is missing: reports that the application cannot
// run, or asks to install the engine from the package, installs it with
// administrator rights while a small window shows the work, and starts the
// program anew. Every path ends the process (throws TStartupExit).
[[noreturn]] void RunEdgeInstallerFlow(TRuntimeState& state, OsServices& os, Toolkit& toolkit);

} // namespace tessera
