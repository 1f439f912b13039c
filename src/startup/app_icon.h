#pragma once

#include "package/zip_archive.h"
#include "platform/api/toolkit.h"

namespace tessera {

// Gives every window the icon the package carries (the entry a Linux
// package holds for it; a Windows executable carries its icon as a
// resource instead). A package without one leaves the toolkit's own icon.
// An icon that does not decode is reported on standard error and start-up
// goes on: a missing picture is no reason to keep the app from starting.
void ApplyPackageIcon(const TZipArchive& package, Toolkit& toolkit);

} // namespace tessera
