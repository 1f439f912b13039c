#pragma once

#include <map>
#include <optional>
#include <string>

namespace tessera {

// The user's registry in memory, with the rules of the real one: keys and
// value names without regard to letter case, parents created with their
// children, the root always there and never deleted, typed values.
class TFakeRegistry {
public:
  bool WriteString(const std::string& key, const std::string& name, const std::string& value);
  std::optional<std::string> ReadString(const std::string& key, const std::string& name) const;
  bool ValueExists(const std::string& key, const std::string& name) const;
  bool DeleteValue(const std::string& key, const std::string& name);
  bool KeyExists(const std::string& key) const;
  bool DeleteKey(const std::string& key);

  // Stores a value of any type (REG_DWORD...), as another program could,
  // creating the key; for tests of values that are not text.
  void PlantValue(const std::string& key, const std::string& name, int type,
                  const std::string& data);

private:
  struct TValue {
    int Type = 0;
    std::string Data;
  };
  using TValues = std::map<std::string, TValue>;

  // The key's values when it exists; created with its parents on request.
  TValues* Open(const std::string& key, bool create);
  const TValues* Find(const std::string& key) const;

  // Canonical key path -> values; the root is "" and always present.
  std::map<std::string, TValues> FKeys{{"", {}}};
};

} // namespace tessera
