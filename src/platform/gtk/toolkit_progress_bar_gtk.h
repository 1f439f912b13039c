#pragma once

#include "platform/api/toolkit.h"
#include "platform/gtk/gobject_ptr.h"

#include <gtk/gtk.h>

namespace tessera::gtk {

// GTK's progress bar in activity mode, pulsed on a timer, as a strip along
// the bottom of its owner's client area.
class GtkMarqueeProgressBar final : public ToolkitProgressBar {
public:
  GtkMarqueeProgressBar(GtkWidget* ownerArea, int height);
  ~GtkMarqueeProgressBar() override;
  GtkMarqueeProgressBar(const GtkMarqueeProgressBar&) = delete;
  GtkMarqueeProgressBar& operator=(const GtkMarqueeProgressBar&) = delete;

  void SetVisible(bool visible) override;
  bool Visible() const override;
  int Height() const override { return FHeight; }

private:
  static gboolean OnPulse(gpointer self) noexcept;
  void StartPulse();
  void StopPulse();

  int FHeight;
  TGObjectPtr<GtkWidget> FBar;
  guint FTimer = 0;
};

} // namespace tessera::gtk
