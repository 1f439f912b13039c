#pragma once

#include "platform/api/toolkit.h"

#include <memory>

namespace tessera {

// The Win32 window toolkit. Its windows live on the calling thread and work
// with any message loop that runs there (GetMessage and DispatchMessage);
// closing the main window posts the quit message that ends that loop.
std::unique_ptr<Toolkit> CreateWin32Toolkit();

} // namespace tessera
