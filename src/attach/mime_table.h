// The MIME type an added file gets from its extension, and which MIME types
// are fonts, pictures and texts for the preview.
#pragma once

#include <string>
#include <string_view>

namespace quillon {

// By the file name's extension (lower case, with its "."), the first row of
// the table that has it; "mime/unknown" for an extension found nowhere, ""
// for a name ending in ".".
std::string MimeTypeOf(std::string_view fileName);

// Fonts as today's muxers type them: "application/x-truetype-font",
// "application/x-font-ttf", "application/vnd.ms-opentype", "font/ttf",
// "font/otf", "font/sfnt", "font/collection", "application/font-sfnt".
bool IsFontMime(std::string_view mime);
// Pictures the preview decodes: JPEG, PNG, GIF, BMP, WebP.
bool IsPictureMime(std::string_view mime);
bool IsTextMime(std::string_view mime);

}  // namespace quillon
