#include "functions/styles_utils.h"

#include "base/ascii.h"

#include <algorithm>
#include <locale>
#include <stdexcept>

namespace tessera {

namespace {

// The user's locale, for the order of names; the classic one where the C++
// library cannot make it (MinGW's knows only "C", and glibc refuses a
// locale that is not installed).
std::locale UserLocale() {
  try {
    return std::locale("");
  } catch (const std::runtime_error&) {
    return std::locale::classic();
  }
}

// Names in the order of the user's locale, letter case ignored: both sides
// are lower-cased first (every theme name is ASCII) and then collated.
void SortIgnoringCase(std::vector<std::string>& names) {
  const std::locale locale = UserLocale();
  const auto& collate = std::use_facet<std::collate<char>>(locale);
  std::stable_sort(names.begin(), names.end(), [&](const std::string& a, const std::string& b) {
    const std::string lowerA = AsciiLowerCase(a);
    const std::string lowerB = AsciiLowerCase(b);
    return collate.compare(lowerA.data(), lowerA.data() + lowerA.size(), lowerB.data(),
                           lowerB.data() + lowerB.size()) < 0;
  });
}

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

void TStylesUtils::GetAvailables(const Toolkit& toolkit, std::vector<std::string>& themesList,
                                 bool sorted) {
  themesList = toolkit.StyleNames();
  if (sorted) {
    SortIgnoringCase(themesList);
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
