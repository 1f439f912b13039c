// Linux-only behaviour of the OS services: XDG folders, launches that fail
// before anything starts, and the raw bytes of console output.
#include "platform/api/os_services.h"

#include "temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <string>

namespace tessera {
namespace {

// Sets environment values for one test and puts the old ones back.
class TEnvironment {
public:
  ~TEnvironment() {
    for (const auto& [name, value] : FSaved) {
      if (value)
        setenv(name.c_str(), value->c_str(), 1);
      else
        unsetenv(name.c_str());
    }
  }
  void Set(const std::string& name, const std::optional<std::string>& value) {
    if (FSaved.count(name) == 0) {
      const char* old = std::getenv(name.c_str());
      FSaved[name] = old != nullptr ? std::optional<std::string>(old) : std::nullopt;
    }
    if (value)
      setenv(name.c_str(), value->c_str(), 1);
    else
      unsetenv(name.c_str());
  }

private:
  std::map<std::string, std::optional<std::string>> FSaved;
};

class PosixOsServicesTest : public ::testing::Test {
protected:
  std::unique_ptr<OsServices> Os = CreateOsServices();
  testing::TTempDir Home;
  TEnvironment Environment;
};

TEST_F(PosixOsServicesTest, StandardFoldersFollowTheXdgSettings) {
  const std::string home = Home.File("");
  Environment.Set("HOME", home.substr(0, home.size() - 1));
  Environment.Set("XDG_CONFIG_HOME", std::nullopt);
  Environment.Set("TMPDIR", std::nullopt);
  EXPECT_EQ(Os->GetUserDocumentsDirPath(), home + "Documents/");
  EXPECT_EQ(Os->GetUserDesktopDirPath(), home + "Desktop/");
  EXPECT_EQ(Os->GetUserAppDataDirPath(), home + ".config/");
  EXPECT_EQ(Os->GetTempDirPath(), "/tmp/");

  ASSERT_TRUE(Os->ForceDirectories(home + "cfg"));
  ASSERT_TRUE(Os->SaveBytesToFile(home + "cfg/user-dirs.dirs",
                                  "# written by xdg-user-dirs-update\n"
                                  "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n"
                                  "XDG_DOCUMENTS_DIR=\"/srv/docs\"\n"));
  Environment.Set("XDG_CONFIG_HOME", home + "cfg");
  Environment.Set("TMPDIR", "/var/tmp");
  EXPECT_EQ(Os->GetUserDesktopDirPath(), home + "Schreibtisch/");
  EXPECT_EQ(Os->GetUserDocumentsDirPath(), "/srv/docs/");
  EXPECT_EQ(Os->GetUserAppDataDirPath(), home + "cfg/");
  EXPECT_EQ(Os->GetTempDirPath(), "/var/tmp/");
}

TEST_F(PosixOsServicesTest, MissingItemsFailWithTheSystemsReason) {
  const std::string missing = Home.File("missing.txt");
  EXPECT_FALSE(Os->ShellExec(missing, ""));
  EXPECT_EQ(Os->LastSystemErrorText(), "No such file or directory");
  EXPECT_FALSE(Os->ShellExplore(missing));
  EXPECT_EQ(Os->LastSystemErrorText(), "No such file or directory");
}

TEST_F(PosixOsServicesTest, DosOutputKeepsEachReadUpToItsFirstNul) {
  EXPECT_EQ(Os->GetDosOutput("printf 'ab\\000cd'", "", false), "ab");
}

TEST_F(PosixOsServicesTest, DosOutputKeepsCharactersSplitBetweenReads) {
  // 300 two-byte characters arrive in reads of 255 bytes.
  Environment.Set("LC_ALL", "C.UTF-8");
  std::string expected;
  for (int i = 0; i < 300; ++i)
    expected += "\xC3\xA9";
  EXPECT_EQ(Os->GetDosOutput("printf '" + expected + "'", "", false), expected);
}

TEST_F(PosixOsServicesTest, Utf8TextDecodesTheSameWithoutALocale) {
  // A process started without a locale (LANG unset: services, some
  // launchers) reads UTF-8 text as one with a UTF-8 locale does; bytes
  // that are no UTF-8 and no text of the locale's encoding become U+FFFD.
  for (const std::optional<std::string>& locale :
       {std::optional<std::string>("C.UTF-8"), std::optional<std::string>("C"),
        std::optional<std::string>()}) {
    Environment.Set("LC_ALL", locale);
    Environment.Set("LC_CTYPE", std::nullopt);
    Environment.Set("LANG", std::nullopt);
    const std::string label = locale.value_or("(none)");
    EXPECT_EQ(Os->DecodeAnsiText("Caf\xC3\xA9 \xE2\x82\xAC"), "Caf\xC3\xA9 \xE2\x82\xAC") << label;
    EXPECT_EQ(Os->DecodeAnsiText("Caf\xE9"), "Caf\xEF\xBF\xBD") << label;
  }
}

TEST_F(PosixOsServicesTest, NoDisplayMeansNoWindowCaptions) {
  Environment.Set("DISPLAY", std::nullopt);
  EXPECT_TRUE(Os->GetWindowsCaptions().empty());
}

} // namespace
} // namespace tessera
