#pragma once

#include "platform/webview2/co_task_mem_string.h"
#include "platform/win32/windows_api.h"

#include <string>
#include <type_traits>

namespace tessera::webview2 {

// Reads through an engine getter that hands out a task-allocator string;
// `value` changes only on success, and the engine's copy is freed either way.
template <class TGetter>::HRESULT ReadString(TGetter&& getter, std::string& value) {
  TCoTaskMemString text;
  const ::HRESULT result = getter(text.Receive());
  if (SUCCEEDED(result))
    value = text.Utf8();
  return result;
}

// Reads a BOOL getter into a bool; `value` changes only on success.
template <class TGetter>::HRESULT ReadBool(TGetter&& getter, bool& value) {
  BOOL flag = FALSE;
  const ::HRESULT result = getter(&flag);
  if (SUCCEEDED(result))
    value = flag != FALSE;
  return result;
}

// Reads an enumeration getter as its 32-bit value, unknown values included.
template <class TEnum, class TGetter>::HRESULT ReadEnum(TGetter&& getter, std::int32_t& value) {
  TEnum raw{};
  const ::HRESULT result = getter(&raw);
  if (SUCCEEDED(result))
    value = static_cast<std::int32_t>(raw);
  return result;
}

inline BOOL ToBool(bool value) {
  return value ? TRUE : FALSE;
}

} // namespace tessera::webview2
