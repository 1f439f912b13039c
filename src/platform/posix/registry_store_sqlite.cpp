#include "platform/posix/registry_store_sqlite.h"

#include "base/exceptions.h"
#include "platform/api/registry_key_path.h"

#include <sqlite3.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tessera {

namespace {

// The layout this code writes; a database of a later layout is left alone.
constexpr int kSchemaVersion = 1;
// How long an operation waits for another application's transaction.
constexpr int kBusyTimeoutMs = 10000;

constexpr const char* kSchema =
    // Every key but the root (which always exists), by canonical path.
    "CREATE TABLE IF NOT EXISTS registry_keys("
    "  path TEXT PRIMARY KEY NOT NULL"
    ") WITHOUT ROWID;"
    // Values by canonical key path ("" for the root) and canonical name;
    // data holds the text of REG_SZ and REG_EXPAND_SZ and the bytes of any
    // other type.
    "CREATE TABLE IF NOT EXISTS registry_values("
    "  key TEXT NOT NULL,"
    "  name TEXT NOT NULL,"
    "  type INTEGER NOT NULL,"
    "  data BLOB NOT NULL,"
    "  PRIMARY KEY(key, name)"
    ") WITHOUT ROWID;";

struct TCloseDatabase {
  void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using TDatabase = std::unique_ptr<sqlite3, TCloseDatabase>;

struct TFinalizeStatement {
  void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};

[[noreturn]] void Fail(sqlite3* db, const std::string& what) {
  throw ERegistryError("The registry store could not " + what + ": " + sqlite3_errmsg(db));
}

// One prepared statement with its parameters bound in order.
class TStatement {
public:
  TStatement(sqlite3* db, const char* sql) : FDb(db) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) != SQLITE_OK) {
      Fail(db, "prepare a query");
    }
    FStatement.reset(statement);
  }

  TStatement& Text(const std::string& text) {
    Check(
        sqlite3_bind_text(FStatement.get(), ++FBound, text.data(), Length(text), SQLITE_TRANSIENT));
    return *this;
  }
  TStatement& Blob(const std::string& bytes) {
    Check(sqlite3_bind_blob(FStatement.get(), ++FBound, bytes.data(), Length(bytes),
                            SQLITE_TRANSIENT));
    return *this;
  }
  TStatement& Int(int value) {
    Check(sqlite3_bind_int(FStatement.get(), ++FBound, value));
    return *this;
  }

  // Runs the statement to its first row; false when it has none. `rc`
  // receives the result code for callers that take failures as answers.
  bool Step(int* rc = nullptr) {
    const int result = sqlite3_step(FStatement.get());
    if (rc != nullptr) {
      *rc = result;
      return result == SQLITE_ROW;
    }
    if (result != SQLITE_ROW && result != SQLITE_DONE) {
      Fail(FDb, "run a query");
    }
    return result == SQLITE_ROW;
  }

  int ColumnInt(int column) { return sqlite3_column_int(FStatement.get(), column); }
  std::string ColumnBytes(int column) {
    const void* bytes = sqlite3_column_blob(FStatement.get(), column);
    const int size = sqlite3_column_bytes(FStatement.get(), column);
    return bytes == nullptr ? std::string() : std::string(static_cast<const char*>(bytes), size);
  }

private:
  int Length(const std::string& bytes) {
    if (bytes.size() > static_cast<size_t>(INT_MAX)) {
      throw ERegistryError("The registry store cannot hold a text of this size");
    }
    return static_cast<int>(bytes.size());
  }
  void Check(int rc) {
    if (rc != SQLITE_OK) {
      Fail(FDb, "bind a query's value");
    }
  }

  sqlite3* FDb;
  std::unique_ptr<sqlite3_stmt, TFinalizeStatement> FStatement;
  int FBound = 0;
};

bool Execute(sqlite3* db, const char* sql) {
  return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

// A transaction that is rolled back unless committed.
class TTransaction {
public:
  TTransaction(sqlite3* db, bool write)
      : FDb(db), FActive(Execute(db, write ? "BEGIN IMMEDIATE" : "BEGIN")) {}
  ~TTransaction() {
    if (FActive) {
      Execute(FDb, "ROLLBACK");
    }
  }
  TTransaction(const TTransaction&) = delete;
  TTransaction& operator=(const TTransaction&) = delete;

  bool Active() const { return FActive; }
  bool Commit() {
    FActive = !Execute(FDb, "COMMIT");
    return !FActive;
  }

private:
  sqlite3* FDb;
  bool FActive;
};

// Creates the folder and its missing parents, private to the user.
bool MakeFolders(const std::string& folder) {
  for (size_t end = folder.find('/', 1);; end = folder.find('/', end + 1)) {
    const std::string part = folder.substr(0, end);
    if (!part.empty() && mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
      return false;
    }
    if (end == std::string::npos) {
      return true;
    }
  }
}

// Opens the database, creating it with its tables on first use; nothing
// when it cannot be opened or is of a later layout.
TDatabase OpenDatabase(const std::string& path) {
  if (path.empty()) {
    return nullptr;
  }
  const size_t slash = path.rfind('/');
  if (slash != std::string::npos && slash > 0 && !MakeFolders(path.substr(0, slash))) {
    return nullptr;
  }
  sqlite3* raw = nullptr;
  const int rc =
      sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  TDatabase db(raw);
  if (rc != SQLITE_OK) {
    return nullptr;
  }
  sqlite3_busy_timeout(db.get(), kBusyTimeoutMs);
  // WAL lets readers go on while another application writes; where the
  // file system cannot share its index (a network home), SQLite keeps its
  // rollback journal, which is just as safe.
  Execute(db.get(), "PRAGMA journal_mode=WAL");
  if (!Execute(db.get(), "PRAGMA synchronous=FULL")) {
    return nullptr;
  }
  int version = -1;
  try {
    TStatement query(db.get(), "PRAGMA user_version");
    if (query.Step()) {
      version = query.ColumnInt(0);
    }
  } catch (const ERegistryError&) {
    return nullptr; // not a database, or unreadable
  }
  if (version == 0) {
    TTransaction transaction(db.get(), true);
    if (!transaction.Active() || !Execute(db.get(), kSchema) ||
        !Execute(db.get(), ("PRAGMA user_version=" + std::to_string(kSchemaVersion)).c_str()) ||
        !transaction.Commit()) {
      return nullptr;
    }
  } else if (version != kSchemaVersion) {
    return nullptr;
  }
  return db;
}

bool KeyRowExists(sqlite3* db, const std::string& path) {
  return path.empty() ||
         TStatement(db, "SELECT 1 FROM registry_keys WHERE path = ?").Text(path).Step();
}

// The string types read as text, up to the first NUL as the registry does.
std::string ValueText(int type, const std::string& data, const std::string& name) {
  if (type != kRegistryString && type != kRegistryExpandString) {
    throw ERegistryError("The registry value \"" + name + "\" is not text");
  }
  return data.substr(0, data.find('\0'));
}

std::string EnvironmentPath(const char* name) {
  const char* value = std::getenv(name);
  // Only an absolute path counts; a relative one would depend on where the
  // application was started.
  return value != nullptr && value[0] == '/' ? std::string(value) : std::string();
}

} // namespace

std::string TRegistryStore::UserDatabasePath() {
  std::string dataHome = EnvironmentPath("XDG_DATA_HOME");
  if (dataHome.empty()) {
    std::string home = EnvironmentPath("HOME");
    if (home.empty()) {
      std::vector<char> buffer(16384);
      passwd entry{};
      passwd* found = nullptr;
      if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
          found != nullptr && found->pw_dir != nullptr && found->pw_dir[0] == '/') {
        home = found->pw_dir;
      }
    }
    if (home.empty()) {
      return {};
    }
    dataHome = home + "/.local/share";
  }
  return dataHome + "/tessera/registry.sqlite3";
}

bool TRegistryStore::WriteValue(const std::string& key, const std::string& name, int type,
                                const std::string& data) {
  const std::optional<std::string> path = CanonicalRegistryKey(key);
  if (!path) {
    return false;
  }
  const TDatabase db = OpenDatabase(FPath);
  if (!db) {
    return false;
  }
  TTransaction transaction(db.get(), true);
  if (!transaction.Active()) {
    return false;
  }
  // Opening the key creates it with its parents; a failure here is a key
  // that could not be created.
  for (const std::string& ancestor : RegistryKeyLineage(*path)) {
    int rc = SQLITE_OK;
    TStatement(db.get(), "INSERT OR IGNORE INTO registry_keys(path) VALUES(?)")
        .Text(ancestor)
        .Step(&rc);
    if (rc != SQLITE_DONE) {
      return false;
    }
  }
  TStatement write(db.get(), "INSERT OR REPLACE INTO registry_values(key, name, type, data) "
                             "VALUES(?, ?, ?, ?)");
  write.Text(*path).Text(CanonicalRegistryValueName(name)).Int(type);
  if (type == kRegistryString || type == kRegistryExpandString) {
    write.Text(data);
  } else {
    write.Blob(data);
  }
  write.Step();
  if (!transaction.Commit()) {
    Fail(db.get(), "store the value");
  }
  return true;
}

bool TRegistryStore::WriteString(const std::string& key, const std::string& name,
                                 const std::string& value) {
  return WriteValue(key, name, kRegistryString, value);
}

std::optional<std::string> TRegistryStore::ReadString(const std::string& key,
                                                      const std::string& name) {
  const std::optional<std::string> path = CanonicalRegistryKey(key);
  const TDatabase db = path ? OpenDatabase(FPath) : TDatabase();
  if (!db) {
    return std::nullopt;
  }
  TTransaction transaction(db.get(), false);
  if (!transaction.Active() || !KeyRowExists(db.get(), *path)) {
    return std::nullopt;
  }
  TStatement read(db.get(), "SELECT type, data FROM registry_values WHERE key = ? AND name = ?");
  if (!read.Text(*path).Text(CanonicalRegistryValueName(name)).Step()) {
    return std::string();
  }
  return ValueText(read.ColumnInt(0), read.ColumnBytes(1), name);
}

bool TRegistryStore::ValueExists(const std::string& key, const std::string& name) {
  const std::optional<std::string> path = CanonicalRegistryKey(key);
  const TDatabase db = path ? OpenDatabase(FPath) : TDatabase();
  if (!db) {
    return false;
  }
  TTransaction transaction(db.get(), false);
  return transaction.Active() && KeyRowExists(db.get(), *path) &&
         TStatement(db.get(), "SELECT 1 FROM registry_values WHERE key = ? AND name = ?")
             .Text(*path)
             .Text(CanonicalRegistryValueName(name))
             .Step();
}

bool TRegistryStore::DeleteValue(const std::string& key, const std::string& name) {
  const std::optional<std::string> path = CanonicalRegistryKey(key);
  const TDatabase db = path ? OpenDatabase(FPath) : TDatabase();
  if (!db) {
    return false;
  }
  TTransaction transaction(db.get(), true);
  if (!transaction.Active() || !KeyRowExists(db.get(), *path)) {
    return false;
  }
  TStatement(db.get(), "DELETE FROM registry_values WHERE key = ? AND name = ?")
      .Text(*path)
      .Text(CanonicalRegistryValueName(name))
      .Step();
  const bool deleted = sqlite3_changes(db.get()) > 0;
  if (!transaction.Commit()) {
    Fail(db.get(), "delete the value");
  }
  return deleted;
}

bool TRegistryStore::KeyExists(const std::string& key) {
  const std::optional<std::string> path = CanonicalRegistryKey(key);
  if (!path) {
    return false;
  }
  if (path->empty()) {
    return true; // the root, whether or not the store has been made yet
  }
  const TDatabase db = OpenDatabase(FPath);
  return db && KeyRowExists(db.get(), *path);
}

bool TRegistryStore::DeleteKey(const std::string& key) {
  const std::optional<std::string> path = CanonicalRegistryKey(key);
  // The root cannot be deleted; emptying it first would only lose every
  // key of the user and still fail.
  if (!path || path->empty()) {
    return false;
  }
  const TDatabase db = OpenDatabase(FPath);
  if (!db) {
    return false;
  }
  TTransaction transaction(db.get(), true);
  if (!transaction.Active() || !KeyRowExists(db.get(), *path)) {
    return false;
  }
  // The key and its subtree: the paths that begin with "<key>\" sort from
  // there up to, not including, "<key>]" (']' follows '\').
  const std::string first = *path + '\\';
  const std::string past = *path + ']';
  int rc = SQLITE_OK;
  TStatement(db.get(), "DELETE FROM registry_values WHERE key = ? OR (key >= ? AND key < ?)")
      .Text(*path)
      .Text(first)
      .Text(past)
      .Step(&rc);
  if (rc != SQLITE_DONE) {
    return false;
  }
  TStatement(db.get(), "DELETE FROM registry_keys WHERE path = ? OR (path >= ? AND path < ?)")
      .Text(*path)
      .Text(first)
      .Text(past)
      .Step(&rc);
  return rc == SQLITE_DONE && transaction.Commit();
}

} // namespace tessera
