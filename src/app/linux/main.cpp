// The Linux runtime: the GLib event loop, the GTK 3 toolkit and the linked
// WebKitGTK engine. The engine is part of the program, so there is no
// loader library to find and no engine to install.
#include "platform/api/os_services.h"
#include "platform/gtk/event_loop_glib.h"
#include "platform/gtk/toolkit_gtk.h"
#include "platform/webkitgtk/webkitgtk_platform.h"
#include "startup/program_main.h"

#include <cstdlib>
#include <exception>
#include <iostream>
#include <string>

namespace {

std::string EnvironmentValue(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? std::string(value) : std::string();
}

} // namespace

int main() {
  try {
    tessera::GlibEventLoop loop;
    const auto os = tessera::CreateOsServices();
    // Without a display there is no window to show even a message in.
    const auto toolkit = tessera::CreateGtkToolkit();
    tessera::webkitgtk::WebKitGtkPlatform engine(loop);
    tessera::TProgramServices services{*os, *toolkit, loop, engine};
    const tessera::TProgramOptions options{EnvironmentValue(tessera::kBridgeLogVariable)};
    return tessera::RunProgram(services, options);
  } catch (const std::exception& error) {
    std::cerr << "tessera: " << error.what() << '\n';
    return 1;
  }
}
