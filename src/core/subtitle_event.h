// One subtitle event: what an export collects from a subtitle track's blocks
// and what a subtitle file is parsed into. Times in milliseconds.
#pragma once

#include <cstdint>
#include <string>

namespace quillon {

struct Tsrt {
    uint32_t number = 0;    // an export's count from 1; SRT: the number read; ASS: running count from 0
    int64_t start = 0;
    int64_t duration = -1;  // -1 while unknown (a block without BlockDuration)
    std::string text;       // an export: the block's bytes as they are; parsed: UTF-8
};

}  // namespace quillon
