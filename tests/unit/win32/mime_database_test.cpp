// The MIME table over the real registry, as the Windows backend reads it.
#include "base/mime_table.h"
#include "platform/api/os_services.h"
#include "platform/win32/windows_api.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <initializer_list>
#include <string>

namespace tessera {
namespace {

constexpr const wchar_t* kClasses = L"Software\\Classes\\";
// Made-up names, so nothing real is touched; mixed case to see the
// lower-casing on what the registry hands back.
constexpr const wchar_t* kPass1Key = L".TesseraTest";
constexpr const wchar_t* kOverriddenKey = L".tesseratest2";
constexpr const wchar_t* kPass2Key = L"MIME\\Database\\Content Type\\Application/X-Tessera-Pass2";

// Windows shows the user's classes (HKEY_CURRENT_USER\Software\Classes)
// through HKEY_CLASSES_ROOT. Wine 8 does not merge them; there the keys go
// straight into HKEY_CLASSES_ROOT of the suite's private prefix instead.
class MimeDatabase : public testing::Test {
protected:
  void SetUp() override {
    RemoveKeys();
    WriteKeys(HKEY_CURRENT_USER, kClasses);
    if (!ShowsThroughClassesRoot()) {
      RemoveKeys();
      WriteKeys(HKEY_CLASSES_ROOT, L"");
    }
  }
  void TearDown() override { RemoveKeys(); }

  static void WriteKeys(HKEY root, const std::wstring& prefix) {
    WriteText(root, prefix + kPass1Key, L"Content Type", L"Application/X-Tessera-Test");
    WriteText(root, prefix + kOverriddenKey, L"Content Type", L"application/x-from-pass1");
    // Pass 2 names the extension without its "."; it beats pass 1.
    WriteText(root, prefix + kPass2Key, L"Extension", L"TesseraTest2");
  }

  static void WriteText(HKEY root, const std::wstring& path, const wchar_t* name,
                        const wchar_t* value) {
    win32::TRegKey key;
    ASSERT_EQ(RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, key.Receive(),
                              nullptr),
              ERROR_SUCCESS);
    const DWORD bytes = static_cast<DWORD>((wcslen(value) + 1) * sizeof(wchar_t));
    ASSERT_EQ(
        RegSetValueExW(key.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), bytes),
        ERROR_SUCCESS);
  }

  static bool ShowsThroughClassesRoot() {
    win32::TRegKey key;
    return RegOpenKeyExW(HKEY_CLASSES_ROOT, kPass1Key, 0, KEY_READ, key.Receive()) == ERROR_SUCCESS;
  }

  static void RemoveKeys() {
    for (const wchar_t* subkey : {kPass1Key, kOverriddenKey, kPass2Key}) {
      RegDeleteTreeW(HKEY_CURRENT_USER, (std::wstring(kClasses) + subkey).c_str());
      RegDeleteKeyW(HKEY_CURRENT_USER, (std::wstring(kClasses) + subkey).c_str());
      RegDeleteTreeW(HKEY_CLASSES_ROOT, subkey);
      RegDeleteKeyW(HKEY_CLASSES_ROOT, subkey);
    }
  }
};

TEST_F(MimeDatabase, TableSeesContentTypesOfTheRegistry) {
  const TSystemMimeTypes system = CreateOsServices()->ReadMimeDatabase();
  const TMimeTable table(system);

  EXPECT_EQ(table.TypeOfFile("C:\\data\\report.TESSERATEST"), "application/x-tessera-test");
  EXPECT_EQ(table.TypeOfFile("report.tesseratest2"), "application/x-tessera-pass2");
  // Built-in lines the registry leaves alone keep their types.
  EXPECT_EQ(table.TypeOfFile("index.html"), "text/html");
  EXPECT_EQ(table.TypeOfFile("no-extension"), "application/octet-stream");
}

} // namespace
} // namespace tessera
