// What every interop suite needs: the media made by tests/interop/make_media.sh,
// the committed samples, output folders, quillon-cli, and files and text.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "support/run_command.h"

namespace quillon::test {

// A file made by make_media.sh (see the list at its top).
std::filesystem::path MediaFile(const std::string& name);

// A small real file committed under tests/data.
std::filesystem::path SampleFile(const std::string& name);

// The output folder of one suite, created on first use.
std::filesystem::path OutputDir(const std::string& suite);

// OutputDir(suite) / name, with any leftover of an earlier run removed.
std::filesystem::path FreshOutput(const std::string& suite, const std::string& name);

// Marks the current test skipped when a peer program the media or the
// comparisons need is missing, and fails it when make_media.sh failed. The
// script runs once per test process (and makes the media once per build
// tree). Call it from a fixture's SetUp.
void RequireMedia();

// A fixture whose tests all need the media.
class InteropTest : public ::testing::Test {
protected:
    void SetUp() override { RequireMedia(); }
};

// quillon-cli with these arguments (already quoted where needed), stdin not a
// terminal, stdout and stderr apart.
SeparatedResult Quillon(const std::string& args);
// The same under the environment `environment` ("NAME=VALUE ..."), nothing else set for it.
SeparatedResult QuillonWith(const std::string& environment, const std::string& args);

std::vector<uint8_t> ReadBytes(const std::filesystem::path& path);
std::string ReadText(const std::filesystem::path& path);
void WriteBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);
// quillon-cli's path, for a command line of a test's own making.
std::string QuillonPath();

// The lines of a text, without their line ends.
std::vector<std::string> Lines(const std::string& text);

// Whether `text` has `line` as one of its whole lines.
bool HasLine(const std::string& text, const std::string& line);

// Whether `part` occurs anywhere in `text`.
bool HasText(const std::string& text, const std::string& part);

// ffprobe's packets of a file, stream by stream in demux order (a laced
// block gives one packet per frame). Times are in the stream's time base,
// kNoTime where ffprobe prints N/A.
constexpr int64_t kNoTime = INT64_MIN;

struct ProbedPacket {
    int64_t pts = kNoTime;
    int64_t dts = kNoTime;
    int64_t duration = kNoTime;
    uint64_t size = 0;
    std::string flags;  // "K__", ...
    std::string hash;   // CRC-32 of the data
    bool operator==(const ProbedPacket&) const = default;
};

struct ProbedStream {
    int64_t timeBaseNum = 0;  // ffprobe's time_base, num/den
    int64_t timeBaseDen = 1;
    std::vector<ProbedPacket> packets;
};

struct ProbedFile {
    SeparatedResult run;
    std::map<int, ProbedStream> streams;  // by stream index
};

ProbedFile FfprobePackets(const std::filesystem::path& file);

// mkvextract's output for one track (by mkvextract's track ID, which is
// ffprobe's stream index) written to `out` and read back: a raw stream, as
// mkvextract writes it for the codec. Empty when mkvextract fails.
std::vector<uint8_t> MkvextractTrack(const std::filesystem::path& file, int trackId,
                                     const std::filesystem::path& out);

}  // namespace quillon::test
