#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tessera::engine {

// One line of the page script: what the page does next. The format is
// described in README.md.
struct TPageStep {
  enum class TKind {
    Request,
    MessageJson,
    MessageString,
    Title,
    NavigationCompleted,
    Navigate,
    NewWindow,
    Permission,
    CloseRequested,
    WaitForPost,
    Sleep,
    QuitAfter,
    WaitForFile,
    CloseWindow,
    ProcessFailed,
    FullScreen,
    GotFocus,
    LostFocus,
    MoveFocus,
    AcceleratorKey,
    Zoom,
    ScriptDialog,
    DevToolsEvent,
  };
  TKind Kind = TKind::Request;
  // The text argument (URI, JSON, title, substring, event name …).
  std::string Text;
  // The second text argument (DevTools event parameters, dialog message).
  std::string Text2;
  std::vector<std::int64_t> Numbers;
  double Real = 0.0;
  int Line = 0;
};

// The steps played when the web view navigates to a URI matching Pattern
// ("*" matches any run of characters).
struct TPageSection {
  std::string Pattern;
  std::vector<TPageStep> Steps;
};

struct TPageScript {
  // In the order of the script; the first match wins.
  std::vector<TPageSection> Sections;
  // The steps before the first "page" line: played when no section matches.
  TPageSection Fallback{"*", {}};
  // One entry per line that could not be read ("line N: why").
  std::vector<std::string> Errors;

  static TPageScript Parse(std::string_view text);

  // The first section whose pattern matches `uri`, else the fallback.
  const TPageSection* SectionFor(const std::string& uri) const;
};

// Wildcard match as the engine's resource filters use it: "*" matches any
// run of characters, "?" one character, everything else itself.
bool WildcardMatch(std::string_view pattern, std::string_view text);

} // namespace tessera::engine
