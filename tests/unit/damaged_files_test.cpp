// Damaged files: bytes flipped and files cut at random places must never
// crash or hang a scanner, and what a scan leaves must be a sound tree.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>

#include "core/source_file.h"
#include "reader/node_text.h"
#include "reader/track_table.h"
#include "support/scan_helpers.h"

namespace quillon::test {
namespace {

ByteVec ReadWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return ByteVec(std::istreambuf_iterator<char>(in), {});
}

void ExpectSoundList(const tabrick& list) {
    ExpectWellFormed(list);
    for (size_t i = 0; i < list.size(); ++i) NodeText(list[i]);  // every row can be shown
}

void ScanEveryWay(const ByteVec& bytes) {
    TempFile file(bytes);
    SourceFile source;
    ASSERT_TRUE(source.Open(file.path()));
    for (int mode = 0; mode < 3; ++mode) {
        CaptureHost host;
        tabrick list;
        if (mode == 2) ReadTracks(source, host, list);
        else ReadStruct(source, host, list, mode == 1);
        ExpectSoundList(list);
        TrackTable tracks;
        FillTrackList(list, tracks);
    }
}

class DamagedFiles : public ::testing::TestWithParam<const char*> {};

TEST_P(DamagedFiles, FlippedBytesNeverCrashTheScanners) {
    const ByteVec original = ReadWhole(std::string(QUILLON_TEST_DATA) + "/" + GetParam());
    ASSERT_GT(original.size(), 1000u);
    std::mt19937 random(20261210);
    for (int round = 0; round < 150; ++round) {
        ByteVec bytes = original;
        const int flips = 1 + static_cast<int>(random() % 8);
        // Most damage goes to the headers at the start, where structure is dense.
        const size_t area = round % 2 ? bytes.size() : std::min<size_t>(bytes.size(), 6000);
        for (int k = 0; k < flips; ++k) bytes[random() % area] ^= static_cast<uint8_t>(1u << (random() % 8));
        SCOPED_TRACE(round);
        ScanEveryWay(bytes);
    }
}

TEST_P(DamagedFiles, CutFilesNeverCrashTheScanners) {
    const ByteVec original = ReadWhole(std::string(QUILLON_TEST_DATA) + "/" + GetParam());
    std::mt19937 random(7);
    for (int round = 0; round < 100; ++round) {
        const size_t keep = round < 60 ? random() % std::min<size_t>(original.size(), 8000) : random() % original.size();
        SCOPED_TRACE(keep);
        ScanEveryWay(ByteVec(original.begin(), original.begin() + static_cast<long>(keep)));
    }
}

INSTANTIATE_TEST_SUITE_P(RealFiles, DamagedFiles, ::testing::Values("sample.mkv", "ffmpeg_sample.mkv"),
                         [](const auto& info) { return std::string(info.param).substr(0, std::string(info.param).find('.')); });

}  // namespace
}  // namespace quillon::test
