#include "platform/gtk/toolkit_progress_bar_gtk.h"

#include "platform/gtk/callback_guard.h"
#include "platform/gtk/client_area.h"
#include "platform/gtk/widget_css.h"

#include <algorithm>

namespace tessera::gtk {

namespace {

// Milliseconds between steps of the animation, and the share of the bar
// the moving block travels per step.
constexpr guint kPulseInterval = 40;
constexpr double kPulseStep = 0.03;

} // namespace

GtkMarqueeProgressBar::GtkMarqueeProgressBar(GtkWidget* ownerArea, int height)
    : FHeight(std::max(height, 1)), FBar(TGObjectPtr<GtkWidget>::Retain(gtk_progress_bar_new())) {
  GtkWidget* bar = FBar.Get();
  // The theme's trough is taller than the thin strip the forms ask for,
  // and its border would be wider than the bar while the window is still
  // being laid out (GTK warns of a negative content width then).
  AddWidgetCss(bar, "progressbar, progressbar trough, progressbar progress {"
                    " min-height: 0; min-width: 0; padding: 0; margin: 0; border: none; }");
  gtk_progress_bar_set_pulse_step(GTK_PROGRESS_BAR(bar), kPulseStep);
  gtk_widget_set_size_request(bar, -1, FHeight);
  SetAlignBottom(bar, FHeight);
  gtk_fixed_put(GTK_FIXED(ownerArea), bar, 0, 0);
  gtk_widget_show(bar);
  StartPulse();
  QueueLayout(ownerArea);
}

GtkMarqueeProgressBar::~GtkMarqueeProgressBar() {
  StopPulse();
  // The place it held goes to its siblings.
  GtkWidget* area = gtk_widget_get_parent(FBar.Get());
  gtk_widget_destroy(FBar.Get());
  QueueLayout(area);
}

gboolean GtkMarqueeProgressBar::OnPulse(gpointer self) noexcept {
  GuardCallback<int>("progress bar", 0, [&] {
    gtk_progress_bar_pulse(GTK_PROGRESS_BAR(static_cast<GtkMarqueeProgressBar*>(self)->FBar.Get()));
    return 0;
  });
  return G_SOURCE_CONTINUE;
}

void GtkMarqueeProgressBar::StartPulse() {
  if (FTimer == 0) {
    FTimer = g_timeout_add(kPulseInterval, &GtkMarqueeProgressBar::OnPulse, this);
  }
}

void GtkMarqueeProgressBar::StopPulse() {
  if (FTimer != 0) {
    g_source_remove(FTimer);
    FTimer = 0;
  }
}

void GtkMarqueeProgressBar::SetVisible(bool visible) {
  GtkWidget* bar = FBar.Get();
  // A hidden bar need not keep its timer running.
  if (visible) {
    StartPulse();
  } else {
    StopPulse();
  }
  gtk_widget_set_visible(bar, visible);
  QueueLayout(gtk_widget_get_parent(bar));
}

bool GtkMarqueeProgressBar::Visible() const {
  return gtk_widget_get_visible(FBar.Get());
}

} // namespace tessera::gtk
