#include "page_script.h"

#include <cerrno>
#include <cstdlib>
#include <map>

namespace tessera::engine {

namespace {

using TKind = TPageStep::TKind;

// How each step's arguments are read: a rest-of-line text, some integers
// before it, or a number.
enum class TArgs { None, Text, Integers, IntegersThenText, TextThenText, Real };

struct TStepSyntax {
  TKind Kind;
  TArgs Args;
  std::size_t Count; // integers expected (the last ones may be optional)
  std::size_t Required;
};

const std::map<std::string, TStepSyntax, std::less<>>& Syntax() {
  static const std::map<std::string, TStepSyntax, std::less<>> kSyntax = {
      {"request", {TKind::Request, TArgs::Text, 0, 0}},
      {"message-json", {TKind::MessageJson, TArgs::Text, 0, 0}},
      {"message-string", {TKind::MessageString, TArgs::Text, 0, 0}},
      {"title", {TKind::Title, TArgs::Text, 0, 0}},
      {"navigation-completed", {TKind::NavigationCompleted, TArgs::Integers, 2, 2}},
      {"navigate", {TKind::Navigate, TArgs::Text, 0, 0}},
      {"new-window", {TKind::NewWindow, TArgs::Text, 0, 0}},
      {"permission", {TKind::Permission, TArgs::Integers, 1, 1}},
      {"close-requested", {TKind::CloseRequested, TArgs::None, 0, 0}},
      {"wait-for-post", {TKind::WaitForPost, TArgs::Text, 0, 0}},
      {"sleep", {TKind::Sleep, TArgs::Integers, 1, 1}},
      {"quit-after", {TKind::QuitAfter, TArgs::Integers, 2, 1}},
      {"wait-for-file", {TKind::WaitForFile, TArgs::Text, 0, 0}},
      {"close-window", {TKind::CloseWindow, TArgs::None, 0, 0}},
      {"process-failed", {TKind::ProcessFailed, TArgs::Integers, 1, 1}},
      {"fullscreen", {TKind::FullScreen, TArgs::Integers, 1, 1}},
      {"got-focus", {TKind::GotFocus, TArgs::None, 0, 0}},
      {"lost-focus", {TKind::LostFocus, TArgs::None, 0, 0}},
      {"move-focus", {TKind::MoveFocus, TArgs::Integers, 1, 1}},
      {"accelerator-key", {TKind::AcceleratorKey, TArgs::Integers, 3, 3}},
      {"zoom", {TKind::Zoom, TArgs::Real, 0, 0}},
      {"script-dialog", {TKind::ScriptDialog, TArgs::IntegersThenText, 1, 1}},
      {"devtools-event", {TKind::DevToolsEvent, TArgs::TextThenText, 0, 0}},
  };
  return kSyntax;
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
    text.remove_prefix(1);
  while (!text.empty() &&
         (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' || text.back() == '\n'))
    text.remove_suffix(1);
  return text;
}

// Splits off the first blank-separated word.
std::string_view NextWord(std::string_view& text) {
  text = TrimBlanks(text);
  std::size_t end = 0;
  while (end < text.size() && text[end] != ' ' && text[end] != '\t')
    ++end;
  const std::string_view word = text.substr(0, end);
  text.remove_prefix(end);
  text = TrimBlanks(text);
  return word;
}

bool ReadInteger(std::string_view word, std::int64_t& value) {
  const std::string text(word);
  if (text.empty())
    return false;
  char* stop = nullptr;
  errno = 0;
  value = std::strtoll(text.c_str(), &stop, 0);
  return *stop == '\0' && errno == 0;
}

// Reads the arguments of one step; answers an explanation when they do not fit.
std::string ReadArguments(const TStepSyntax& syntax, std::string_view rest, TPageStep& step) {
  switch (syntax.Args) {
  case TArgs::None:
    return rest.empty() ? "" : "takes no argument";
  case TArgs::Text:
    step.Text = std::string(rest);
    return step.Text.empty() ? "needs a text" : "";
  case TArgs::Real: {
    const std::string text(rest);
    char* stop = nullptr;
    step.Real = std::strtod(text.c_str(), &stop);
    return text.empty() || *stop != '\0' ? "needs a number" : "";
  }
  case TArgs::TextThenText:
    step.Text = std::string(NextWord(rest));
    step.Text2 = std::string(rest);
    return step.Text.empty() ? "needs a name" : "";
  case TArgs::Integers:
  case TArgs::IntegersThenText:
    for (std::size_t i = 0; i < syntax.Count; ++i) {
      std::string_view probe = rest;
      const std::string_view word = NextWord(probe);
      std::int64_t value = 0;
      if (word.empty() && i >= syntax.Required)
        break;
      if (!ReadInteger(word, value))
        return "needs " + std::to_string(syntax.Required) + " integer(s)";
      step.Numbers.push_back(value);
      rest = probe;
    }
    if (syntax.Args == TArgs::IntegersThenText)
      step.Text = std::string(rest);
    else if (!rest.empty())
      return "has too many arguments";
    return "";
  }
  return "";
}

} // namespace

TPageScript TPageScript::Parse(std::string_view text) {
  TPageScript script;
  // Steps before the first "page" line form the section of last resort.
  std::vector<TPageStep>* steps = &script.Fallback.Steps;
  int lineNumber = 0;
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    if (end == std::string_view::npos)
      end = text.size();
    std::string_view line = TrimBlanks(text.substr(0, end));
    text.remove_prefix(end < text.size() ? end + 1 : end);
    ++lineNumber;
    if (lineNumber == 1 && line.substr(0, 3) == "\xEF\xBB\xBF")
      line.remove_prefix(3);
    if (line.empty() || line.front() == '#')
      continue;
    std::string_view rest = line;
    const std::string_view name = NextWord(rest);
    if (name == "page") {
      if (rest.empty()) {
        script.Errors.push_back("line " + std::to_string(lineNumber) + ": page needs a URI");
        continue;
      }
      script.Sections.push_back({std::string(rest), {}});
      steps = &script.Sections.back().Steps;
      continue;
    }
    const auto it = Syntax().find(name);
    if (it == Syntax().end()) {
      script.Errors.push_back("line " + std::to_string(lineNumber) + ": unknown step " +
                              std::string(name));
      continue;
    }
    TPageStep step;
    step.Kind = it->second.Kind;
    step.Line = lineNumber;
    const std::string why = ReadArguments(it->second, rest, step);
    if (!why.empty()) {
      script.Errors.push_back("line " + std::to_string(lineNumber) + ": " + std::string(name) +
                              " " + why);
      continue;
    }
    steps->push_back(std::move(step));
  }
  return script;
}

const TPageSection* TPageScript::SectionFor(const std::string& uri) const {
  for (const TPageSection& section : Sections)
    if (WildcardMatch(section.Pattern, uri))
      return &section;
  return &Fallback;
}

bool WildcardMatch(std::string_view pattern, std::string_view text) {
  // Iterative matching with one backtrack point for the last "*".
  std::size_t p = 0, t = 0, star = std::string_view::npos, mark = 0;
  while (t < text.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == text[t])) {
      ++p;
      ++t;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      mark = t;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      t = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*')
    ++p;
  return p == pattern.size();
}

} // namespace tessera::engine
