#include "core/format_tags.h"

namespace quillon {

uint16_t acFormatTag(std::string_view codecId) {
    if (codecId == "A_AAC") return 0x00FF;
    if (codecId == "A_AC3") return 0x2000;
    if (codecId == "A_MPEG/L3") return 0x0055;
    if (codecId.substr(0, 5) == "A_PCM") return 1;
    if (codecId == "A_VORBIS") return 0x566F;
    if (codecId == "A_FLAC") return 0xF1AC;
    return 0;
}

}  // namespace quillon
