// Builds EBML bytes for test fixtures: elements, masters, blocks and whole
// minimal Matroska files, written to temporary files.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace quillon::test {

using ByteVec = std::vector<uint8_t>;

ByteVec IdBytes(uint32_t id);
// Size field of `value`, minimal width unless `width` is given.
ByteVec SizeField(uint64_t value, int width = 0);
ByteVec Cat(std::initializer_list<ByteVec> parts);

ByteVec Element(uint32_t id, const ByteVec& data, int sizeWidth = 0);
ByteVec Master(uint32_t id, std::initializer_list<ByteVec> children);
ByteVec MasterOf(uint32_t id, const std::vector<ByteVec>& children);
// A master whose size field says "unknown" (8 bytes of all ones).
ByteVec UnknownSizeMaster(uint32_t id, const std::vector<ByteVec>& children);
ByteVec Uint(uint32_t id, uint64_t value);
ByteVec Int(uint32_t id, int64_t value);
ByteVec Str(uint32_t id, const std::string& text);
ByteVec Float(uint32_t id, double value);
ByteVec Binary(uint32_t id, const ByteVec& bytes);

// Block payload: track vint, 16-bit timecode, flags, then `rest` (lace
// header and frames, as given).
ByteVec BlockPayload(uint64_t track, int16_t timecode, uint8_t flags, const ByteVec& rest);
ByteVec SimpleBlock(uint64_t track, int16_t timecode, uint8_t flags, const ByteVec& rest);
ByteVec Frame(size_t size, uint8_t fill = 0x55);

// An Info holding `children` and, as the format asks of every file, a
// MuxingApp and a WritingApp (added when `children` have none).
ByteVec InfoMaster(const std::vector<ByteVec>& children);
// EBML header with DocType "matroska".
ByteVec EbmlHeader();
// EBML header + Segment holding `children`.
ByteVec MatroskaFile(const std::vector<ByteVec>& segmentChildren);
// A TrackEntry with number, type and codec (plus `extra` children).
ByteVec TrackEntry(uint64_t number, uint64_t type, const std::string& codec, const std::vector<ByteVec>& extra = {});

// Writes the bytes to a fresh temporary file and returns its path; the file
// is removed when the TempFile goes.
class TempFile {
public:
    explicit TempFile(const ByteVec& bytes, const std::string& suffix = ".mkv");
    ~TempFile();
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

}  // namespace quillon::test
