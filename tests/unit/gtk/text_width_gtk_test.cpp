#include "platform/gtk/toolkit_gtk.h"

#include <gtest/gtest.h>

namespace tessera {
namespace {

TEST(GtkTextWidth, GrowsWithTheTextAndTheFont) {
  auto widgets = CreateGtkToolkit();
  const int narrow = widgets->TextWidth("DejaVu Sans", 16, "iii");
  const int wide = widgets->TextWidth("DejaVu Sans", 16, "WWW");
  EXPECT_GT(narrow, 0);
  EXPECT_GT(wide, narrow);
  EXPECT_GT(widgets->TextWidth("DejaVu Sans", 32, "WWW"), wide);
  EXPECT_EQ(widgets->TextWidth("DejaVu Sans", 16, ""), 0);
  // Malformed text is measured as its repaired form, not refused.
  EXPECT_GT(widgets->TextWidth("DejaVu Sans", 16, "a\xff"), 0);
}

} // namespace
} // namespace tessera
