#include "platform/webkitgtk/web_resource_response.h"

#include "base/ascii.h"
#include "base/exceptions.h"
#include "platform/webkitgtk/gobject_handles.h"

#include <libsoup/soup.h>

namespace tessera::webkitgtk {

namespace {

std::string ReadRest(TStream& stream) {
  std::string bytes;
  char buffer[65536];
  for (;;) {
    const std::size_t count = stream.Read(buffer, sizeof buffer);
    if (count == 0)
      break;
    bytes.append(buffer, count);
  }
  return bytes;
}

} // namespace

std::vector<THeaderLine> ParseHeaderBlock(const std::string& headers) {
  std::vector<THeaderLine> lines;
  std::size_t start = 0;
  while (start <= headers.size()) {
    std::size_t end = headers.find('\n', start);
    if (end == std::string::npos)
      end = headers.size();
    std::string_view line(headers.data() + start, end - start);
    if (!line.empty() && line.back() == '\r')
      line.remove_suffix(1);
    const std::size_t colon = line.find(':');
    if (colon != std::string_view::npos) {
      const std::string_view name = TrimBlanks(line.substr(0, colon));
      const std::string_view value = TrimBlanks(line.substr(colon + 1));
      if (!name.empty())
        lines.push_back({std::string(name), std::string(value)});
    }
    start = end + 1;
  }
  return lines;
}

WebKitURISchemeResponse* TWebResourceResponse::MakeSchemeResponse() const {
  std::string bytes;
  if (FContent) {
    try {
      bytes = ReadRest(*FContent);
    } catch (const std::exception&) {
      return nullptr;
    }
  }
  GBytes* data = g_bytes_new(bytes.data(), bytes.size());
  TGObject<GInputStream> input(g_memory_input_stream_new_from_bytes(data));
  g_bytes_unref(data);
  WebKitURISchemeResponse* response =
      webkit_uri_scheme_response_new(input.Get(), static_cast<gint64>(bytes.size()));
  webkit_uri_scheme_response_set_status(response, static_cast<guint>(FStatusCode),
                                        FReasonPhrase.empty() ? nullptr : FReasonPhrase.c_str());
  SoupMessageHeaders* headers = soup_message_headers_new(SOUP_MESSAGE_HEADERS_RESPONSE);
  for (const THeaderLine& line : ParseHeaderBlock(FHeaders)) {
    soup_message_headers_append(headers, line.Name.c_str(), line.Value.c_str());
    if (AsciiLowerCase(line.Name) == "content-type")
      webkit_uri_scheme_response_set_content_type(response, line.Value.c_str());
  }
  // The response takes the headers over.
  webkit_uri_scheme_response_set_http_headers(response, headers);
  return response;
}

} // namespace tessera::webkitgtk
