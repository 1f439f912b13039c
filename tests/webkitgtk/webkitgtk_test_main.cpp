// The WebKitGTK tests need a display (the suite runs them under Xvfb) and
// GTK set up before any test.
#include "page_host.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <iostream>

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (!gtk_init_check(&argc, &argv)) {
    std::cerr << "no display: run these tests through scripts/x11-suite\n";
    return 1;
  }
  const int result = RUN_ALL_TESTS();
  tessera::testing::TPageHost::Destroy();
  return result;
}
