#pragma once

#include <string>
#include <vector>

namespace tessera {

// Reads a command line as Windows programs do for the simple cases: blanks
// (spaces and tabs) separate arguments, double quotes group blanks into one
// argument and are removed; "" is an empty argument.
std::vector<std::string> SplitCommandLine(const std::string& text);

} // namespace tessera
