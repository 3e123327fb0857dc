#include "writer/index_builders.h"

#include "core/generated/element_ids.h"

namespace quillon {
namespace {

uint64_t UIntElementLength(uint64_t value) { return 1 + VintWidth(UIntWidth(value)) + UIntWidth(value); }

uint64_t CuePointLength(const CueRow& cue) {
    const uint64_t positions = UIntElementLength(cue.cueTrack) + UIntElementLength(cue.cueClusterPos);
    const uint64_t data = UIntElementLength(static_cast<uint64_t>(cue.cueTime)) + ElementLength(1, positions);
    return data;
}

uint64_t SeekEntryLength(const TSeek& seek) { return 10 + UIntWidth(seek.position); }

ByteList SeekHead(const std::vector<TSeek>& seeks) {
    uint64_t length = 0;
    for (const auto& s : seeks) length += ElementLength(2, SeekEntryLength(s));
    ByteList out;
    out.reserve(ElementLength(4, length));
    AppendHeader(out, kSeekHead, length);
    for (const auto& s : seeks) {
        AppendHeader(out, kSeek, SeekEntryLength(s));
        AppendHeader(out, kSeekID, 4);
        for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(s.id >> shift));
        AppendUInt(out, kSeekPosition, s.position);
    }
    return out;
}

}  // namespace

uint64_t calcCUESlen(const std::vector<CueRow>& cues) {
    uint64_t length = 0;
    for (const auto& cue : cues) length += ElementLength(1, CuePointLength(cue));
    return length;
}

ByteList cues2buff(const std::vector<CueRow>& cues) {
    const uint64_t length = calcCUESlen(cues);
    ByteList out;
    out.reserve(ElementLength(4, length));
    AppendHeader(out, kCues, length);
    for (const auto& cue : cues) {
        AppendHeader(out, kCuePoint, CuePointLength(cue));
        AppendUInt(out, kCueTime, static_cast<uint64_t>(cue.cueTime));
        AppendHeader(out, kCueTrackPositions, UIntElementLength(cue.cueTrack) + UIntElementLength(cue.cueClusterPos));
        AppendUInt(out, kCueTrack, cue.cueTrack);
        AppendUInt(out, kCueClusterPosition, cue.cueClusterPos);
    }
    return out;
}

ByteList seekhead2buff(const std::vector<TSeek>& seeks) { return SeekHead(seeks); }

ByteList topHeadxVoid2buff(const std::vector<TSeek>& seeks) {
    ByteList out = SeekHead(seeks);
    const uint64_t rest = kFrontReserve - out.size();
    out.push_back(static_cast<uint8_t>(kVoid));
    if (rest <= 128) {
        out.push_back(static_cast<uint8_t>(0x80 | (rest - 2)));
    } else {
        const uint64_t size = rest - 3;
        out.push_back(static_cast<uint8_t>(0x40 | (size >> 8)));
        out.push_back(static_cast<uint8_t>(size & 0xFF));
    }
    return out;
}

}  // namespace quillon
