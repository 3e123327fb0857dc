// References between elements: every block's track, every SeekHead entry's
// target, every CuePoint's cluster and block.
#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "core/ebml.h"
#include "core/generated/element_ids.h"
#include "reader/element_queries.h"
#include "reader/format_check.h"

namespace quillon {
namespace {

void Add(tabrick& list, Host& host, Findings& findings, Rule rule, size_t row, std::string detail) {
    Tbrick& r = list[row];
    findings.Add(host, rule, static_cast<int64_t>(row), r.name(), r.position, std::move(detail));
    r.damage |= kRuleBroken;
}

// The value of a row's first child with that ID.
bool ChildUnsigned(const tabrick& list, SourceFile& source, int parent, uint32_t id, uint64_t& value) {
    const int row = FindChildElement(list, id, parent);
    return row >= 0 && ReadUnsigned(source, list[row], value);
}

struct Level1 {
    uint64_t position;
    size_t row;
};

// The Segment's children by position (they are listed in file order).
std::vector<Level1> SegmentChildren(const tabrick& list, int segment) {
    std::vector<Level1> children;
    ForEachChild(list, segment, [&](int row) { children.push_back({list[row].position, static_cast<size_t>(row)}); });
    return children;
}

const Level1* AtPosition(const std::vector<Level1>& children, uint64_t position) {
    const auto it = std::lower_bound(children.begin(), children.end(), position,
                                     [](const Level1& c, uint64_t p) { return c.position < p; });
    return it != children.end() && it->position == position ? &*it : nullptr;
}

void CheckBlockTracks(tabrick& list, SourceFile& source, Host& host, Findings& findings) {
    std::vector<uint64_t> tracks;
    for (size_t i = 0; i < list.size(); ++i) {
        uint64_t number;
        if (list[i].id() == kTrackNumber && list[i].parent >= 0 && list[list[i].parent].id() == kTrackEntry && ReadUnsigned(source, list[i], number))
            tracks.push_back(number);
    }
    struct Stray {
        size_t first;
        uint64_t blocks;
    };
    std::map<uint64_t, Stray> strays;
    for (size_t i = 0; i < list.size(); ++i) {
        const Tbrick& row = list[i];
        if (!row.isBlock() || (row.damage & (kBadBlockHeader | kPastParent | kOutOfPlace))) continue;
        const uint64_t track = row.block.trackNumber;
        if (std::find(tracks.begin(), tracks.end(), track) != tracks.end()) continue;
        auto [it, fresh] = strays.try_emplace(track, Stray{i, 0});
        ++it->second.blocks;
    }
    for (const auto& [track, stray] : strays)
        Add(list, host, findings, Rule::BlockWithoutTrack, stray.first, std::to_string(track) + " (" + std::to_string(stray.blocks) + ")");
}

void CheckSeekEntries(tabrick& list, SourceFile& source, Host& host, Findings& findings, int segment,
                      const std::vector<Level1>& children) {
    const uint64_t dataStart = list[segment].dataStart();
    for (size_t i = 0; i < list.size(); ++i) {
        if (list[i].id() != kSeek || (list[i].damage & kContentLost)) continue;
        const int idRow = FindChildElement(list, kSeekID, static_cast<int>(i));
        uint64_t position;
        std::vector<uint8_t> idBytes;
        if (idRow < 0 || !ChildUnsigned(list, source, static_cast<int>(i), kSeekPosition, position) ||
            !ReadValueBytes(source, list[idRow], idBytes, 4) || idBytes.empty())
            continue;  // a missing child is the schema's finding
        const uint32_t id = static_cast<uint32_t>(UIntValue(Bytes(idBytes.data(), idBytes.size()), idBytes.size()));
        const Level1* target = AtPosition(children, dataStart + position);
        if (target && list[target->row].id() == id) continue;
        char hex[12];
        std::snprintf(hex, sizeof hex, "%X", id);
        Add(list, host, findings, Rule::SeekTarget, i, std::string(hex) + " → " + std::to_string(dataStart + position));
    }
}

// The block of `track` at `time` in the Cluster `cluster`, directly or in a BlockGroup.
bool ClusterHoldsBlock(const tabrick& list, SourceFile& source, size_t cluster, uint64_t track, uint64_t time) {
    uint64_t clusterTime = 0;
    if (!ChildUnsigned(list, source, static_cast<int>(cluster), kTimeCode, clusterTime)) return false;
    const int32_t depth = list[cluster].depth;
    for (size_t i = cluster + 1; i < list.size() && list[i].depth > depth; ++i) {
        const Tbrick& row = list[i];
        if (!row.isBlock() || row.block.trackNumber != track) continue;
        if (static_cast<int64_t>(clusterTime) + row.block.timecode == static_cast<int64_t>(time)) return true;
    }
    return false;
}

void CheckCuePoints(tabrick& list, SourceFile& source, Host& host, Findings& findings, int segment,
                    const std::vector<Level1>& children) {
    const uint64_t dataStart = list[segment].dataStart();
    for (size_t i = 0; i < list.size(); ++i) {
        if (list[i].id() != kCuePoint || (list[i].damage & kContentLost)) continue;
        uint64_t time;
        if (!ChildUnsigned(list, source, static_cast<int>(i), kCueTime, time)) continue;
        ForEachChild(list, static_cast<int>(i), [&](int positions) {
            if (list[positions].id() != kCueTrackPositions) return;
            uint64_t track, clusterPosition;
            if (!ChildUnsigned(list, source, positions, kCueTrack, track) ||
                !ChildUnsigned(list, source, positions, kCueClusterPosition, clusterPosition))
                return;
            const Level1* cluster = AtPosition(children, dataStart + clusterPosition);
            const bool holds = cluster && list[cluster->row].id() == kCluster &&
                               ClusterHoldsBlock(list, source, cluster->row, track, time);
            if (!holds)
                Add(list, host, findings, Rule::CueTarget, static_cast<size_t>(positions),
                    std::to_string(track) + " @ " + std::to_string(time) + " → " + std::to_string(dataStart + clusterPosition));
        });
    }
}

}  // namespace

void CheckCrossReferences(tabrick& list, SourceFile& source, Host& host, Findings& findings) {
    const int segment = FindFirstById(list, kSegment);
    if (segment < 0) return;
    CheckBlockTracks(list, source, host, findings);
    const std::vector<Level1> children = SegmentChildren(list, segment);
    CheckSeekEntries(list, source, host, findings, segment, children);
    CheckCuePoints(list, source, host, findings, segment, children);
}

}  // namespace quillon
