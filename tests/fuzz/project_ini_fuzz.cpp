// Settings text comes from the package, so any bytes must load and read
// without a crash, and every string handed on must be valid UTF-8.
#include "base/utf.h"
#include "package/app_settings.h"
#include "package/project_ini.h"
#include "platform/fake/fake_os_services.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void Check(bool condition) {
  if (!condition) {
    std::abort();
  }
}

bool IsValidUtf8(const std::string& text) {
  return tessera::Utf16ToUtf8(tessera::Utf8ToUtf16(text)) == text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tessera;
  FakeOsServices os;
  os.AnsiIsLatin1 = size > 0 && (data[0] & 1) != 0;
  TProjectINI ini;
  ini.LoadFromBytes(std::string_view(reinterpret_cast<const char*>(data), size), os);

  for (const TStringSetting& setting : {kSettingID, kSettingName, kSettingIndexHtml}) {
    const std::string value = ReadAppSetting(ini, setting);
    Check(IsValidUtf8(value));
    Check(ini.ValueExists(kAppSection, setting.Key) || value == setting.Default);
  }
  for (const TIntegerSetting& setting : {kSettingWidth, kSettingWindowBorder}) {
    const std::int32_t value = ReadAppSetting(ini, setting);
    const std::string text = ini.ReadString(kAppSection, setting.Key, "");
    Check(value == ParseIniInteger(text).value_or(setting.Default));
  }
  Check(ReadAppSetting(ini, kSettingAllowDebug) ==
        (ini.ReadInteger(kAppSection, "AllowDebug", 0) != 0));
  Check(ReadAppSetting(ini, kSettingEdgeInstaller) ==
        (ini.ReadInteger(kAppSection, "EdgeInstaller", 1) != 0));
  (void)ReadAppSetting(ini, kSettingInstallFormColor);
  (void)ini.ReadString("", "", "");
  (void)ini.SectionExists("Other");
  return 0;
}
