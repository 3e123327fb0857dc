// mkvinfo's full listing of a file (`mkvinfo --all -P -z`): every element with
// its depth, position and sizes, and the frames of each block. mkvinfo shares
// no code with our reader, so what it lists is an independent account of a file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace quillon::test {

struct ListedFrame {
    uint64_t position = 0;
    uint64_t size = 0;
};

// One element line.
struct ListedElement {
    std::string line;  // as printed, for messages
    std::string name;  // mkvinfo's caption: the text before ':' (or before " at")
    int depth = 0;     // the column of the '+'
    uint64_t position = 0;
    bool unknownSize = false;
    uint64_t totalSize = 0;  // known size: as printed; unknown size: up to the next element
    uint64_t dataSize = 0;   // known size only
    std::vector<ListedFrame> frames;  // "Frame at" lines under a block

    uint64_t end() const { return position + totalSize; }
};

// The listing, in file order. It prints no CRC-32 element. On failure (mkvinfo
// exits non-zero or prints a line that is neither an element nor a frame:
// an error or a warning) `error` says why and the listing is empty.
std::vector<ListedElement> MkvinfoListing(const std::filesystem::path& file, std::string& error);

// What a "Simple block: ..." or "Block: ..." caption says.
struct ListedBlock {
    bool simple = false;  // a SimpleBlock rather than a Block in a BlockGroup
    bool key = false;     // said of SimpleBlocks only
    uint64_t track = 0;
    uint64_t frameCount = 0;
    std::string time;  // "00:00:01.024000000", "-00:00:00.040000000"
};

std::optional<ListedBlock> BlockCaption(const ListedElement& element);

// A time as mkvinfo prints it ("00:00:01.024000000", "-00:00:00.040000000") in nanoseconds.
int64_t ListedNanoseconds(const std::string& text);

// The flags byte of a block ("Simple block", or the "Block" of a BlockGroup),
// read from the file's bytes: the byte after its track number and its 16-bit
// timecode (0x80 key, 0x08 invisible, 0x06 lacing, 0x01 discardable).
uint8_t BlockFlags(const std::vector<uint8_t>& file, const ListedElement& block);

// What an element line says after its name: "Codec ID: A_AC3 at ..." gives
// "A_AC3"; empty for a line with no value (a master).
std::string ListedValue(const ListedElement& element);

// A TrackEntry of the listing: its number, mkvmerge's and mkvextract's track
// ID, and the values of the elements inside it by name ("Codec ID",
// "Language", "Name", "Sampling frequency", ...; the first of each name).
struct ListedTrack {
    uint64_t number = 0;
    int trackId = -1;
    std::map<std::string, std::string> values;

    // The value of that name; empty if the entry has no such element.
    std::string Value(const std::string& name) const;
};

std::vector<ListedTrack> ListedTracks(const std::vector<ListedElement>& listing);

}  // namespace quillon::test
