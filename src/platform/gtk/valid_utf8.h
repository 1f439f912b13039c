#pragma once

#include <glib.h>

#include <string>

namespace tessera::gtk {

// GTK takes UTF-8 only and refuses anything else with a warning; text from
// a package may be malformed, so a bad byte becomes U+FFFD here instead.
inline std::string ValidUtf8(const std::string& text) {
  if (g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr)) {
    return text;
  }
  gchar* valid = g_utf8_make_valid(text.data(), static_cast<gssize>(text.size()));
  std::string result = valid;
  g_free(valid);
  return result;
}

} // namespace tessera::gtk
