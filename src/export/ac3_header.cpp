#include "export/ac3_header.h"

namespace quillon {
namespace {

// Words per syncframe by frmsizecod (two codes per bit rate, 32..640 kbit/s),
// for 48, 44.1 and 32 kHz.
constexpr uint16_t kFrameWords[3][38] = {
    {64,  64,  80,  80,  96,  96,  112, 112, 128, 128, 160, 160, 192,  192,  224,  224,  256,  256,  320,
     320, 384, 384, 448, 448, 512, 512, 640, 640, 768, 768, 896, 896, 1024, 1024, 1152, 1152, 1280, 1280},
    {69,  70,  87,  88,  104, 105, 121, 122, 139, 140, 174, 175, 208,  209,  243,  244,  278,  279,  348,
     349, 417, 418, 487, 488, 557, 558, 696, 697, 835, 836, 975, 976, 1114, 1115, 1253, 1254, 1393, 1394},
    {96,  96,  120, 120, 144, 144, 168, 168, 192, 192, 240, 240, 288,  288,  336,  336,  384,  384,  480,
     480, 576, 576, 672, 672, 768, 768, 960, 960, 1152, 1152, 1344, 1344, 1536, 1536, 1728, 1728, 1920, 1920},
};

}  // namespace

bool readAC3header(const uint8_t* b, size_t count, tAC3header& h) {
    if (count < 7 || b == nullptr) return false;
    h.syncword = uint16_t(b[0] << 8 | b[1]);
    h.crc1 = uint16_t(b[2] << 8 | b[3]);
    h.fscod = b[4] >> 6;
    h.frmsizecod = b[4] & 0x3F;
    h.bsid = b[5] >> 3;
    h.bsmod = b[5] & 7;
    h.acmod = b[6] >> 5;
    h.field1 = (b[6] >> 3) & 3;
    h.field2 = (b[6] >> 1) & 3;
    return true;
}

uint16_t calcac3blockalign(const tAC3header& h) {
    if (h.fscod > 2 || h.frmsizecod >= 38) return 0;
    return kFrameWords[h.fscod][h.frmsizecod];
}

uint32_t Ac3SampleRate(const tAC3header& h) {
    static constexpr uint32_t kRates[3] = {48000, 44100, 32000};
    return h.fscod < 3 ? kRates[h.fscod] : 0;
}

}  // namespace quillon
