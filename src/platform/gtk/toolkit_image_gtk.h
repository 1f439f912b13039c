#pragma once

#include "platform/api/toolkit.h"
#include "platform/gtk/gobject_ptr.h"

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <memory>
#include <string>

namespace tessera::gtk {

// The side, in pixels, of the square menu images fit into.
inline constexpr int kMenuImageSize = 16;

// A picture decoded by gdk-pixbuf, with its menu-sized copy made once.
class GtkToolkitImage final : public ToolkitImage {
public:
  GtkToolkitImage(TGObjectPtr<GdkPixbuf> pixbuf, int width, int height);

  // The picture's own size, also when a very large one was decoded smaller.
  int Width() const override { return FWidth; }
  int Height() const override { return FHeight; }

  GdkPixbuf* Pixbuf() const { return FPixbuf.Get(); }
  // Fits in kMenuImageSize square, with the picture's proportions.
  GdkPixbuf* MenuPixbuf() const { return FMenuPixbuf.Get(); }

private:
  TGObjectPtr<GdkPixbuf> FPixbuf;
  TGObjectPtr<GdkPixbuf> FMenuPixbuf;
  int FWidth;
  int FHeight;
};

// Decodes any format gdk-pixbuf reads; null when the bytes are none.
std::shared_ptr<const GtkToolkitImage> DecodeGtkImage(const std::string& bytes);

} // namespace tessera::gtk
