#pragma once

#include "platform/api/toolkit.h"
#include "platform/gtk/gobject_ptr.h"

#include <gtk/gtk.h>

namespace tessera::gtk {

// The animated "working" sign: a drawing area over its owner's background
// that draws one frame of the animation on every timer tick. It shows
// nothing while it does not animate.
class GtkActivityIndicator final : public ToolkitActivityIndicator {
public:
  GtkActivityIndicator(GtkWidget* ownerArea, int left, int top);
  ~GtkActivityIndicator() override;
  GtkActivityIndicator(const GtkActivityIndicator&) = delete;
  GtkActivityIndicator& operator=(const GtkActivityIndicator&) = delete;

  void SetColor(TActivityIndicatorColor color) override;
  void SetIndicatorType(TActivityIndicatorType type) override;
  void SetIndicatorSize(TActivityIndicatorSize size) override;
  void SetAnimate(bool animate) override;

private:
  static gboolean OnDraw(GtkWidget*, cairo_t* cr, gpointer self) noexcept;
  static gboolean OnFrame(gpointer self) noexcept;

  TActivityIndicatorColor FColor = TActivityIndicatorColor::Black;
  TActivityIndicatorType FType = TActivityIndicatorType::MomentumDots;
  TActivityIndicatorSize FSize = TActivityIndicatorSize::Medium;
  bool FAnimate = false;
  gint64 FStartTime = 0;
  guint FTimer = 0;
  TGObjectPtr<GtkWidget> FArea;
};

} // namespace tessera::gtk
