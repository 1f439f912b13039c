#include "platform/gtk/menu_caption.h"

namespace tessera::gtk {

std::string MnemonicCaption(const std::string& caption) {
  std::string label;
  label.reserve(caption.size() + 2);
  bool marked = false;
  for (std::size_t i = 0; i < caption.size(); ++i) {
    const char c = caption[i];
    if (c == '_') {
      label += "__";
    } else if (c != '&' || i + 1 == caption.size()) {
      // A lone "&" at the end marks nothing and is shown.
      label += c;
    } else if (caption[i + 1] == '&') {
      label += '&';
      ++i;
    } else if (!marked && caption[i + 1] != '_') {
      marked = true;
      label += '_';
    }
    // A later mark, or a mark on "_", is dropped; the key itself follows.
  }
  return label;
}

} // namespace tessera::gtk
