#include "platform/posix/command_line.h"

namespace tessera {

std::vector<std::string> SplitCommandLine(const std::string& text) {
  std::vector<std::string> args;
  std::string current;
  bool inQuotes = false;
  bool any = false;
  for (const char c : text) {
    if (c == '"') {
      inQuotes = !inQuotes;
      any = true;
    } else if ((c == ' ' || c == '\t') && !inQuotes) {
      if (any)
        args.push_back(current);
      current.clear();
      any = false;
    } else {
      current.push_back(c);
      any = true;
    }
  }
  if (any)
    args.push_back(current);
  return args;
}

} // namespace tessera
