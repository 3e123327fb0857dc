#include "support/interop_helpers.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>

namespace quillon::test {

namespace fs = std::filesystem;

fs::path MediaFile(const std::string& name) { return fs::path(QUILLON_MEDIA_DIR) / name; }

fs::path SampleFile(const std::string& name) { return fs::path(QUILLON_TEST_DATA) / name; }

fs::path OutputDir(const std::string& suite) {
    const fs::path dir = fs::path(QUILLON_INTEROP_OUT) / suite;
    fs::create_directories(dir);
    return dir;
}

fs::path FreshOutput(const std::string& suite, const std::string& name) {
    const fs::path path = OutputDir(suite) / name;
    fs::remove_all(path);
    return path;
}

namespace {

// Every program make_media.sh and the suites call besides quillon-cli.
constexpr const char* kPeers[] = {"ffmpeg", "ffprobe", "mkvmerge", "mkvinfo", "mkvextract", "flock", "python3"};

std::string MissingPeers() {
    std::string missing;
    for (const char* tool : kPeers)
        if (RunSeparated(std::string("command -v ") + tool + " >/dev/null").status != 0)
            missing += (missing.empty() ? "" : ", ") + std::string(tool);
    return missing;
}

}  // namespace

void RequireMedia() {
    static const std::string missing = MissingPeers();
    if (!missing.empty()) GTEST_SKIP() << "needs " << missing;
    static const SeparatedResult made =
        RunSeparated("bash " + Quoted(QUILLON_MEDIA_SCRIPT) + " " + Quoted(QUILLON_MEDIA_DIR));
    ASSERT_EQ(made.status, 0) << "make_media.sh failed:\n" << made.out << made.err;
}

std::string QuillonPath() { return QUILLON_CLI; }

// Under a Russian locale, so that a run without --lang speaks the program's
// first language whatever the machine's locale is.
SeparatedResult Quillon(const std::string& args) { return QuillonWith("LC_ALL=ru_RU.UTF-8", args); }

SeparatedResult QuillonWith(const std::string& environment, const std::string& args) {
    return RunSeparated("env " + environment + " " + Quoted(QUILLON_CLI) + " " + args);
}

std::vector<uint8_t> ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const fs::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::stringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

bool HasLine(const std::string& text, const std::string& line) {
    const auto lines = Lines(text);
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

bool HasText(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

namespace {

int64_t TimeValue(const std::string& text) { return text == "N/A" ? kNoTime : std::stoll(text); }

}  // namespace

ProbedFile FfprobePackets(const fs::path& file) {
    ProbedFile probed;
    probed.run = RunSeparated(
        "ffprobe -v error -show_data_hash CRC32 -show_entries "
        "stream=index,time_base:packet=stream_index,pts,dts,duration,size,flags,data_hash -of default " +
        Quoted(file.string()));
    ProbedPacket packet;
    int index = -1;
    std::string timeBase;
    for (const std::string& line : Lines(probed.run.out)) {
        const size_t equals = line.find('=');
        const std::string key = line.substr(0, equals);
        const std::string value = equals == std::string::npos ? "" : line.substr(equals + 1);
        if (line == "[PACKET]" || line == "[STREAM]") {
            packet = ProbedPacket{};
            index = -1;
        } else if (line == "[/PACKET]") {
            probed.streams[index].packets.push_back(packet);
        } else if (line == "[/STREAM]") {
            const size_t slash = timeBase.find('/');
            probed.streams[index].timeBaseNum = std::stoll(timeBase.substr(0, slash));
            probed.streams[index].timeBaseDen = std::stoll(timeBase.substr(slash + 1));
        } else if (key == "stream_index" || key == "index") {
            index = std::stoi(value);
        } else if (key == "time_base") {
            timeBase = value;
        } else if (key == "pts") {
            packet.pts = TimeValue(value);
        } else if (key == "dts") {
            packet.dts = TimeValue(value);
        } else if (key == "duration") {
            packet.duration = TimeValue(value);
        } else if (key == "size") {
            packet.size = std::stoull(value);
        } else if (key == "flags") {
            packet.flags = value;
        } else if (key == "data_hash") {
            packet.hash = value;
        }
    }
    return probed;
}

std::vector<uint8_t> MkvextractTrack(const fs::path& file, int trackId, const fs::path& out) {
    fs::remove(out);
    const SeparatedResult run = RunSeparated("mkvextract " + Quoted(file.string()) + " tracks " +
                                             std::to_string(trackId) + ":" + Quoted(out.string()));
    if (run.status != 0) return {};
    return ReadBytes(out);
}

}  // namespace quillon::test
