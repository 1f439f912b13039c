#pragma once

#include <string>
#include <string_view>

namespace tessera::webkitgtk {

// WebKitGTK will not let a program serve the "file" scheme, so package pages
// live under our own scheme instead: "file:///X" is shown to the engine as
// "tessera://localhost/X" and every address coming back is turned into the
// "file:///" form again, so the portable code sees the same addresses as on
// Windows. The host keeps the pages' origin one and the same, which relative
// links, modules, fetch and workers need.
inline constexpr std::string_view kPackageScheme = "tessera";

// "file:///X" (scheme in any case) → "tessera://localhost/X"; anything else as
// it is.
std::string ToEngineUri(std::string_view uri);
// "tessera://localhost/X" → "file:///X"; anything else as it is.
std::string ToPortableUri(std::string_view uri);

// The resource filter pattern rule: "*" stands for any run of characters,
// everything else matches itself.
bool MatchesUriPattern(std::string_view pattern, std::string_view uri);

} // namespace tessera::webkitgtk
