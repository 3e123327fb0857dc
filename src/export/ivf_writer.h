// VP8, VP9 and AV1 in IVF: a 32-byte file header, then each frame behind a
// 12-byte header (its size and a 64-bit time in the header's time base), as
// mkvextract writes them:
//  - the time base is the frame rate the track's DefaultDuration gives: the
//    common rates (24000/1001 ... 120) within 20 microseconds, else 1e9 over
//    the duration, brought into 16 bits; 25/1 without a DefaultDuration;
//  - a frame's time is its block time in that base, rounded down;
//  - an AV1 frame gets a temporal delimiter in front unless it starts with a
//    frame header (the show-existing-frame units libaom stores on their own).
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "core/document.h"
#include "core/host.h"
#include "core/save_outcome.h"
#include "export/export_type.h"

namespace quillon {

struct IvfTimeBase {
    uint32_t rate = 25;  // frames per `scale` seconds
    uint32_t scale = 1;
    bool operator==(const IvfTimeBase&) const = default;
};
// From the DefaultDuration in nanoseconds (0: none).
IvfTimeBase IvfTimeBaseOf(uint64_t defaultDuration);
// A time in nanoseconds in units of the time base, rounded down; 0 for a negative time.
uint64_t IvfTimestamp(int64_t nanoseconds, IvfTimeBase base);

SaveOutcome SaveIVF(Document& doc, Host& host, const ExportRequest& request);

}  // namespace quillon
