#include "export/track_times.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <vector>

#include "core/ebml.h"
#include "core/generated/element_ids.h"
#include "export/block_walk.h"
#include "export/matroska_xml.h"

namespace quillon {
namespace {

uint64_t Unsigned(const EbmlNode* node, uint64_t fallback) {
    return node && node->data.size() <= 8 ? UIntValue(node->data, node->data.size()) : fallback;
}

uint64_t TimestampScale(const Document& doc) {
    const std::optional<EbmlNode> info = ReadLevel1Master(doc, kInfo);
    return info ? Unsigned(info->Child(kTimecodeScale), 1000000) : 1000000;
}


// Milliseconds with at most six decimals and no trailing zeros: "23", "23.219954".
std::string Milliseconds(int64_t ns) {
    char text[48];
    std::snprintf(text, sizeof text, "%.6f", double(ns) / 1e6);
    std::string out = text;
    if (out.find('.') != std::string::npos) {
        while (out.back() == '0') out.pop_back();
        if (out.back() == '.') out.pop_back();
    }
    return out;
}

// The ID and size field of the element at `at`: 0 when none can be read.
uint64_t HeaderLength(SourceFile& source, uint64_t at) {
    uint8_t bytes[12] = {};
    if (!source.Holds(at, 2) || !source.ReadFew(at, size_t(std::min<uint64_t>(12, source.Size() - at)), bytes)) return 0;
    const Bytes view(bytes, sizeof bytes);
    const int idLength = VintLen(view, 0);
    const int sizeLength = idLength > 0 ? VintLen(view, size_t(idLength)) : 0;
    return idLength > 0 && sizeLength > 0 ? uint64_t(idLength + sizeLength) : 0;
}

const tTrackEntry* EntryOf(const Document& doc, uint64_t track) {
    for (const tTrackEntry& t : doc.mkv.tracks)
        if (t.trackNumber.value == track) return &t;
    return nullptr;
}

}  // namespace

std::optional<std::string> CuesText(const Document& doc, uint64_t track) {
    const std::optional<EbmlNode> cues = ReadLevel1Master(doc, kCues);
    if (!cues) return std::string();
    const uint64_t scale = TimestampScale(doc);
    uint64_t segmentData = 0;
    for (size_t k = 0; k < doc.lista.size(); ++k)
        if (doc.lista[k].id() == kSegment) {
            segmentData = doc.lista[k].dataStart();
            break;
        }
    SourceFile source;
    if (!source.Open(doc.sourcePath)) return std::nullopt;
    std::string out;
    for (const EbmlNode& point : cues->children) {
        if (point.id != kCuePoint) continue;
        const uint64_t time = Unsigned(point.Child(kCueTime), 0);
        for (const EbmlNode& position : point.children) {
            if (position.id != kCueTrackPositions || Unsigned(position.Child(kCueTrack), 0) != track) continue;
            const EbmlNode* duration = position.Child(kCueDuration);
            const EbmlNode* relative = position.Child(kCueRelativePosition);
            // Both positions told in the file, the relative one from the Cluster's first byte.
            const uint64_t cluster = segmentData + Unsigned(position.Child(kCueClusterPosition), 0);
            out += "timestamp=" + NanosecondsText(time * scale) +
                   " duration=" + (duration ? NanosecondsText(Unsigned(duration, 0) * scale) : std::string("-")) +
                   " cluster_position=" + std::to_string(cluster) + " relative_position=" +
                   (relative ? std::to_string(Unsigned(relative, 0) + HeaderLength(source, cluster)) : std::string("-")) + "\n";
        }
    }
    return out;
}

std::optional<std::string> TimestampsV2(const Document& doc, uint64_t track, Host& host) {
    const tTrackEntry* entry = EntryOf(doc, track);
    if (!entry) return std::nullopt;
    SourceFile source;
    if (!source.Open(doc.sourcePath)) return std::nullopt;
    const uint64_t scale = TimestampScale(doc);
    // Laced frames after the first follow at the track's default duration.
    const uint64_t step = entry->defaultDuration.present ? entry->defaultDuration.value : 0;
    std::vector<int64_t> times;
    int64_t end = INT64_MIN;  // where the last frame ends (where it starts when no duration tells)
    BlockWalk walk(doc.lista, source, std::to_string(track), &host);
    walk.SetBytesWanted(false);
    WalkBlock block;
    for (WalkStatus status; (status = walk.Next(block)) != WalkStatus::End;) {
        if (status == WalkStatus::Stopped) return std::nullopt;
        const int64_t start = block.timecode * int64_t(scale);
        const size_t frames = std::max<size_t>(block.frameSizes.size(), 1);
        const int64_t frameDuration = block.duration >= 0 ? block.duration * int64_t(scale) / int64_t(frames) : int64_t(step);
        for (size_t k = 0; k < frames; ++k) {
            const int64_t at = start + int64_t(k) * frameDuration;
            times.push_back(at);
            end = std::max(end, at + std::max<int64_t>(frameDuration, 0));
        }
    }
    std::sort(times.begin(), times.end());
    std::string out = "# timestamp format v2\n";
    for (const int64_t t : times) out += Milliseconds(t) + "\n";
    // The last line is where the last frame ends, so the file says every frame's duration.
    if (end != INT64_MIN) out += Milliseconds(end) + "\n";
    return out;
}

}  // namespace quillon
