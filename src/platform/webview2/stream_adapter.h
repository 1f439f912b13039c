#pragma once

#include "base/stream.h"
#include "platform/webview2/com_ptr.h"
#include "platform/win32/windows_api.h"

#include <objidl.h>

#include <memory>

namespace tessera::webview2 {

// An IStream over one of our streams, for the engine calls that read or
// write bytes (resource responses, page captures). It shares ownership of
// the stream, so the stream lives as long as the engine holds the adapter.
// Read, Write, Seek and Stat work; Commit and Revert are no-ops, as for any
// stream in direct mode; the rest answer E_NOTIMPL.
TComPtr<IStream> MakeStreamAdapter(std::shared_ptr<TStream> stream);

} // namespace tessera::webview2
