#pragma once

#include "platform/api/os_services.h"
#include "platform/api/toolkit.h"

#include <string>
#include <vector>

namespace tessera {

// The visual themes of the application's own windows, over the toolkit's
// style manager. Static functions without state of their own: the toolkit
// holds the active style.
class TStylesUtils {
public:
  // The active theme's name ("Windows" for the system's own look).
  static std::string GetActiveTheme(const Toolkit& toolkit);

  // Empties `themesList` and fills it with every theme's name: "Windows",
  // then the stored themes in stored order, or, with `sorted`, all of them
  // in the user's locale ignoring letter case (as `os` compares texts).
  static void GetAvailables(const Toolkit& toolkit, OsServices& os,
                            std::vector<std::string>& themesList, bool sorted);

  // Asks the toolkit to activate the theme `themeName` names (letter case
  // ignored); true when it did. With `showError` a failure shows the style
  // manager's error dialog ("Style 'X' not found" for a name that names no
  // theme); without it a failure changes nothing and shows nothing.
  static bool TrySetStyle(Toolkit& toolkit, const std::string& themeName, bool showError);
};

} // namespace tessera
