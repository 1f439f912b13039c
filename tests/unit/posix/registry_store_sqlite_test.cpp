// The Linux registry store on real SQLite files, in a temporary data folder.
#include "platform/posix/registry_store_sqlite.h"

#include "platform/api/registry_key_path.h"
#include "platform/posix/os_services_posix.h"
#include "registry_cases.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace tessera {
namespace {

// Sets an environment variable for the life of the object.
class TScopedEnv {
public:
  TScopedEnv(const char* name, const std::optional<std::string>& value) : FName(name) {
    if (const char* old = std::getenv(name)) {
      FOld = old;
    }
    Set(value);
  }
  ~TScopedEnv() { Set(FOld); }
  TScopedEnv(const TScopedEnv&) = delete;
  TScopedEnv& operator=(const TScopedEnv&) = delete;

private:
  void Set(const std::optional<std::string>& value) {
    if (value) {
      setenv(FName, value->c_str(), 1);
    } else {
      unsetenv(FName);
    }
  }
  const char* FName;
  std::optional<std::string> FOld;
};

class RegistryStoreSqlite : public ::testing::Test {
protected:
  testing::TTempDir Dir;
  TScopedEnv DataHome{"XDG_DATA_HOME", Dir.File("data")};
  PosixOsServices Os;

  std::string DatabasePath() const { return Dir.File("data") + "/tessera/registry.sqlite3"; }
};

TEST_F(RegistryStoreSqlite, AnswersTheRegistryCases) {
  testing::RunRegistryCases(Os, [](const std::string& key, const std::string& name) {
    TRegistryStore(TRegistryStore::UserDatabasePath())
        .WriteValue(key, name, kRegistryDword, std::string("\x2A\0\0\0", 4));
  });
}

TEST_F(RegistryStoreSqlite, LivesInTheUsersDataFolderAndKeepsValuesAcrossOpenings) {
  EXPECT_EQ(TRegistryStore::UserDatabasePath(), DatabasePath());
  ASSERT_TRUE(Os.RegistryWriteString("Software\\Example", "Name", "kept"));
  struct stat folder {};
  ASSERT_EQ(stat((Dir.File("data") + "/tessera").c_str(), &folder), 0);
  EXPECT_EQ(folder.st_mode & 0777, 0700u);

  // Another services object, as after a restart of the application.
  PosixOsServices restarted;
  EXPECT_EQ(restarted.RegistryReadString("SOFTWARE\\example", "name"), "kept");

  // Without XDG_DATA_HOME (or with a relative one) the store is under the
  // home folder.
  TScopedEnv relative("XDG_DATA_HOME", "relative/data");
  TScopedEnv home("HOME", Dir.File("home"));
  EXPECT_EQ(TRegistryStore::UserDatabasePath(),
            Dir.File("home") + "/.local/share/tessera/registry.sqlite3");
}

TEST_F(RegistryStoreSqlite, TwoProcessesWritingAtOnceLoseNothing) {
  constexpr int kWrites = 40;
  ASSERT_TRUE(Os.RegistryKeyExists("\\")); // nothing made yet; both children race to create
  std::vector<pid_t> children;
  for (int child = 0; child < 2; ++child) {
    const pid_t pid = fork();
    ASSERT_NE(pid, -1);
    if (pid == 0) {
      PosixOsServices os;
      int failures = 0;
      for (int i = 0; i < kWrites; ++i) {
        const std::string name = "p" + std::to_string(child) + "v" + std::to_string(i);
        try {
          failures +=
              os.RegistryWriteString("Software\\Shared\\" + std::to_string(i % 3), name, name) ? 0
                                                                                               : 1;
        } catch (...) {
          ++failures;
        }
      }
      _exit(failures == 0 ? 0 : 1);
    }
    children.push_back(pid);
  }
  for (const pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  for (int child = 0; child < 2; ++child) {
    for (int i = 0; i < kWrites; ++i) {
      const std::string name = "p" + std::to_string(child) + "v" + std::to_string(i);
      EXPECT_EQ(Os.RegistryReadString("Software\\Shared\\" + std::to_string(i % 3), name), name);
    }
  }
}

TEST_F(RegistryStoreSqlite, AStoreItCannotUseIsAKeyThatCannotBeOpenedAndIsLeftAlone) {
  // Not a database at all.
  std::filesystem::create_directories(Dir.File("data") + "/tessera");
  testing::WriteBytes(DatabasePath(), {'n', 'o', 't', ' ', 'a', ' ', 'd', 'b'});
  EXPECT_FALSE(Os.RegistryWriteString("Software\\Example", "Name", "x"));
  EXPECT_EQ(Os.RegistryReadString("Software\\Example", "Name"), std::nullopt);
  EXPECT_EQ(testing::ReadBytes(DatabasePath()).size(), 8u);

  // A database of a later layout.
  std::filesystem::remove(DatabasePath());
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(DatabasePath().c_str(), &db), SQLITE_OK);
  EXPECT_EQ(sqlite3_exec(db, "PRAGMA user_version=2", nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(db);
  EXPECT_FALSE(Os.RegistryWriteString("Software\\Example", "Name", "x"));
  EXPECT_FALSE(Os.RegistryKeyExists("Software"));
  EXPECT_TRUE(Os.RegistryKeyExists("\\"));
}

} // namespace
} // namespace tessera
