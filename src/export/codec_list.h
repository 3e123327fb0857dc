// The audio decoders this build has, as the codecs tab lists them: one row
// per libavcodec audio decoder with the WAVE format tags of its codec (from
// libavformat's RIFF table) and the codec's long name for each tag.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quillon {

// One format tag of a decoder.
struct tftag {
    uint32_t tag = 0;
    std::string name;  // at most 48 characters
};

// One decoder, in the columns the tab shows.
struct taudrv {
    std::string fccType;   // "audc"
    std::string fccComp;   // the tag of its first format as four characters, lowest byte first
    uint32_t acmVersion = 0;
    uint32_t driverVersion = 0;
    std::string shortName;  // the decoder's name
    uintptr_t driverId = 0;  // its place in the library's list
    std::vector<tftag> tags;
};

using DriverList = std::vector<taudrv>;

// Fills `drivers` afresh with every audio decoder; returns the count.
size_t acmEnum(DriverList& drivers);

// Index of the last decoder in the list whose tags include `tag`; -1 when none.
int AudsIndex(const DriverList& drivers, uint32_t tag);

// A tag as the tab shows it: upper-case hexadecimal without leading zeros.
std::string TagHexText(uint32_t tag);

}  // namespace quillon
