#include "edit/track_adding.h"

#include <algorithm>
#include <filesystem>
#include <limits>

#include "core/ascii_text.h"
#include "core/block_merge.h"
#include "core/uid_source.h"
#include "reader/block_table.h"
#include "reader/track_table.h"

namespace quillon {
namespace {

bool UidInUse(const TMKV& mkv, uint64_t uid) {
    return std::any_of(mkv.tracks.begin(), mkv.tracks.end(),
                       [&](const tTrackEntry& t) { return t.trackUID.present && t.trackUID.value == uid; });
}

}  // namespace

uint64_t NewTrackNumber(const TMKV& mkv) {
    uint64_t largest = 0;
    for (const tTrackEntry& t : mkv.tracks) largest = std::max(largest, t.trackNumber.value);
    return largest + 1;
}

uint64_t NewUID(const TMKV& mkv) {
    return NewUid([&](uint64_t uid) { return UidInUse(mkv, uid); });
}

uint64_t KeptOrNewUID(const TMKV& mkv, uint64_t uid) { return uid != 0 && !UidInUse(mkv, uid) ? uid : NewUID(mkv); }

void resetTrack(tTrackEntry& track) { track = tTrackEntry{}; }

tTrackEntry NewBuiltEntry(const TMKV& mkv, uint8_t trackType, const std::string& codecID, bool lacing,
                          const std::string& name) {
    tTrackEntry t;
    resetTrack(t);
    t.trackNumber.Set(NewTrackNumber(mkv));
    t.trackUID.Set(NewUID(mkv));
    t.trackType.Set(trackType);
    t.flagEnabled.Set(1);
    t.flagDefault.Set(0);
    t.flagForced.Set(0);
    t.flagLacing.Set(lacing ? 1 : 0);
    t.minCache.Set(0);
    t.trackTimecodeScale.Set(1.0f);
    t.maxBlockAdditionID.Set(0);
    t.codecID.Set(codecID);
    t.codecDecodeAll.Set(1);
    t.language.Set(std::string(kPlaceholderLanguage));
    t.name.Set(name);
    return t;
}

bool RoomForTracks(const Document& doc, size_t count, Host& host) {
    uint64_t largest = 0;
    for (const tTrackEntry& t : doc.mkv.tracks) largest = std::max(largest, t.trackNumber.value);
    const bool numbers = largest <= std::numeric_limits<uint64_t>::max() - count;
    const bool sources = doc.addedSources.size() < std::numeric_limits<uint16_t>::max();
    if (doc.tatra.size() + count <= kMaxActiveTracks && numbers && sources) return true;
    host.Inform("Дорожек станет больше 126, а в новом файле их может быть не больше 126.");
    return false;
}

uint16_t AddSource(Document& doc, AddedSource source) {
    doc.addedSources.push_back(std::move(source));
    return static_cast<uint16_t>(doc.addedSources.size());
}

void InsertBlockByTime(std::vector<xBlock>& blocks, const xBlock& block) {
    const auto later = std::find_if(blocks.begin(), blocks.end(), [&](const xBlock& b) { return b.absTime > block.absTime; });
    blocks.insert(later, block);
}

void MergeBlocks(std::vector<xBlock>& blocks, const std::vector<xBlock>& added) {
    const size_t firstAdded = blocks.size();
    blocks.reserve(firstAdded + added.size());
    blocks.insert(blocks.end(), added.begin(), added.end());
    MergeByTime(blocks, firstAdded);
}

Track AddedTrackRow(const tTrackEntry& track, const std::string& description) {
    Track row;
    row.numberText = std::to_string(track.trackNumber.value);
    row.selectMark = "y";
    row.typeText = TrackTypeName(track.trackType.value);
    row.description = description;
    row.codecText = track.codecID.value;
    row.language = track.language.value;
    row.defaultMark = track.flagDefault.value ? "y" : "";
    return row;
}

void AddBuiltTrack(Document& doc, tTrackEntry track, const std::string& description, AddedSource source,
                   const std::vector<int64_t>& times, uint8_t flags) {
    EnsureBlockTable(doc);
    const uint16_t number = AddSource(doc, std::move(source));
    std::vector<xBlock> blocks(times.size());
    for (size_t i = 0; i < times.size(); ++i) {
        blocks[i].row = static_cast<uint32_t>(i);
        blocks[i].source = number;
        blocks[i].absTime = times[i];
        blocks[i].flags = flags;
        if (times[i] > kMaxBlockTime || times[i] < -kMaxBlockTime) blocks[i].flags |= xBlock::kBadTime;
    }
    // Each block goes in by its time, as one merge: after every block of an equal or smaller time.
    std::stable_sort(blocks.begin(), blocks.end(), [](const xBlock& a, const xBlock& b) { return a.absTime < b.absTime; });
    MergeBlocks(doc.mkv.blocks, blocks);
    doc.tatra.push_back(AddedTrackRow(track, description));
    doc.mkv.tracks.push_back(std::move(track));
    doc.saveMode = SaveMode::Build;
}

void TellAddFailure(Host& host, std::string_view text) {
    host.SetStatus(text);
    host.AddLog("• ", host.Tr(text));
}

std::string FileNameOf(const std::string& path) { return std::filesystem::path(path).filename().string(); }

std::string LowerExtension(const std::string& path) { return AsciiLower(std::filesystem::path(path).extension().string()); }

}  // namespace quillon
