// The registry functions of the Windows OS services, on the real registry
// (under Wine, the suite's own prefix).
#include "platform/win32/os_services_win32.h"

#include "platform/win32/windows_api.h"
#include "registry_cases.h"

#include <gtest/gtest.h>

#include <string>

namespace tessera {
namespace {

// Stores raw data under HKEY_CURRENT_USER, as another program could.
void SetRaw(const std::string& key, const wchar_t* name, DWORD type, const void* data,
            DWORD bytes) {
  win32::TRegKey opened;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, win32::Widen(key).c_str(), 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, opened.Receive(), nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExW(opened.Get(), name, 0, type, static_cast<const BYTE*>(data), bytes),
            ERROR_SUCCESS);
}

class RegistryWin32 : public ::testing::Test {
protected:
  void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, L"TesseraRegistryTest"); }
  Win32OsServices Os;
};

TEST_F(RegistryWin32, AnswersTheRegistryCases) {
  testing::RunRegistryCases(Os, [](const std::string& key, const std::string& name) {
    const DWORD number = 42;
    SetRaw(key, win32::Widen(name).c_str(), REG_DWORD, &number, sizeof number);
  });
}

TEST_F(RegistryWin32, ReadsTextDataAsStoredWithinItsSize) {
  const std::string key = testing::kRegistryTestKey + "\\Raw";
  // Not expanded.
  const wchar_t expand[] = L"%TEMP%\\x";
  SetRaw(key, L"Expand", REG_EXPAND_SZ, expand, sizeof expand);
  EXPECT_EQ(Os.RegistryReadString(key, "Expand"), "%TEMP%\\x");
  // No terminating NUL, and an odd byte count: only whole characters count.
  const wchar_t bare[] = {L'a', L'b', L'c'};
  SetRaw(key, L"Bare", REG_SZ, bare, sizeof bare);
  EXPECT_EQ(Os.RegistryReadString(key, "Bare"), "abc");
  SetRaw(key, L"Odd", REG_SZ, bare, 3);
  EXPECT_EQ(Os.RegistryReadString(key, "Odd"), "a");
  SetRaw(key, L"Nothing", REG_SZ, nullptr, 0);
  EXPECT_EQ(Os.RegistryReadString(key, "Nothing"), "");
  // What is written is a REG_SZ with its terminating NUL.
  ASSERT_TRUE(Os.RegistryWriteString(key, "Written", "\xC3\xA9t\xC3\xA9"));
  wchar_t back[8] = {};
  DWORD type = 0;
  DWORD bytes = sizeof back;
  ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER, win32::Widen(key).c_str(), L"Written", RRF_RT_ANY,
                         &type, back, &bytes),
            ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(bytes, 4 * sizeof(wchar_t));
  EXPECT_EQ(std::wstring(back), L"\u00e9t\u00e9");
}

} // namespace
} // namespace tessera
