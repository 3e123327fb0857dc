// What every command that adds a track does to the document: a number and a
// UID for the new track, room in the one-byte track numbers of a new file,
// the source its blocks come from, and the blocks merged by time into the
// model's block list.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/document.h"
#include "core/host.h"

namespace quillon {

// 1 + the largest TrackNumber of the model (1 for a model without tracks).
uint64_t NewTrackNumber(const TMKV& mkv);
// A random non-zero 64-bit UID that no track of the model has.
uint64_t NewUID(const TMKV& mkv);
// `uid` when it is non-zero and no track of the model has it, else NewUID.
uint64_t KeptOrNewUID(const TMKV& mkv, uint64_t uid);
// Clears a track record: every value gone, every presence flag clear.
void resetTrack(tTrackEntry& track);
// The entry of a track we build: the next number, a new UID, enabled, not
// default or forced, TrackTimecodeScale 1, the placeholder language, and the
// type, codec, lacing flag and name given.
tTrackEntry NewBuiltEntry(const TMKV& mkv, uint8_t trackType, const std::string& codecID, bool lacing,
                          const std::string& name);

// False, told through the host, when `count` more tracks would not fit a
// new file's one-byte track numbers or the document cannot hold another source.
bool RoomForTracks(const Document& doc, size_t count, Host& host);

// Adds a source to the document; its blocks carry the returned number.
uint16_t AddSource(Document& doc, AddedSource source);

// Inserts a block before the first block whose time is greater: after every
// block of an equal or smaller time met before it.
void InsertBlockByTime(std::vector<xBlock>& blocks, const xBlock& block);
// Merges `added` (in its own order) into `blocks` by time: a block of
// `added` goes before a block of `blocks` only when its time is smaller, so
// on equal times the blocks already there come first. The order within each
// list is kept (the decode order of a video track is never changed).
void MergeBlocks(std::vector<xBlock>& blocks, const std::vector<xBlock>& added);

// The track table row of an added track.
Track AddedTrackRow(const tTrackEntry& track, const std::string& description);

// A new track of ours: its entry and row appended, its blocks (our bytes in
// `source.built`, in any order of time) merged by time into the model.
// `times` holds each built block's time in ticks, `flags` the xBlock flags
// they all share.
void AddBuiltTrack(Document& doc, tTrackEntry track, const std::string& description, AddedSource source,
                   const std::vector<int64_t>& times, uint8_t flags);

// Tells a failure in the status line and the log.
void TellAddFailure(Host& host, std::string_view text);

// The file name of a path, with its extension.
std::string FileNameOf(const std::string& path);
// The extension of a path in lower case, with its dot (".srt").
std::string LowerExtension(const std::string& path);

}  // namespace quillon
