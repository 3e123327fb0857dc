#include "export/avi_codecs.h"

namespace quillon {
namespace {

struct VideoRow {
    const char* codecId;
    const char* handler;
    const char* compression;
};
constexpr VideoRow kVideo[] = {{"V_MS/VFW/FOURCC", "DIVX", "DX50"}};

// "PCM" matches no Matroska CodecID (those begin with "A_PCM"): PCM audio is
// not converted.
struct AudioRow {
    const char* codecId;
    uint16_t formatTag;
};
constexpr AudioRow kAudio[] = {{"PCM", 1}, {"A_MPEG/L3", 0x55}, {"A_AC3", 0x2000}, {"A_AAC", 0xFF}};

const VideoRow* Video(std::string_view id) {
    for (const VideoRow& row : kVideo)
        if (id == row.codecId) return &row;
    return nullptr;
}

const AudioRow* Audio(std::string_view id) {
    for (const AudioRow& row : kAudio)
        if (id == row.codecId) return &row;
    return nullptr;
}

}  // namespace

bool SupportedVideoCodec(std::string_view codecId) { return Video(codecId) != nullptr; }
bool SupportedAudioCodec(std::string_view codecId) { return Audio(codecId) != nullptr; }
std::string getVideoDeviceHandler(std::string_view codecId) {
    const VideoRow* row = Video(codecId);
    return row ? row->handler : "xxxx";
}
std::string getVideoCompression(std::string_view codecId) {
    const VideoRow* row = Video(codecId);
    return row ? row->compression : "xxxx";
}
uint16_t getFormatTag(std::string_view codecId) {
    const AudioRow* row = Audio(codecId);
    return row ? row->formatTag : 0;
}

}  // namespace quillon
