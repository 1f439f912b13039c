#pragma once

#include <string_view>

namespace tessera {

// Whether a file name matches a listing mask. "*.*" matches every name, as
// it does for the system's own listings (also names without a dot). Any
// other mask is read character by character: "*" stands for any run of
// characters, "?" for exactly one, and "[...]" for one character of a set:
// single characters and ranges ("[a-c]"), negated with a leading "!"
// ("[!x]"); a "-" first or last in a set is itself. A "[" without its "]"
// is an ordinary character. Letters match ignoring case (ASCII, Latin-1,
// Latin Extended-A, Greek and Cyrillic). Both texts are UTF-8.
bool MatchesFileMask(std::string_view name, std::string_view mask);

} // namespace tessera
