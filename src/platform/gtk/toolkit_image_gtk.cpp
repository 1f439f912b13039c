#include "platform/gtk/toolkit_image_gtk.h"

#include "platform/gtk/callback_guard.h"

#include <algorithm>
#include <utility>

namespace tessera::gtk {

namespace {

// Pictures come from packages and files nobody checked: a larger one is
// decoded scaled down to fit this square, so that a small file declaring a
// huge size cannot take the memory its pixels would need.
constexpr int kLargestDecodedSide = 1024;

struct TDeclaredSize {
  int Width = 0;
  int Height = 0;
};

// Scales `width` by `height`, keeping its proportions, so that its longer
// side becomes `side`.
void ScaleToSide(int side, int& width, int& height) {
  const long long w = width;
  const long long h = height;
  if (w >= h) {
    width = side;
    height = static_cast<int>(std::max(1LL, h * side / w));
  } else {
    width = static_cast<int>(std::max(1LL, w * side / h));
    height = side;
  }
}

void OnSizePrepared(GdkPixbufLoader* loader, gint width, gint height, gpointer data) noexcept {
  GuardCallback<int>("image size", 0, [&] {
    auto* declared = static_cast<TDeclaredSize*>(data);
    declared->Width = width;
    declared->Height = height;
    int decodedWidth = width;
    int decodedHeight = height;
    if (width > kLargestDecodedSide || height > kLargestDecodedSide) {
      ScaleToSide(kLargestDecodedSide, decodedWidth, decodedHeight);
      gdk_pixbuf_loader_set_size(loader, decodedWidth, decodedHeight);
    }
    return 0;
  });
}

TGObjectPtr<GdkPixbuf> ScaleForMenu(GdkPixbuf* pixbuf) {
  int width = gdk_pixbuf_get_width(pixbuf);
  int height = gdk_pixbuf_get_height(pixbuf);
  if (std::max(width, height) == kMenuImageSize) {
    return TGObjectPtr<GdkPixbuf>(GDK_PIXBUF(g_object_ref(pixbuf)));
  }
  // Small pictures grow too: every image of a menu takes the same place.
  ScaleToSide(kMenuImageSize, width, height);
  return TGObjectPtr<GdkPixbuf>(
      gdk_pixbuf_scale_simple(pixbuf, width, height, GDK_INTERP_BILINEAR));
}

} // namespace

GtkToolkitImage::GtkToolkitImage(TGObjectPtr<GdkPixbuf> pixbuf, int width, int height)
    : FPixbuf(std::move(pixbuf)), FMenuPixbuf(ScaleForMenu(FPixbuf.Get())), FWidth(width),
      FHeight(height) {}

std::shared_ptr<const GtkToolkitImage> DecodeGtkImage(const std::string& bytes) {
  if (bytes.empty()) {
    return nullptr;
  }
  TGObjectPtr<GdkPixbufLoader> loader(gdk_pixbuf_loader_new());
  TDeclaredSize declared;
  g_signal_connect(loader.Get(), "size-prepared", G_CALLBACK(&OnSizePrepared), &declared);
  GError* error = nullptr;
  const bool written =
      gdk_pixbuf_loader_write(loader.Get(), reinterpret_cast<const guchar*>(bytes.data()),
                              bytes.size(), &error) != FALSE;
  g_clear_error(&error);
  // Closed in every case: a loader left open complains when it goes.
  const bool closed = gdk_pixbuf_loader_close(loader.Get(), &error) != FALSE;
  g_clear_error(&error);
  g_signal_handlers_disconnect_by_data(loader.Get(), &declared);
  GdkPixbuf* pixbuf = gdk_pixbuf_loader_get_pixbuf(loader.Get());
  if (!written || !closed || pixbuf == nullptr || declared.Width <= 0 || declared.Height <= 0) {
    return nullptr;
  }
  return std::make_shared<GtkToolkitImage>(TGObjectPtr<GdkPixbuf>(GDK_PIXBUF(g_object_ref(pixbuf))),
                                           declared.Width, declared.Height);
}

} // namespace tessera::gtk
