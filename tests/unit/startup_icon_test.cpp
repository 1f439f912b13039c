// Start-up gives the windows the icon a Linux package carries.
#include "package/app_icon_entry.h"
#include "startup_fixture.h"

namespace tessera {
namespace {

class StartupIconTest : public testing::TStartupFixture {};

TEST_F(StartupIconTest, ThePackagesIconBecomesEveryWindowsIcon) {
  const std::string settings = "[App]\nID=demo\nName=Demo\nDirName=web\n";
  const std::string icon(kAppIconEntryName);
  const struct {
    const char* Why;
    testing::TPackageEntries Entries;
    std::string Icon;
  } cases[] = {
      {"the package's picture", {{"qel.ini", settings}, {icon, "PNG picture"}}, "PNG picture"},
      {"no icon entry: the toolkit's own", {{"qel.ini", settings}}, ""},
      {"bytes that are no picture: the toolkit's own, and start-up goes on",
       {{"qel.ini", settings}, {icon, "not an image"}},
       ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Why);
    Toolkit.ApplicationIcon.clear();
    Os.ExecutablePath = testing::MakePackagedExe(Dir, c.Entries, PackagePassword());
    EXPECT_EQ(Run(), -1);
    EXPECT_EQ(Toolkit.ApplicationIcon, c.Icon);
  }
}

} // namespace
} // namespace tessera
