#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace tessera::testing {

// The test engine's call log, read back: one entry per line, without the
// line end.
class TEngineLogReader {
public:
  explicit TEngineLogReader(std::filesystem::path path) : FPath(std::move(path)) {}

  const std::filesystem::path& Path() const { return FPath; }
  std::vector<std::string> Lines() const;
  // The lines that start with `prefix`.
  std::vector<std::string> Starting(const std::string& prefix) const;
  std::size_t Count(const std::string& prefix) const { return Starting(prefix).size(); }
  // Index of the first line at or after `from` that starts with `prefix`,
  // or -1.
  long Find(const std::string& prefix, long from = 0) const;

private:
  std::filesystem::path FPath;
};

} // namespace tessera::testing
