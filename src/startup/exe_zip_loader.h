#pragma once

#include "platform/api/os_services.h"
#include "platform/api/toolkit.h"
#include "startup/runtime_state.h"

#include "base/exceptions.h"

#include <string_view>

namespace tessera {

// Start-up cannot go on; the message says why, with the path concerned.
class EStartupError : public Exception {
public:
  using Exception::Exception;
};

inline constexpr std::string_view kWebViewLoaderFileName = "WebView2LoaderWin64.dll";
inline constexpr std::string_view kDefaultWebviewArguments =
    "--disable-logging --disable-web-security --disable-features=RendererCodeIntegrity "
    "--enable-features=msSpeechRecognition --autoplay-policy=no-user-gesture-required";

// Start-up: opens the package appended to the running executable, loads its
// settings and the application's identity, prepares the data folder, the
// loader library and the web engine's environment, makes sure the engine is
// installed and asks for the start-up password when the package has one,
// unless a running instance handed this start off (startup/hand_off.h).
// Returns only when the application may open; otherwise throws TStartupExit
// (code 0). An appended package that is no readable archive, or whose
// settings cannot be read, raises EZipError; settings it cannot start with
// (too large, an application ID that cannot name a folder) raise
// ESettingsError; a data folder or loader that cannot be made raises
// EStartupError.
void LoadExeZip(TRuntimeState& state, OsServices& os, Toolkit& toolkit);

} // namespace tessera
