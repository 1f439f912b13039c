#include "platform/gtk/toolkit_activity_indicator_gtk.h"

#include "platform/gtk/activity_indicator_drawing.h"
#include "platform/gtk/callback_guard.h"

#include <algorithm>

namespace tessera::gtk {

namespace {

// About 25 frames a second.
constexpr guint kFrameInterval = 40;

} // namespace

GtkActivityIndicator::GtkActivityIndicator(GtkWidget* ownerArea, int left, int top)
    : FArea(TGObjectPtr<GtkWidget>::Retain(gtk_drawing_area_new())) {
  GtkWidget* area = FArea.Get();
  const int side = ActivityIndicatorPixels(FSize);
  gtk_widget_set_size_request(area, side, side);
  g_signal_connect(area, "draw", G_CALLBACK(&GtkActivityIndicator::OnDraw), this);
  gtk_fixed_put(GTK_FIXED(ownerArea), area, left, top);
  gtk_widget_show(area);
}

GtkActivityIndicator::~GtkActivityIndicator() {
  if (FTimer != 0) {
    g_source_remove(FTimer);
  }
  g_signal_handlers_disconnect_by_data(FArea.Get(), this);
  gtk_widget_destroy(FArea.Get());
}

gboolean GtkActivityIndicator::OnDraw(GtkWidget* widget, cairo_t* cr, gpointer self) noexcept {
  auto* indicator = static_cast<GtkActivityIndicator*>(self);
  GuardCallback<int>("activity indicator", 0, [&] {
    if (!indicator->FAnimate) {
      return 0;
    }
    const int side =
        std::min(gtk_widget_get_allocated_width(widget), gtk_widget_get_allocated_height(widget));
    const gint64 cycle = ActivityIndicatorCycleMs(indicator->FType);
    const gint64 elapsedMs = (g_get_monotonic_time() - indicator->FStartTime) / 1000;
    const double phase = static_cast<double>(elapsedMs % cycle) / static_cast<double>(cycle);
    DrawActivityIndicator(cr, side, indicator->FType, indicator->FColor, phase);
    return 0;
  });
  return FALSE;
}

gboolean GtkActivityIndicator::OnFrame(gpointer self) noexcept {
  gtk_widget_queue_draw(static_cast<GtkActivityIndicator*>(self)->FArea.Get());
  return G_SOURCE_CONTINUE;
}

void GtkActivityIndicator::SetColor(TActivityIndicatorColor color) {
  FColor = color;
  gtk_widget_queue_draw(FArea.Get());
}

void GtkActivityIndicator::SetIndicatorType(TActivityIndicatorType type) {
  FType = type;
  gtk_widget_queue_draw(FArea.Get());
}

void GtkActivityIndicator::SetIndicatorSize(TActivityIndicatorSize size) {
  FSize = size;
  const int side = ActivityIndicatorPixels(size);
  gtk_widget_set_size_request(FArea.Get(), side, side);
}

void GtkActivityIndicator::SetAnimate(bool animate) {
  if (animate == FAnimate) {
    return;
  }
  FAnimate = animate;
  if (animate) {
    FStartTime = g_get_monotonic_time();
    FTimer = g_timeout_add(kFrameInterval, &GtkActivityIndicator::OnFrame, this);
  } else if (FTimer != 0) {
    g_source_remove(FTimer);
    FTimer = 0;
  }
  gtk_widget_queue_draw(FArea.Get());
}

} // namespace tessera::gtk
