#pragma once

#include "com_object.h"
#include "event_args.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tessera::engine {

class TWebResourceRequest final : public TComObject<ICoreWebView2WebResourceRequest> {
public:
  explicit TWebResourceRequest(std::string uri) : FUri(std::move(uri)) {}
  HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) override { return OutString(uri, FUri); }
  HRESULT STDMETHODCALLTYPE put_Uri(LPCWSTR uri) override;
  HRESULT STDMETHODCALLTYPE get_Method(LPWSTR* method) override {
    return OutString(method, FMethod);
  }
  HRESULT STDMETHODCALLTYPE put_Method(LPCWSTR method) override;
  HRESULT STDMETHODCALLTYPE get_Content(IStream** content) override {
    return OutValue<IStream*>(content, nullptr);
  }
  HRESULT STDMETHODCALLTYPE put_Content(IStream*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE get_Headers(ICoreWebView2HttpRequestHeaders**) override {
    return E_NOTIMPL;
  }

private:
  std::string FUri;
  std::string FMethod = "GET";
};

// An answer the host built with the environment; the engine reads it back
// to log what the page would have received.
class TWebResourceResponse final : public TComObject<ICoreWebView2WebResourceResponse> {
public:
  TWebResourceResponse(IStream* content, int status, std::string reason, std::string headers)
      : FContent(content), FStatus(status), FReason(std::move(reason)),
        FHeaders(std::move(headers)) {}

  // Answers the engine object behind `response`, or null for a foreign one.
  static TWebResourceResponse* FromInterface(ICoreWebView2WebResourceResponse* response);

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
  HRESULT STDMETHODCALLTYPE get_Content(IStream** content) override;
  HRESULT STDMETHODCALLTYPE put_Content(IStream* content) override {
    FContent = TComPtr<IStream>(content);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_Headers(ICoreWebView2HttpResponseHeaders**) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE get_StatusCode(int* status) override {
    return OutValue(status, FStatus);
  }
  HRESULT STDMETHODCALLTYPE put_StatusCode(int status) override {
    FStatus = status;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_ReasonPhrase(LPWSTR* reason) override {
    return OutString(reason, FReason);
  }
  HRESULT STDMETHODCALLTYPE put_ReasonPhrase(LPCWSTR reason) override;

  int Status() const { return FStatus; }
  // The log line for this answer to `uri`: status, reason, headers, body
  // size, body SHA-256 and the body's first bytes. Reads the content from
  // its current position, as the page would.
  std::string Describe(const std::string& uri);

private:
  TComPtr<IStream> FContent;
  int FStatus;
  std::string FReason;
  std::string FHeaders;
};

class TWebResourceRequestedArgs final
    : public TComObject<ICoreWebView2WebResourceRequestedEventArgs> {
public:
  TWebResourceRequestedArgs(std::string uri, INT32 context)
      : FRequest(MakeObject<TWebResourceRequest>(std::move(uri))), FContext(context) {}
  HRESULT STDMETHODCALLTYPE get_Request(ICoreWebView2WebResourceRequest** request) override;
  HRESULT STDMETHODCALLTYPE get_Response(ICoreWebView2WebResourceResponse** response) override;
  HRESULT STDMETHODCALLTYPE put_Response(ICoreWebView2WebResourceResponse* response) override {
    Response = TComPtr<ICoreWebView2WebResourceResponse>(response);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetDeferral(ICoreWebView2Deferral** deferral) override {
    return TakeDeferral(Gate, deferral);
  }
  HRESULT STDMETHODCALLTYPE get_ResourceContext(COREWEBVIEW2_WEB_RESOURCE_CONTEXT* value) override {
    return OutValue(value, static_cast<COREWEBVIEW2_WEB_RESOURCE_CONTEXT>(FContext));
  }

  TComPtr<ICoreWebView2WebResourceResponse> Response;
  std::shared_ptr<TDeferralGate> Gate = std::make_shared<TDeferralGate>();

private:
  TComPtr<TWebResourceRequest> FRequest;
  INT32 FContext;
};

// Lower-case hex SHA-256 of `bytes` (empty when the system cannot hash).
std::string Sha256Hex(const std::vector<std::uint8_t>& bytes);

// The resource context a page load would use for `uri`, from its extension.
INT32 ContextForUri(const std::string& uri);

} // namespace tessera::engine
