#pragma once

#include "base/stream.h"
#include "platform/api/web_view_platform.h"

#include <webkit2/webkit2.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace tessera::webkitgtk {

// One "Name: value" line of a response's header block.
struct THeaderLine {
  std::string Name;
  std::string Value;
  bool operator==(const THeaderLine&) const = default;
};

// The header block split into its lines (CR LF or LF); lines without a
// colon or with an empty name are left out, blanks around the value go.
std::vector<THeaderLine> ParseHeaderBlock(const std::string& headers);

// An answer to a request of the package scheme, made by the environment.
class TWebResourceResponse final : public WebResourceResponse {
public:
  TWebResourceResponse(std::shared_ptr<TStream> content, int statusCode, std::string reasonPhrase,
                       std::string headers)
      : FContent(std::move(content)), FStatusCode(statusCode),
        FReasonPhrase(std::move(reasonPhrase)), FHeaders(std::move(headers)) {}

  // The engine's response: the content's bytes from its position on, the
  // status, and the headers, Content-Type also as the response's type.
  // Null when the content cannot be read. The caller owns the reference.
  WebKitURISchemeResponse* MakeSchemeResponse() const;

private:
  std::shared_ptr<TStream> FContent;
  int FStatusCode;
  std::string FReasonPhrase;
  std::string FHeaders;
};

} // namespace tessera::webkitgtk
