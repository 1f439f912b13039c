#pragma once

#include <string_view>

namespace tessera {

// The page-side bridge script (resources/qel_shared.js, the resource named
// QEL_SHARED_JAVASCRIPT): one assignment of the `window.qel` object, UTF-8.
// The browser window adds it to the script run at the creation of every
// document. Compiled in at build time, so it is always there and never read
// from disk; the view is valid for the life of the program and is not
// NUL-terminated.
std::string_view QelSharedJavascript();

} // namespace tessera
