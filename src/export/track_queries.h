// Which track an export works on, and what the writers need to know about it:
// the checked-track queries over the track table, the codec of a track, its
// CodecPrivate, sampling frequency, channel count and the file's timecode scale.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/document.h"

namespace quillon {

// "Checked" means selectMark "y".
bool OneAudioTrackCheckedOnly(const TrackTable& tatra);
bool OneSubsTrackCheckedOnly(const TrackTable& tatra);
bool OneVideoTrackCheckedOnly(const TrackTable& tatra);
// Number text of the first checked track of the type; empty when none.
std::string GetActiveAudioTrackNumber(const TrackTable& tatra);
std::string GetActiveSubsTrackNumber(const TrackTable& tatra);
std::string GetActiveVideoTrackNumber(const TrackTable& tatra);
// Row of the first checked track of the type; -1 when none.
int GetActiveAudioTrackIndex(const TrackTable& tatra);
int GetActiveSubsTrackIndex(const TrackTable& tatra);
int GetActiveVideoTrackIndex(const TrackTable& tatra);
// True when the first row with that number text is a video track.
bool isVideoTrack(const TrackTable& tatra, std::string_view numberText);
// acFormatTag of the CodecID of the first audio row with that number text
// whose TrackEntry has a CodecID; 0 when none.
uint16_t GetAudioCodecFormatTag(const Document& doc, std::string_view numberText);

// CodecID value of the track's TrackEntry (the first TrackEntry whose
// TrackNumber is the number text); empty when none.
std::string TrackCodecId(const tabrick& lista, std::string_view numberText);
// The model record whose track number, in decimal, is the number text; the
// first record when none is; nullptr when the model holds no track.
const tTrackEntry* TrackEntryRecord(const TMKV& mkv, std::string_view numberText);

// Matroska's defaults for an Audio element without these children.
constexpr uint32_t kDefaultSamplingFrequency = 8000;
constexpr uint32_t kDefaultChannels = 1;

struct AudioParams {
    uint32_t samplingFrequency = kDefaultSamplingFrequency;  // whole Hz
    uint32_t channels = kDefaultChannels;
    uint32_t bitDepth = 0;  // 0 when the Audio element has none
};
// From the first Audio row whose TrackEntry has that TrackNumber. A missing
// child, a text that is not a number, or 0 gives the default.
AudioParams TrackAudioParams(const tabrick& lista, std::string_view numberText);

// How the frames of a track are stored.
enum class FrameEncoding {
    Plain,          // as they are
    HeaderStripped, // header-stripping compression: `prefix` is cut off the front of every frame
    Unsupported,    // compressed (zlib, bzlib, LZO) or encrypted: the bytes cannot be written as frames
};
// From the ContentEncodings of the track's TrackEntry.
FrameEncoding TrackFrameEncoding(const tabrick& lista, std::string_view numberText, std::vector<uint8_t>& prefix);


}  // namespace quillon
