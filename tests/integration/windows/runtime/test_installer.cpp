// A stand-in for the browser runtime's installer, packed into test
// applications. It records how it was started and, when asked, leaves the
// file that the test engine takes for an installed runtime:
//   TESSERA_TEST_INSTALLER_LOG       file to append the command line to
//   TESSERA_TEST_INSTALLER_WAIT_FOR  file whose appearance lets it finish:
//                                    the test looks at the waiting
//                                    application first, however long a busy
//                                    machine takes to show it
//   TESSERA_TEST_INSTALLER_CREATES   file to create when done
// Without TESSERA_TEST_INSTALLER_CREATES it installs nothing.
#include "platform/win32/windows_api.h"

#include <string>

namespace {

// How long it waits for the test at most, so that a test that failed
// before letting it go leaves no installer behind for good.
constexpr ULONGLONG kWaitForTestMs = 600000;

std::wstring Variable(const wchar_t* name) {
  wchar_t value[4096] = {};
  const DWORD length = GetEnvironmentVariableW(name, value, 4096);
  return length > 0 && length < 4096 ? std::wstring(value, length) : std::wstring();
}

void AppendLine(const std::wstring& path, const std::wstring& text) {
  HANDLE file = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return;
  const std::string line = tessera::win32::Narrow(text) + "\n";
  DWORD written = 0;
  WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  CloseHandle(file);
}

} // namespace

int wmain() {
  if (const std::wstring log = Variable(L"TESSERA_TEST_INSTALLER_LOG"); !log.empty())
    AppendLine(log, GetCommandLineW());
  if (const std::wstring release = Variable(L"TESSERA_TEST_INSTALLER_WAIT_FOR"); !release.empty()) {
    const ULONGLONG deadline = GetTickCount64() + kWaitForTestMs;
    while (GetFileAttributesW(release.c_str()) == INVALID_FILE_ATTRIBUTES) {
      if (GetTickCount64() > deadline)
        return 2;
      Sleep(50);
    }
  }
  if (const std::wstring marker = Variable(L"TESSERA_TEST_INSTALLER_CREATES"); !marker.empty()) {
    HANDLE file = CreateFileW(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
      return 1;
    CloseHandle(file);
  }
  return 0;
}
