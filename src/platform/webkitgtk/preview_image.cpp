#include "platform/webkitgtk/preview_image.h"

#include "platform/webkitgtk/gobject_handles.h"

#include <gdk/gdk.h>

namespace tessera::webkitgtk {

namespace {

cairo_status_t AppendBytes(void* closure, const unsigned char* data, unsigned int length) {
  static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

bool EncodeJpeg(cairo_surface_t* surface, std::string& bytes) {
  const int width = cairo_image_surface_get_width(surface);
  const int height = cairo_image_surface_get_height(surface);
  if (width <= 0 || height <= 0)
    return false;
  TGObject<GdkPixbuf> pixbuf(gdk_pixbuf_get_from_surface(surface, 0, 0, width, height));
  if (!pixbuf)
    return false;
  TGFree<gchar> buffer;
  gsize size = 0;
  TGError error;
  if (!gdk_pixbuf_save_to_buffer(pixbuf.Get(), buffer.Out(), &size, "jpeg", error.Out(), "quality",
                                 "90", nullptr))
    return false;
  bytes.assign(buffer.Get(), size);
  return true;
}

} // namespace

bool EncodePreview(cairo_surface_t* surface, TWebViewEnumValue format, std::string& bytes) {
  if (surface == nullptr || cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS)
    return false;
  bytes.clear();
  if (format == kCapturePreviewPng)
    return cairo_surface_write_to_png_stream(surface, &AppendBytes, &bytes) == CAIRO_STATUS_SUCCESS;
  if (format == kCapturePreviewJpeg)
    return EncodeJpeg(surface, bytes);
  return false;
}

} // namespace tessera::webkitgtk
