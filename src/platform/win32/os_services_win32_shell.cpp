// Console commands, explorer, log-off and power, the network adapters and
// the top-level window captions of the Windows OS services.
#include "platform/win32/os_services_win32.h"

#include "platform/win32/kernel_handle.h"
#include "platform/win32/windows_api.h"

#include <iphlpapi.h>
#include <shellapi.h>

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

namespace tessera {

using win32::Narrow;
using win32::TKernelHandle;
using win32::Widen;

namespace {

// Enables one privilege of the process's own token. Failures are not
// reported: the request that needs the privilege says whether it was
// granted.
void EnablePrivilege(const wchar_t* name) {
  TKernelHandle token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY,
                        token.Receive()))
    return;
  TOKEN_PRIVILEGES privileges{};
  if (!LookupPrivilegeValueW(nullptr, name, &privileges.Privileges[0].Luid))
    return;
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  AdjustTokenPrivileges(token.Get(), FALSE, &privileges, 0, nullptr, nullptr);
}

bool IsBlankCaption(const std::wstring& caption) {
  for (const wchar_t c : caption)
    if (c > L' ')
      return false;
  return true;
}

BOOL CALLBACK CollectCaption(HWND window, LPARAM context) noexcept {
  // A system callback: nothing may leave it, and the walk always goes on.
  try {
    const int length = GetWindowTextLengthW(window);
    if (length <= 0)
      return TRUE;
    std::wstring caption(static_cast<size_t>(length) + 1, L'\0');
    const int got = GetWindowTextW(window, caption.data(), length + 1);
    caption.resize(static_cast<size_t>(got > 0 ? got : 0));
    if (!IsBlankCaption(caption))
      reinterpret_cast<std::vector<std::string>*>(context)->push_back(Narrow(caption));
  } catch (...) {
    // A caption that cannot be kept is left out.
  }
  return TRUE;
}

} // namespace

std::string Win32OsServices::GetDosOutput(const std::string& command, const std::string& workingDir,
                                          bool showWindow) {
  SECURITY_ATTRIBUTES security{};
  security.nLength = sizeof security;
  security.bInheritHandle = TRUE;
  TKernelHandle readEnd;
  TKernelHandle writeEnd;
  if (!CreatePipe(readEnd.Receive(), writeEnd.Receive(), &security, 0))
    return {};
  // Only the write end is for the command; it must not hold the read end,
  // which is ours.
  SetHandleInformation(readEnd.Get(), HANDLE_FLAG_INHERIT, 0);

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = writeEnd.Get();
  startup.hStdError = writeEnd.Get();
  startup.wShowWindow = showWindow ? SW_SHOWNORMAL : SW_HIDE;
  std::wstring commandLine = L"cmd.exe /C " + Widen(command);
  const std::wstring folder = Widen(workingDir);
  PROCESS_INFORMATION process{};
  const BOOL started =
      CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                     workingDir.empty() ? nullptr : folder.c_str(), &startup, &process);
  // Our copy of the write end goes at once, so the pipe ends when the
  // command (and whatever it started) has let go of it.
  writeEnd.Reset();
  if (!started)
    return {};
  const TKernelHandle processHandle(process.hProcess);
  const TKernelHandle threadHandle(process.hThread);

  // Each block counts up to its first NUL byte. The blocks are decoded
  // together, so a double-byte character split between two reads stays
  // whole.
  std::string bytes;
  char buffer[255];
  DWORD got = 0;
  while (ReadFile(readEnd.Get(), buffer, sizeof buffer, &got, nullptr) && got > 0) {
    DWORD length = 0;
    while (length < got && buffer[length] != '\0')
      ++length;
    bytes.append(buffer, length);
  }
  WaitForSingleObject(processHandle.Get(), INFINITE);
  return DecodeAnsiText(bytes);
}

bool Win32OsServices::ShellExplore(const std::string& path) {
  const std::wstring parameters = L"/select, \"" + Widen(path) + L"\"";
  const auto result = reinterpret_cast<INT_PTR>(ShellExecuteW(
      GetActiveWindow(), L"open", L"explorer.exe", parameters.c_str(), nullptr, SW_SHOWNORMAL));
  return result > 32;
}

bool Win32OsServices::RequestSystemExit(std::uint32_t flags) {
  EnablePrivilege(SE_SHUTDOWN_NAME);
  return ExitWindowsEx(flags, 0) != 0;
}

std::vector<std::string> Win32OsServices::GetMacAddresses() {
  std::vector<std::string> lines;
  DWORD count = 0;
  if (GetNumberOfInterfaces(&count) != NO_ERROR || count == 0)
    return lines;
  // One record per interface, zero-filled; when they do not suffice the
  // query writes nothing and every record stays empty.
  std::vector<IP_ADAPTER_INFO> records(count);
  ULONG size = static_cast<ULONG>(records.size() * sizeof(IP_ADAPTER_INFO));
  GetAdaptersInfo(records.data(), &size);
  for (const IP_ADAPTER_INFO& record : records) {
    const char* prefix = record.Type == MIB_IF_TYPE_ETHERNET ? "E"
                         : record.Type == IF_TYPE_IEEE80211  ? "W"
                                                             : "U";
    char line[32];
    std::snprintf(line, sizeof line, "%s,%.2X:%.2X:%.2X:%.2X:%.2X:%.2X", prefix, record.Address[0],
                  record.Address[1], record.Address[2], record.Address[3], record.Address[4],
                  record.Address[5]);
    if (std::string(line) != std::string(prefix) + ",00:00:00:00:00:00")
      lines.emplace_back(line);
  }
  return lines;
}

std::vector<std::string> Win32OsServices::GetWindowsCaptions() {
  std::vector<std::string> captions;
  EnumWindows(CollectCaption, reinterpret_cast<LPARAM>(&captions));
  return captions;
}

} // namespace tessera
