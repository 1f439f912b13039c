#pragma once

#include <gdk-pixbuf/gdk-pixbuf.h>

namespace tessera::gtk {

// The toolkit's "key" image, a small key lying on its side with its bow on
// the left, drawn into a new square picture of `side` pixels with a
// transparent background. Drawn from shapes, so it is as sharp at 32
// pixels as at 16. The caller owns the reference.
GdkPixbuf* NewKeyImage(int side);

} // namespace tessera::gtk
