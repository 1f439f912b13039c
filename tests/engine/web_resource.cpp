#include "web_resource.h"

#include "engine_log.h"

#include <bcrypt.h>

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace tessera::engine {

namespace {

// Answers the engine's own response object; no other component knows it.
// {6f1c2d4e-8a3b-4c5d-9e7f-0a1b2c3d4e5f}
constexpr GUID kEngineResponseIid = {
    0x6f1c2d4e, 0x8a3b, 0x4c5d, {0x9e, 0x7f, 0x0a, 0x1b, 0x2c, 0x3d, 0x4e, 0x5f}};

constexpr std::size_t kPreviewBytes = 32;

std::string LowerExtension(const std::string& uri) {
  std::string path = uri.substr(0, uri.find_first_of("?#"));
  const auto slash = path.find_last_of('/');
  const auto dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
    return {};
  std::string extension = path.substr(dot + 1);
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension;
}

} // namespace

HRESULT TWebResourceRequest::put_Uri(LPCWSTR uri) {
  if (uri == nullptr)
    return E_POINTER;
  FUri = win32::Narrow(uri);
  return S_OK;
}

HRESULT TWebResourceRequest::put_Method(LPCWSTR method) {
  if (method == nullptr)
    return E_POINTER;
  FMethod = win32::Narrow(method);
  return S_OK;
}

TWebResourceResponse*
TWebResourceResponse::FromInterface(ICoreWebView2WebResourceResponse* response) {
  void* self = nullptr;
  if (response == nullptr || FAILED(response->QueryInterface(kEngineResponseIid, &self)))
    return nullptr;
  return static_cast<TWebResourceResponse*>(self);
}

HRESULT TWebResourceResponse::QueryInterface(REFIID riid, void** object) {
  if (object != nullptr && IsEqualIID(riid, kEngineResponseIid)) {
    // No reference is taken: the caller holds the response already.
    *object = this;
    return S_OK;
  }
  return TComObject::QueryInterface(riid, object);
}

HRESULT TWebResourceResponse::get_Content(IStream** content) {
  if (content == nullptr)
    return E_POINTER;
  *content = FContent.Get();
  if (*content != nullptr)
    (*content)->AddRef();
  return S_OK;
}

HRESULT TWebResourceResponse::put_ReasonPhrase(LPCWSTR reason) {
  if (reason == nullptr)
    return E_POINTER;
  FReason = win32::Narrow(reason);
  return S_OK;
}

std::string TWebResourceResponse::Describe(const std::string& uri) {
  std::vector<std::uint8_t> body;
  if (FContent) {
    std::uint8_t buffer[4096];
    for (;;) {
      ULONG read = 0;
      const HRESULT code = FContent->Read(buffer, sizeof buffer, &read);
      body.insert(body.end(), buffer, buffer + read);
      if (FAILED(code) || read == 0)
        break;
    }
  }
  const std::string preview(body.begin(), body.begin() + static_cast<std::ptrdiff_t>(
                                                             std::min(body.size(), kPreviewBytes)));
  return "response " + uri + " " + std::to_string(FStatus) + " " + TEngineLog::Quote(FReason) +
         " " + TEngineLog::Quote(FHeaders) + " " + std::to_string(body.size()) + " " +
         Sha256Hex(body) + " " + TEngineLog::Quote(preview);
}

HRESULT TWebResourceRequestedArgs::get_Request(ICoreWebView2WebResourceRequest** request) {
  if (request == nullptr)
    return E_POINTER;
  *request = TComPtr<ICoreWebView2WebResourceRequest>(FRequest.Get()).Detach();
  return S_OK;
}

HRESULT TWebResourceRequestedArgs::get_Response(ICoreWebView2WebResourceResponse** response) {
  if (response == nullptr)
    return E_POINTER;
  *response = TComPtr<ICoreWebView2WebResourceResponse>(Response.Get()).Detach();
  return S_OK;
}

std::string Sha256Hex(const std::vector<std::uint8_t>& bytes) {
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  if (BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0) != 0)
    return {};
  std::string hex;
  BCRYPT_HASH_HANDLE hash = nullptr;
  UCHAR digest[32];
  if (BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0) == 0) {
    if (BCryptHashData(hash, const_cast<PUCHAR>(bytes.data()), static_cast<ULONG>(bytes.size()),
                       0) == 0 &&
        BCryptFinishHash(hash, digest, sizeof digest, 0) == 0) {
      char pair[3];
      for (const UCHAR byte : digest) {
        std::snprintf(pair, sizeof pair, "%02x", byte);
        hex += pair;
      }
    }
    BCryptDestroyHash(hash);
  }
  BCryptCloseAlgorithmProvider(algorithm, 0);
  return hex;
}

INT32 ContextForUri(const std::string& uri) {
  const std::string extension = LowerExtension(uri);
  if (extension == "js" || extension == "mjs")
    return COREWEBVIEW2_WEB_RESOURCE_CONTEXT_SCRIPT;
  if (extension == "css")
    return COREWEBVIEW2_WEB_RESOURCE_CONTEXT_STYLESHEET;
  if (extension == "png" || extension == "jpg" || extension == "jpeg" || extension == "gif" ||
      extension == "svg" || extension == "webp" || extension == "ico" || extension == "bmp")
    return COREWEBVIEW2_WEB_RESOURCE_CONTEXT_IMAGE;
  if (extension == "woff" || extension == "woff2" || extension == "ttf" || extension == "otf")
    return COREWEBVIEW2_WEB_RESOURCE_CONTEXT_FONT;
  if (extension == "html" || extension == "htm")
    return COREWEBVIEW2_WEB_RESOURCE_CONTEXT_DOCUMENT;
  return COREWEBVIEW2_WEB_RESOURCE_CONTEXT_OTHER;
}

} // namespace tessera::engine
