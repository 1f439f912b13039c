// The user's registry of the Linux OS services: the per-user store, opened
// afresh for every call so that nothing stays open between calls.
#include "platform/posix/os_services_posix.h"
#include "platform/posix/registry_store_sqlite.h"

namespace tessera {

namespace {

TRegistryStore UserStore() {
  return TRegistryStore(TRegistryStore::UserDatabasePath());
}

} // namespace

bool PosixOsServices::RegistryWriteString(const std::string& key, const std::string& name,
                                          const std::string& value) {
  return UserStore().WriteString(key, name, value);
}

std::optional<std::string> PosixOsServices::RegistryReadString(const std::string& key,
                                                               const std::string& name) {
  return UserStore().ReadString(key, name);
}

bool PosixOsServices::RegistryValueExists(const std::string& key, const std::string& name) {
  return UserStore().ValueExists(key, name);
}

bool PosixOsServices::RegistryDeleteValue(const std::string& key, const std::string& name) {
  return UserStore().DeleteValue(key, name);
}

bool PosixOsServices::RegistryKeyExists(const std::string& key) {
  return UserStore().KeyExists(key);
}

bool PosixOsServices::RegistryDeleteKey(const std::string& key) {
  return UserStore().DeleteKey(key);
}

} // namespace tessera
