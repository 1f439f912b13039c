#pragma once

#include <string>

namespace tessera::gtk {

// A menu caption as GTK's mnemonic labels take it. Captions mark the key
// that chooses an item with "&" ("&File", and "&&" for a plain "&"), as
// the other systems' menus do; GTK marks it with "_", so an "_" of the
// caption is doubled to stay plain. Only the first marked key counts.
std::string MnemonicCaption(const std::string& caption);

} // namespace tessera::gtk
