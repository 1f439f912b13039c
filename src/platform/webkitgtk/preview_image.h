#pragma once

#include "platform/api/web_view_platform.h"

#include <cairo.h>

#include <string>

namespace tessera::webkitgtk {

// The picture in `surface` as a PNG (kCapturePreviewPng) or JPEG
// (kCapturePreviewJpeg) file's bytes; false when it cannot be encoded.
bool EncodePreview(cairo_surface_t* surface, TWebViewEnumValue format, std::string& bytes);

} // namespace tessera::webkitgtk
