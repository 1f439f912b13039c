#include "platform/gtk/key_image.h"

#include <gdk/gdk.h>

#include <numbers>

namespace tessera::gtk {

namespace {

struct TRgb {
  double Red, Green, Blue;
};

constexpr TRgb kKeyFill{0xE0 / 255.0, 0xB0 / 255.0, 0x30 / 255.0};
constexpr TRgb kKeyOutline{0x80 / 255.0, 0x5A / 255.0, 0x10 / 255.0};

void FillAndOutline(cairo_t* cr) {
  cairo_set_source_rgb(cr, kKeyFill.Red, kKeyFill.Green, kKeyFill.Blue);
  cairo_fill_preserve(cr);
  cairo_set_source_rgb(cr, kKeyOutline.Red, kKeyOutline.Green, kKeyOutline.Blue);
  cairo_stroke(cr);
}

void Ellipse(cairo_t* cr, double left, double top, double right, double bottom) {
  cairo_save(cr);
  cairo_translate(cr, (left + right) / 2, (top + bottom) / 2);
  cairo_scale(cr, (right - left) / 2, (bottom - top) / 2);
  cairo_new_sub_path(cr);
  cairo_arc(cr, 0, 0, 1, 0, 2 * std::numbers::pi);
  cairo_restore(cr);
}

} // namespace

GdkPixbuf* NewKeyImage(int side) {
  if (side <= 0) {
    return nullptr;
  }
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, side, side);
  cairo_t* cr = cairo_create(surface);
  // Laid out on a 16 by 16 grid, scaled to the side asked for.
  cairo_scale(cr, side / 16.0, side / 16.0);
  cairo_set_line_width(cr, 1.0);
  // Shaft and the two teeth first, so that the bow's outline covers where
  // they meet it.
  cairo_rectangle(cr, 7.5, 7.5, 8, 2);
  FillAndOutline(cr);
  cairo_rectangle(cr, 11.5, 9.5, 1, 2);
  FillAndOutline(cr);
  cairo_rectangle(cr, 14.5, 9.5, 1, 3);
  FillAndOutline(cr);
  Ellipse(cr, 0.5, 3.5, 8.5, 12.5);
  FillAndOutline(cr);
  // The hole in the bow lets the box's background through.
  Ellipse(cr, 2, 6, 5, 10);
  cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
  cairo_fill_preserve(cr);
  cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
  cairo_set_source_rgb(cr, kKeyOutline.Red, kKeyOutline.Green, kKeyOutline.Blue);
  cairo_stroke(cr);
  cairo_destroy(cr);
  cairo_surface_flush(surface);
  GdkPixbuf* image = gdk_pixbuf_get_from_surface(surface, 0, 0, side, side);
  cairo_surface_destroy(surface);
  return image;
}

} // namespace tessera::gtk
