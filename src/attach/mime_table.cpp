#include "attach/mime_table.h"

#include "core/ascii_text.h"

namespace quillon {
namespace {

struct MimeRow {
    const char* extension;
    const char* type;
};

// Searched in order. ".otf" and ".ttc" sit beside ".ttf": a player loads an
// attached font only by a font type, so "mime/unknown" would lose it.
constexpr MimeRow kMimeTable[] = {
    {".bmp", "image/bmp"},
    {".gif", "image/gif"},
    {".jpg", "image/jpeg"},
    {".jpe", "image/jpeg"},
    {".jpeg", "image/jpeg"},
    {".png", "image/png"},
    {".tif", "image/tiff"},
    {".tiff", "image/tiff"},
    {".ico", "image/x-icon"},
    {".rgb", "image/x-rgb"},
    {".html", "text/html"},
    {".htm", "text/html"},
    {".txt", "text/plain"},
    {".rtf", "text/rtf"},
    {".wav", "audio/x-wav"},
    {".ra", "audio/x-realaudio"},
    {".mpga", "audio/mpeg"},
    {".mp2", "audio/mpeg"},
    {".mp3", "audio/mpeg"},
    {".midi", "audio/midi"},
    {".mid", "audio/midi"},
    {".kar", "audio/midi"},
    {".doc", "application/msword"},
    {".docx", "application/msword"},
    {".ogg", "application/ogg"},
    {".pdf", "application/pdf"},
    {".xls", "application/vnd.ms-excel"},
    {".ppt", "application/vnd.ms-powerpoint"},
    {".gz", "application/x-gzip"},
    {".z", "application/x-gzip"},
    {".js", "application/x-javascript"},
    {".swf", "application/x-shockwave-flash"},
    {".tar", "application/x-tar"},
    {".zip", "application/zip"},
    {".rar", "application/rar"},
    {".ttf", "application/x-truetype-font"},
    {".otf", "font/otf"},
    {".ttc", "font/collection"},
    {".webp", "image/webp"},
    {".", ""},
    {".", ""},
    {".", ""},
    {".", ""},
};

}  // namespace

std::string MimeTypeOf(std::string_view fileName) {
    const size_t slash = fileName.find_last_of('/');
    const std::string_view name = slash == std::string_view::npos ? fileName : fileName.substr(slash + 1);
    const size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) return "mime/unknown";
    const std::string extension = AsciiLower(name.substr(dot));
    for (const MimeRow& row : kMimeTable)
        if (extension == row.extension) return row.type;
    return "mime/unknown";
}

bool IsFontMime(std::string_view mime) {
    for (const char* font : {"application/x-truetype-font", "application/x-font-ttf", "application/x-font-otf",
                             "application/vnd.ms-opentype", "application/font-sfnt", "font/ttf", "font/otf",
                             "font/sfnt", "font/collection"})
        if (mime == font) return true;
    return false;
}

bool IsPictureMime(std::string_view mime) {
    return mime == "image/jpeg" || mime == "image/png" || mime == "image/gif" || mime == "image/bmp" ||
           mime == "image/webp";
}

bool IsTextMime(std::string_view mime) { return mime == "text/plain"; }

}  // namespace quillon
