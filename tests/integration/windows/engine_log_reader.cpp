#include "engine_log_reader.h"

#include <fstream>

namespace tessera::testing {

std::vector<std::string> TEngineLogReader::Lines() const {
  std::vector<std::string> lines;
  std::ifstream file(FPath, std::ios::binary);
  std::string line;
  while (std::getline(file, line)) {
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

std::vector<std::string> TEngineLogReader::Starting(const std::string& prefix) const {
  std::vector<std::string> out;
  for (const std::string& line : Lines())
    if (line.rfind(prefix, 0) == 0)
      out.push_back(line);
  return out;
}

long TEngineLogReader::Find(const std::string& prefix, long from) const {
  const std::vector<std::string> lines = Lines();
  for (long i = from; i < static_cast<long>(lines.size()); ++i)
    if (lines[static_cast<std::size_t>(i)].rfind(prefix, 0) == 0)
      return i;
  return -1;
}

} // namespace tessera::testing
