#pragma once

#include "platform/api/toolkit.h"

#include <memory>

namespace tessera {

// The GTK 3 window toolkit. It opens the default display (GTK is
// initialised here if the program has not done so) and throws when there is
// none. Its windows live on the calling thread, the UI thread, and work
// with any loop that runs GLib's default main context there; closing the
// main window ends the event loop's run.
std::unique_ptr<Toolkit> CreateGtkToolkit();

} // namespace tessera
