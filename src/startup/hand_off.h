#pragma once

#include "platform/api/os_services.h"

#include <string>
#include <string_view>

namespace tessera {

// A page that opens a new window on one of the application's pages starts
// the program again with the application ID and that page. The ID is no
// secret, so such a start skips the start-up password only when it proves
// that a running instance which got past the password started it: that
// instance publishes a token and leaves the proof of it in the environment
// its new processes inherit (never on their command line).
inline constexpr std::string_view kHandOffVariable = "TESSERA_HAND_OFF";

// Whether this process was started by a running, unlocked instance of the
// application. The proof is taken out of the environment either way, so it
// reaches no process this one starts.
bool TakeHandOff(OsServices& os, const std::string& appID);

// Lets the processes this one starts prove that they come from it: called
// once this instance is past the password. Where no token can be published,
// nothing is offered and such a process asks for the password.
void OfferHandOff(OsServices& os, const std::string& appID);

} // namespace tessera
