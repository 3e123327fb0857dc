#include "support/mkvinfo_listing.h"

#include <cstdio>
#include <regex>

#include "support/interop_helpers.h"
#include "support/run_command.h"

namespace quillon::test {

std::vector<ListedElement> MkvinfoListing(const std::filesystem::path& file, std::string& error) {
    // In the C locale mkvinfo drops the rest of a line at the first non-ASCII
    // character (a Russian track name), so it is asked for UTF-8.
    const SeparatedResult run = RunSeparated(
        "LC_ALL=C.UTF-8 mkvinfo --ui-language en_US --output-charset UTF-8 --all -P -z " + Quoted(file.string()));
    std::vector<ListedElement> out;
    if (run.status != 0) {
        error = "mkvinfo exited with " + std::to_string(run.status) + ": " + run.out + run.err;
        return out;
    }
    static const std::regex kElement(R"(^([| ]*)\+ (.*) at (\d+) (?:size (\d+) data size (\d+)|size is unknown)$)");
    static const std::regex kFrame(R"(^[| ]*\+ Frame at (\d+) size (\d+)$)");
    std::smatch m;
    for (const std::string& line : Lines(run.out)) {
        if (std::regex_match(line, m, kFrame)) {
            if (out.empty()) {
                error = "a frame line before any element: " + line;
                return {};
            }
            out.back().frames.push_back({std::stoull(m[1]), std::stoull(m[2])});
            continue;
        }
        if (!std::regex_match(line, m, kElement)) {
            error = "a line that is neither element nor frame: " + line;
            return {};
        }
        ListedElement e;
        e.line = line;
        e.depth = static_cast<int>(m[1].length());
        const std::string caption = m[2];
        e.name = caption.substr(0, caption.find(':'));
        e.position = std::stoull(m[3]);
        e.unknownSize = !m[4].matched;
        if (!e.unknownSize) {
            e.totalSize = std::stoull(m[4]);
            e.dataSize = std::stoull(m[5]);
        }
        out.push_back(std::move(e));
    }
    // An element of unknown size ends where the next element at its depth or
    // above starts (for a Cluster: the next Cluster, Cues, Tags ...), the last
    // one at the end of the file. That extent is what our rows hold.
    const uint64_t fileSize = std::filesystem::file_size(file);
    for (size_t i = 0; i < out.size(); ++i) {
        if (!out[i].unknownSize) continue;
        uint64_t end = fileSize;
        for (size_t j = i + 1; j < out.size(); ++j)
            if (out[j].depth <= out[i].depth) {
                end = out[j].position;
                break;
            }
        out[i].totalSize = end - out[i].position;
    }
    return out;
}

std::optional<ListedBlock> BlockCaption(const ListedElement& element) {
    static const std::regex kBlock(
        R"(^[| ]*\+ (Simple block|Block): (key, )?.*track number (\d+), (\d+) frame\(s\), timestamp (-?[0-9:.]+))");
    std::smatch m;
    if (!std::regex_search(element.line, m, kBlock)) return std::nullopt;
    ListedBlock block;
    block.simple = m[1] == "Simple block";
    block.key = m[2].matched;
    block.track = std::stoull(m[3]);
    block.frameCount = std::stoull(m[4]);
    block.time = m[5];
    return block;
}

int64_t ListedNanoseconds(const std::string& text) {
    const bool negative = !text.empty() && text[0] == '-';
    int hours = 0, minutes = 0, seconds = 0;
    long long fraction = 0;
    std::sscanf(text.c_str() + negative, "%d:%d:%d.%9lld", &hours, &minutes, &seconds, &fraction);
    const int64_t ns = ((hours * 60LL + minutes) * 60 + seconds) * 1'000'000'000LL + fraction;
    return negative ? -ns : ns;
}

uint8_t BlockFlags(const std::vector<uint8_t>& file, const ListedElement& block) {
    const uint64_t data = block.position + block.totalSize - block.dataSize;
    if (data >= file.size() || file[data] == 0) return 0;
    int trackLength = 1;  // the track number is an EBML vint: its first byte tells its length
    while (!(file[data] & (0x80 >> (trackLength - 1)))) ++trackLength;
    const uint64_t at = data + static_cast<uint64_t>(trackLength) + 2;
    return at < file.size() ? file[at] : 0;
}

std::string ListedValue(const ListedElement& element) {
    const size_t start = element.line.find("+ " + element.name + ": ");
    const size_t end = element.line.rfind(" at ");
    if (start == std::string::npos || end == std::string::npos) return {};
    const size_t from = start + element.name.size() + 4;
    return from < end ? element.line.substr(from, end - from) : std::string();
}

std::string ListedTrack::Value(const std::string& name) const {
    const auto it = values.find(name);
    return it == values.end() ? std::string() : it->second;
}

std::vector<ListedTrack> ListedTracks(const std::vector<ListedElement>& listing) {
    std::vector<ListedTrack> tracks;
    for (size_t i = 0; i < listing.size(); ++i) {
        if (listing[i].name != "Track") continue;
        ListedTrack track;
        for (size_t k = i + 1; k < listing.size() && listing[k].depth > listing[i].depth; ++k)
            track.values.emplace(listing[k].name, ListedValue(listing[k]));
        unsigned long long number = 0;
        int id = -1;
        if (std::sscanf(track.Value("Track number").c_str(), "%llu (track ID for mkvmerge & mkvextract: %d)", &number,
                        &id) == 2) {
            track.number = number;
            track.trackId = id;
        }
        tracks.push_back(std::move(track));
    }
    return tracks;
}

}  // namespace quillon::test
