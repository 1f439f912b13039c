#pragma once

#include <string_view>

namespace tessera {

// The package entry that holds a Linux application's window icon (a PNG
// image or an icon file of one image), written by the packager from its
// --icon. A Windows executable carries its icon as a resource instead. The
// name lies beside "qel.ini", outside DirName, so no file of the
// application can take it.
inline constexpr std::string_view kAppIconEntryName = "qel-icon";

} // namespace tessera
