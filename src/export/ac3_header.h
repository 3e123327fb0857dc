// The AC-3 syncframe header as far as the WAV export looks at it: the
// fields of its first seven bytes and the frame size table of ATSC A/52.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillon {

struct tAC3header {
    uint16_t syncword = 0;  // 0x0B77
    uint16_t crc1 = 0;
    uint8_t fscod = 0;       // 0 48 kHz, 1 44.1 kHz, 2 32 kHz, 3 reserved
    uint8_t frmsizecod = 0;  // 0..37
    uint8_t bsid = 0, bsmod = 0, acmod = 0;
    // The two 2-bit fields after acmod in the seventh byte (bits 4-3 and 2-1),
    // read at these places whatever acmod is.
    uint8_t field1 = 0, field2 = 0;
};

// False when fewer than 7 bytes are given.
bool readAC3header(const uint8_t* bytes, size_t count, tAC3header& header);

// The syncframe's size in 16-bit words for fscod and frmsizecod; 0 for fscod
// 3 or a frmsizecod past the table.
uint16_t calcac3blockalign(const tAC3header& header);

// Sampling rate for fscod (0 for the reserved code).
uint32_t Ac3SampleRate(const tAC3header& header);

}  // namespace quillon
