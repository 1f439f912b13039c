#include "package/app_settings.h"
#include "package/calculations.h"
#include "package/project_ini.h"
#include "package/zip_archive.h"
#include "package/zip_writer.h"
#include "platform/fake/fake_os_services.h"

#include <gtest/gtest.h>

namespace tessera {
namespace {

// A package holding the given entries, encrypted with the package password.
TMemoryStream MakePackage(const std::vector<std::pair<std::string, std::string>>& entries) {
  TMemoryStream package;
  TZipWriter writer(package, PackagePassword());
  for (const auto& [name, text] : entries) {
    writer.AddEntry(name, std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
  }
  writer.Finish();
  return package;
}

TEST(LoadProjectINI, ReadsTheSettingsEntryOrLeavesTheSettingsEmpty) {
  const TMemoryStream package =
      MakePackage({{"web/index.html", "<p>"},
                   {"QEL.INI", "\xEF\xBB\xBF[App]\r\nID=demo\r\nName=D\xC3\xA9mo\r\n"}});
  const TMemoryStream noSettings = MakePackage({{"web/index.html", "<p>"}});
  FakeOsServices os;

  struct TCase {
    const TMemoryStream* Package;
    std::string Password;
    std::string ExpectedID;
    std::string ExpectedName;
  };
  const TCase cases[] = {
      {&package, PackagePassword(), "demo", "D\xC3\xA9mo"}, // found ignoring case
      {&package, "wrong password", "", ""},
      {&noSettings, PackagePassword(), "", ""},
  };
  for (const TCase& c : cases) {
    TZipArchive archive;
    archive.SetPassword(c.Password);
    archive.Open(*c.Package);
    TProjectINI ini;
    ini.LoadFromText("[App]\nID=stale\n");
    LoadProjectINI(archive, ini, os);
    EXPECT_EQ(ReadAppSetting(ini, kSettingID), c.ExpectedID);
    EXPECT_EQ(ReadAppSetting(ini, kSettingName), c.ExpectedName);
  }
}

} // namespace
} // namespace tessera
