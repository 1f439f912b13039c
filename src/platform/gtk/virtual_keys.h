#pragma once

#include <cstdint>

namespace tessera::gtk {

// The Windows virtual-key code of a GDK key value, as the portable code
// knows keys: letters as their capitals, digits, and the common editing
// and navigation keys; 0 for a key without one.
std::uint32_t VirtualKeyOf(unsigned keyval);

} // namespace tessera::gtk
