#pragma once

#include "platform/api/toolkit.h"
#include "platform/gtk/gobject_ptr.h"

#include <gtk/gtk.h>

namespace tessera::gtk {

// A one-line entry that hides its text behind the password character, with
// a small image at its start (left) edge.
class GtkPasswordEdit final : public ToolkitPasswordEdit {
public:
  // `imageName` "key" gives the key image; any other name, no image.
  GtkPasswordEdit(GtkWidget* ownerArea, const TBoundsRect& bounds, char passwordChar,
                  const std::string& imageName);
  ~GtkPasswordEdit() override;
  GtkPasswordEdit(const GtkPasswordEdit&) = delete;
  GtkPasswordEdit& operator=(const GtkPasswordEdit&) = delete;

  std::string Text() const override;
  void SetText(const std::string& text) override;
  void SetFocus() override;

private:
  static gboolean OnKeyRelease(GtkWidget*, GdkEventKey* event, gpointer self) noexcept;

  TGObjectPtr<GtkWidget> FEntry;
};

} // namespace tessera::gtk
