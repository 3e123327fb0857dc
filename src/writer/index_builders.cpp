#include "writer/index_builders.h"

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
    AppendHeader(out, 0x114D9B74, length);
    for (const auto& s : seeks) {
        AppendHeader(out, 0x4DBB, SeekEntryLength(s));
        AppendHeader(out, 0x53AB, 4);
        const size_t at = out.size();
        out.resize(at + 4);
        PutHexID(s.idHex, out, at);
        AppendUInt(out, 0x53AC, s.position);
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
    AppendHeader(out, 0x1C53BB6B, length);
    for (const auto& cue : cues) {
        AppendHeader(out, 0xBB, CuePointLength(cue));
        AppendUInt(out, 0xB3, static_cast<uint64_t>(cue.cueTime));
        AppendHeader(out, 0xB7, UIntElementLength(cue.cueTrack) + UIntElementLength(cue.cueClusterPos));
        AppendUInt(out, 0xF7, cue.cueTrack);
        AppendUInt(out, 0xF1, cue.cueClusterPos);
    }
    return out;
}

ByteList seekhead2buff(const std::vector<TSeek>& seeks) { return SeekHead(seeks); }

ByteList topHeadxVoid2buff(const std::vector<TSeek>& seeks) {
    ByteList out = SeekHead(seeks);
    const uint64_t rest = kFrontReserve - out.size();
    out.push_back(0xEC);
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
