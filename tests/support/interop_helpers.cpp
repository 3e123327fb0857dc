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

SeparatedResult Quillon(const std::string& args) { return RunSeparated(Quoted(QUILLON_CLI) + " " + args); }

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

}  // namespace quillon::test
