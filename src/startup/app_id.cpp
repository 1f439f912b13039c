#include "startup/app_id.h"

namespace tessera {

std::string AppIDProblem(std::string_view id) {
  const std::string quoted = "The application ID \"" + std::string(id) + "\" in qel.ini";
  for (const char c : id) {
    if (c == '/' || c == '\\' || c == ':')
      return quoted + " holds \"" + c +
             "\": an ID names the application's data folder and must be a plain name.";
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
      return quoted + " holds a control character: an ID names the application's data folder "
                      "and must be a plain name.";
  }
  if (id.find_first_not_of('.') == std::string_view::npos)
    return quoted + " is dots alone: an ID names the application's data folder and must be a "
                    "plain name.";
  return {};
}

} // namespace tessera
