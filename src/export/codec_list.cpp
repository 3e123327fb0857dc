#include "export/codec_list.h"

#include <algorithm>
#include <cstdio>
#include <map>

#include "export/libav.h"

namespace quillon {
namespace {

// Only called once acmEnum found the libraries there.
const Libav& Av() { return *LoadLibav(); }

constexpr size_t kTagNameLimit = 48;

std::string FourCCText(uint32_t value) {
    std::string text(4, ' ');
    for (int i = 0; i < 4; ++i) {
        const char c = char((value >> (8 * i)) & 0xFF);
        text[i] = (c >= 0x20 && c < 0x7F) ? c : '.';
    }
    return text;
}

// A row of libavformat's tag tables. The public header leaves the struct
// opaque, but its two fields have not changed since the tables exist, and
// asking the table tag by tag (av_codec_get_id) would also answer for tags
// it only matches after upper-casing their bytes.
struct TagRow {
    AVCodecID id;
    unsigned int tag;
};

// The WAVE tags of each codec, in table order, each once.
std::map<int, std::vector<uint32_t>> TagsByCodec() {
    std::map<int, std::vector<uint32_t>> tags;
    const auto* row = reinterpret_cast<const TagRow*>(Av().avformat_get_riff_audio_tags());
    for (; row && row->id != AV_CODEC_ID_NONE; ++row) {
        std::vector<uint32_t>& ofCodec = tags[row->id];
        if (std::find(ofCodec.begin(), ofCodec.end(), row->tag) == ofCodec.end()) ofCodec.push_back(row->tag);
    }
    return tags;
}

std::vector<tftag> TagsOf(const AVCodec& codec, const std::map<int, std::vector<uint32_t>>& byCodec) {
    std::vector<tftag> tags;
    const auto found = byCodec.find(codec.id);
    if (found == byCodec.end()) return tags;
    const AVCodecDescriptor* described = Av().avcodec_descriptor_get(codec.id);
    std::string name = described && described->long_name ? described->long_name
                       : codec.long_name                  ? codec.long_name
                                                          : codec.name;
    if (name.size() > kTagNameLimit) name.resize(kTagNameLimit);
    for (const uint32_t tag : found->second) tags.push_back({tag, name});
    return tags;
}

}  // namespace

size_t acmEnum(DriverList& drivers) {
    drivers.clear();
    if (!LoadLibav()) return 0;
    const auto byCodec = TagsByCodec();
    void* iterator = nullptr;
    uintptr_t place = 0;
    while (const AVCodec* codec = Av().av_codec_iterate(&iterator)) {
        ++place;
        if (codec->type != AVMEDIA_TYPE_AUDIO || !Av().av_codec_is_decoder(codec)) continue;
        taudrv driver;
        driver.fccType = "audc";
        driver.tags = TagsOf(*codec, byCodec);
        driver.fccComp = FourCCText(driver.tags.empty() ? 0 : driver.tags.front().tag);
        driver.acmVersion = Av().avcodec_version();
        driver.driverVersion = Av().avcodec_version();
        driver.shortName = codec->name;
        driver.driverId = place;
        drivers.push_back(std::move(driver));
    }
    return drivers.size();
}

int AudsIndex(const DriverList& drivers, uint32_t tag) {
    int found = -1;
    for (size_t i = 0; i < drivers.size(); ++i)
        for (const tftag& t : drivers[i].tags)
            if (t.tag == tag) found = int(i);
    return found;
}

std::string TagHexText(uint32_t tag) {
    char text[16];
    std::snprintf(text, sizeof text, "%X", tag);
    return text;
}

}  // namespace quillon
