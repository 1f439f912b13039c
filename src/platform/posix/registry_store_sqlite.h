#pragma once

#include <optional>
#include <string>

namespace tessera {

// The user's registry on Linux, where there is no system registry: one
// SQLite database per user, shared by every Tessera application of the user
// as the current-user hive is on Windows. Keys and value names follow the
// Windows rules (registry_key_path.h); values keep their type.
//
// Every operation opens the database, does its work in one transaction and
// closes it again, so several applications can use the store at once (the
// database is in write-ahead-log mode, and a writer waits for another's
// transaction instead of failing) and a process that dies mid-write leaves
// the last committed state (SQLite's atomic commit; commits are synced with
// synchronous=FULL, so a write that was reported also survives a power
// cut).
//
// Failing to open the database or to start its transaction counts as a key
// that cannot be opened; other database failures raise ERegistryError.
class TRegistryStore {
public:
  // The database at `path`; its folder is created on first use (with mode
  // 0700: the values are the user's own). An empty path opens nothing.
  explicit TRegistryStore(std::string path) : FPath(std::move(path)) {}

  // $XDG_DATA_HOME/tessera/registry.sqlite3, ~/.local/share instead of an
  // unset (or relative) XDG_DATA_HOME; "" when the user has no home.
  static std::string UserDatabasePath();

  bool WriteString(const std::string& key, const std::string& name, const std::string& value);
  std::optional<std::string> ReadString(const std::string& key, const std::string& name);
  bool ValueExists(const std::string& key, const std::string& name);
  bool DeleteValue(const std::string& key, const std::string& name);
  bool KeyExists(const std::string& key);
  // The root is never deleted: false, and nothing below it is touched.
  bool DeleteKey(const std::string& key);

  // Stores a value of any type (REG_SZ = 1, REG_DWORD = 4...), creating the
  // key; what another tool could write into the store. False when the key
  // cannot be opened or created.
  bool WriteValue(const std::string& key, const std::string& name, int type,
                  const std::string& data);

private:
  std::string FPath;
};

} // namespace tessera
