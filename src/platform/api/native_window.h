#pragma once

#include <cstdint>

namespace tessera {

// A window of the platform's toolkit, opaque to the portable code; 0 is none.
using TNativeWindow = std::uintptr_t;

} // namespace tessera
