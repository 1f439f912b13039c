#pragma once

#include <string>
#include <string_view>

namespace tessera {

// Why the application ID cannot be used, or "" when it can. The ID names
// the application's data folder inside the user's, and the single-instance
// marker and the hand-off tokens are named after it, so it must be one
// plain name on every system: no "/", "\" or ":", no control character,
// and not dots alone ("..", and on Windows "..." too, lead out of the
// user's data folder).
std::string AppIDProblem(std::string_view id);

} // namespace tessera
