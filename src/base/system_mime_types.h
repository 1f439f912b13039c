#pragma once

#include <string>
#include <utility>
#include <vector>

namespace tessera {

// What the system's own MIME database says, exactly as read and in the
// order read; the rules that lower-case and merge it are portable code.
struct TSystemMimeTypes {
  // Pass 1: (file-extension key name such as ".css", its "Content Type").
  std::vector<std::pair<std::string, std::string>> ContentTypes;
  // Pass 2: (MIME type key name such as "text/css", its "Extension").
  std::vector<std::pair<std::string, std::string>> Extensions;
};

} // namespace tessera
