#include "platform/webview2/stream_adapter.h"

#include "platform/webview2/com_handler.h"

#include <atomic>
#include <cstring>
#include <exception>
#include <limits>
#include <utility>

namespace tessera::webview2 {
namespace {

#pragma GCC diagnostic push
// IStream (MinGW's) has a public non-virtual destructor; this object is only
// ever deleted by its own Release.
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"

class TStreamAdapter final : public IStream {
public:
  explicit TStreamAdapter(std::shared_ptr<TStream> stream) : FStream(std::move(stream)) {}

  ::HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr)
      return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_ISequentialStream) ||
        IsEqualIID(iid, IID_IStream)) {
      *object = static_cast<IStream*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++FReferences; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --FReferences;
    if (left == 0)
      delete this;
    return left;
  }

  ::HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG count, ULONG* read) override {
    if (read != nullptr)
      *read = 0;
    if (buffer == nullptr && count != 0)
      return STG_E_INVALIDPOINTER;
    try {
      const auto n = static_cast<ULONG>(FStream->Read(buffer, count));
      if (read != nullptr)
        *read = n;
      // Fewer bytes than asked means the end was reached.
      return n == count ? S_OK : S_FALSE;
    } catch (...) {
      ReportCallbackException("reading a stream for the web view");
      return STG_E_READFAULT;
    }
  }

  ::HRESULT STDMETHODCALLTYPE Write(const void* buffer, ULONG count, ULONG* written) override {
    if (written != nullptr)
      *written = 0;
    if (buffer == nullptr && count != 0)
      return STG_E_INVALIDPOINTER;
    try {
      FStream->Write(buffer, count);
      if (written != nullptr)
        *written = count;
      return S_OK;
    } catch (...) {
      ReportCallbackException("writing a stream for the web view");
      return STG_E_WRITEFAULT;
    }
  }

  ::HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin,
                                   ULARGE_INTEGER* newPosition) override {
    try {
      std::int64_t base = 0;
      switch (origin) {
      case STREAM_SEEK_SET:
        break;
      case STREAM_SEEK_CUR:
        base = FStream->Position();
        break;
      case STREAM_SEEK_END:
        base = FStream->Size();
        break;
      default:
        return STG_E_INVALIDFUNCTION;
      }
      const std::int64_t offset = move.QuadPart;
      // Before the start (or past what 64 bits hold) is refused, and the
      // position stays where it was.
      if ((offset < 0 && base + offset < 0) ||
          (offset > 0 && base > std::numeric_limits<std::int64_t>::max() - offset))
        return STG_E_INVALIDFUNCTION;
      FStream->SetPosition(base + offset);
      if (newPosition != nullptr)
        newPosition->QuadPart = static_cast<ULONGLONG>(FStream->Position());
      return S_OK;
    } catch (...) {
      ReportCallbackException("seeking a stream for the web view");
      return STG_E_SEEKERROR;
    }
  }

  ::HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD) override {
    if (stat == nullptr)
      return STG_E_INVALIDPOINTER;
    try {
      std::memset(stat, 0, sizeof(*stat));
      // No name is given, whatever the flags ask: a null name is what the
      // caller frees then.
      stat->type = STGTY_STREAM;
      stat->cbSize.QuadPart = static_cast<ULONGLONG>(FStream->Size());
      stat->grfMode = STGM_READWRITE;
      return S_OK;
    } catch (...) {
      ReportCallbackException("reading the size of a stream for the web view");
      return STG_E_ACCESSDENIED;
    }
  }

  // Writes go straight to the stream, so there is nothing to commit or undo.
  ::HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return S_OK; }
  ::HRESULT STDMETHODCALLTYPE Revert() override { return S_OK; }

  ::HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return E_NOTIMPL; }
  ::HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*,
                                     ULARGE_INTEGER*) override {
    return E_NOTIMPL;
  }
  ::HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
    return E_NOTIMPL;
  }
  ::HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
    return E_NOTIMPL;
  }
  ::HRESULT STDMETHODCALLTYPE Clone(IStream** clone) override {
    if (clone != nullptr)
      *clone = nullptr;
    return E_NOTIMPL;
  }

private:
  ~TStreamAdapter() = default;

  std::atomic<ULONG> FReferences{1};
  std::shared_ptr<TStream> FStream;
};

#pragma GCC diagnostic pop

} // namespace

TComPtr<IStream> MakeStreamAdapter(std::shared_ptr<TStream> stream) {
  if (!stream)
    return nullptr;
  return TComPtr<IStream>::Attach(new TStreamAdapter(std::move(stream)));
}

} // namespace tessera::webview2
