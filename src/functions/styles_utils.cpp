#include "functions/styles_utils.h"

#include "base/ascii.h"

#include <algorithm>

namespace tessera {

namespace {

// Whether the toolkit has a style of that name, letter case ignored as the
// style manager ignores it.
bool NamesAStyle(const Toolkit& toolkit, const std::string& name) {
  const std::string lower = AsciiLowerCase(name);
  for (const std::string& style : toolkit.StyleNames()) {
    if (AsciiLowerCase(style) == lower) {
      return true;
    }
  }
  return false;
}

} // namespace

std::string TStylesUtils::GetActiveTheme(const Toolkit& toolkit) {
  return toolkit.ActiveStyle();
}

void TStylesUtils::GetAvailables(const Toolkit& toolkit, OsServices& os,
                                 std::vector<std::string>& themesList, bool sorted) {
  themesList = toolkit.StyleNames();
  if (sorted) {
    std::stable_sort(themesList.begin(), themesList.end(),
                     [&os](const std::string& a, const std::string& b) {
                       return os.CompareTextInUserLocale(a, b) < 0;
                     });
  }
}

bool TStylesUtils::TrySetStyle(Toolkit& toolkit, const std::string& themeName, bool showError) {
  if (toolkit.SetStyle(themeName)) {
    return true;
  }
  if (showError) {
    TMessageDialogRequest request;
    request.Text = NamesAStyle(toolkit, themeName) ? "Style '" + themeName + "' cannot be applied"
                                                   : "Style '" + themeName + "' not found";
    request.Kind = TMessageDialogKind::Error;
    request.Buttons = TMessageDialogButtons::OK;
    request.WindowCaption = "Error";
    toolkit.MessageDialog(request);
  }
  return false;
}

} // namespace tessera
