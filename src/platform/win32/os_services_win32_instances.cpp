// How the running instances of an application know of each other (Windows
// OS services): the single-instance marker, and the tokens by which a
// running instance lets the processes it starts prove where they come from.
#include "platform/api/hand_off_proof.h"
#include "platform/win32/os_services_win32.h"

#include "platform/win32/windows_api.h"

#include <ntsecapi.h>

#include <string>
#include <utility>

namespace tessera {

using win32::TKernelHandle;
using win32::Widen;

namespace {

// The session's name of the application's token object for a process; a
// backslash in the ID would name another namespace.
std::wstring HandOffObjectName(const std::string& appID, const std::string& processID) {
  std::wstring safe = Widen(appID);
  for (wchar_t& c : safe)
    if (c == L'\\')
      c = L'_';
  return L"Local\\tessera-hand-off-" + safe + L"-" + Widen(processID);
}

std::string RandomToken() {
  unsigned char bytes[kHandOffTokenLength / 2];
  if (!RtlGenRandom(bytes, sizeof bytes))
    return {};
  return HandOffTokenFromBytes(bytes);
}

// Owns a view of a memory object.
class TMappedView {
public:
  TMappedView(HANDLE mapping, DWORD access)
      : FView(MapViewOfFile(mapping, access, 0, 0, kHandOffTokenLength)) {}
  ~TMappedView() {
    if (FView != nullptr)
      UnmapViewOfFile(FView);
  }
  TMappedView(const TMappedView&) = delete;
  TMappedView& operator=(const TMappedView&) = delete;
  char* Get() const { return static_cast<char*>(FView); }

private:
  void* FView;
};

} // namespace

bool Win32OsServices::CreateSingleInstanceMarker(const std::string& name) {
  // The mutex object lives while any process has a handle to it, so this
  // one is held until the process ends or lets it go; a process that found
  // it held keeps its handle too (a start at a page runs on beside the
  // first and keeps the application marked as running).
  FInstanceMarker.Reset(CreateMutexW(nullptr, FALSE, Widen(name).c_str()));
  const bool held = FInstanceMarker.Valid() && GetLastError() == ERROR_ALREADY_EXISTS;
  FInstanceMarkerName = FInstanceMarker.Valid() ? name : "";
  return held;
}

std::string Win32OsServices::ReleaseSingleInstanceMarker() {
  FInstanceMarker.Reset();
  return std::exchange(FInstanceMarkerName, std::string());
}

std::string Win32OsServices::PublishHandOffToken(const std::string& appID) {
  FHandOffToken.Reset();
  const std::string token = RandomToken();
  if (token.empty())
    return {};
  const std::string processID = std::to_string(GetCurrentProcessId());
  // Made with the default security of this user's processes; it lives
  // while this process holds it.
  FHandOffToken.Reset(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                         kHandOffTokenLength,
                                         HandOffObjectName(appID, processID).c_str()));
  // An object of that name made by someone else is not ours to fill.
  if (!FHandOffToken.Valid() || GetLastError() == ERROR_ALREADY_EXISTS) {
    FHandOffToken.Reset();
    return {};
  }
  const TMappedView view(FHandOffToken.Get(), FILE_MAP_WRITE);
  if (view.Get() == nullptr) {
    FHandOffToken.Reset();
    return {};
  }
  token.copy(view.Get(), kHandOffTokenLength);
  return processID + ":" + token;
}

bool Win32OsServices::IsHandOffTokenValid(const std::string& appID, const std::string& proof) {
  const std::optional<THandOffProof> parts = ParseHandOffProof(proof);
  if (!parts)
    return false;
  // The object lives only while a process holds it: its maker runs.
  const TKernelHandle mapping(
      OpenFileMappingW(FILE_MAP_READ, FALSE, HandOffObjectName(appID, parts->ProcessID).c_str()));
  if (!mapping.Valid())
    return false;
  const TMappedView view(mapping.Get(), FILE_MAP_READ);
  return view.Get() != nullptr && SameHandOffToken(view.Get(), parts->Token);
}

} // namespace tessera
