#include "platform/fake/fake_registry.h"

#include "base/exceptions.h"
#include "platform/api/registry_key_path.h"

namespace tessera {

TFakeRegistry::TValues* TFakeRegistry::Open(const std::string& key, bool create) {
  const std::optional<std::string> path = CanonicalRegistryKey(key);
  if (!path) {
    return nullptr;
  }
  if (create) {
    for (const std::string& ancestor : RegistryKeyLineage(*path)) {
      FKeys.try_emplace(ancestor);
    }
  }
  const auto it = FKeys.find(*path);
  return it == FKeys.end() ? nullptr : &it->second;
}

const TFakeRegistry::TValues* TFakeRegistry::Find(const std::string& key) const {
  const std::optional<std::string> path = CanonicalRegistryKey(key);
  if (!path) {
    return nullptr;
  }
  const auto it = FKeys.find(*path);
  return it == FKeys.end() ? nullptr : &it->second;
}

bool TFakeRegistry::WriteString(const std::string& key, const std::string& name,
                                const std::string& value) {
  TValues* values = Open(key, true);
  if (values == nullptr) {
    return false;
  }
  (*values)[CanonicalRegistryValueName(name)] = {kRegistryString, value};
  return true;
}

std::optional<std::string> TFakeRegistry::ReadString(const std::string& key,
                                                     const std::string& name) const {
  const TValues* values = Find(key);
  if (values == nullptr) {
    return std::nullopt;
  }
  const auto it = values->find(CanonicalRegistryValueName(name));
  if (it == values->end()) {
    return std::string();
  }
  if (it->second.Type != kRegistryString && it->second.Type != kRegistryExpandString) {
    throw ERegistryError("The registry value \"" + name + "\" is not text");
  }
  const std::string& data = it->second.Data;
  return data.substr(0, data.find('\0'));
}

bool TFakeRegistry::ValueExists(const std::string& key, const std::string& name) const {
  const TValues* values = Find(key);
  return values != nullptr && values->count(CanonicalRegistryValueName(name)) != 0;
}

bool TFakeRegistry::DeleteValue(const std::string& key, const std::string& name) {
  TValues* values = Open(key, false);
  return values != nullptr && values->erase(CanonicalRegistryValueName(name)) != 0;
}

bool TFakeRegistry::KeyExists(const std::string& key) const {
  return Find(key) != nullptr;
}

bool TFakeRegistry::DeleteKey(const std::string& key) {
  const std::optional<std::string> path = CanonicalRegistryKey(key);
  if (!path || path->empty() || FKeys.count(*path) == 0) {
    return false;
  }
  // Every key below it sorts together, right from "<key>\\".
  const std::string below = *path + '\\';
  const auto first = FKeys.lower_bound(below);
  auto last = first;
  while (last != FKeys.end() && last->first.starts_with(below)) {
    ++last;
  }
  FKeys.erase(first, last);
  FKeys.erase(*path);
  return true;
}

void TFakeRegistry::PlantValue(const std::string& key, const std::string& name, int type,
                               const std::string& data) {
  if (TValues* values = Open(key, true)) {
    (*values)[CanonicalRegistryValueName(name)] = {type, data};
  }
}

} // namespace tessera
