// The Windows runtime: picks the Win32 backends and runs the program on the
// UI thread, which the browser engine wants in a single-threaded COM
// apartment.
#include "base/utf.h"
#include "platform/webview2/webview2_platform.h"
#include "platform/win32/com_apartment.h"
#include "platform/win32/event_loop_win32.h"
#include "platform/win32/toolkit_win32.h"
#include "startup/program_main.h"

#include <cstdlib>
#include <string>

namespace {

// The environment value in UTF-8; empty when unset.
std::string EnvironmentValue(const wchar_t* name) {
  const wchar_t* value = _wgetenv(name);
  if (value == nullptr)
    return {};
  return tessera::Utf16ToUtf8(reinterpret_cast<const char16_t*>(value));
}

} // namespace

int main() {
  tessera::TComApartment apartment;
  tessera::Win32EventLoop loop;
  const auto os = tessera::CreateOsServices();
  const auto toolkit = tessera::CreateWin32Toolkit();
  tessera::webview2::Win32WebViewPlatform engine(loop);
  tessera::TProgramServices services{*os, *toolkit, loop, engine};
  const tessera::TProgramOptions options{EnvironmentValue(L"TESSERA_BRIDGE_LOG")};
  return tessera::RunProgram(services, options);
}
