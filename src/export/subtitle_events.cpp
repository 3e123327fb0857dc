#include "export/subtitle_events.h"

#include <algorithm>

namespace quillon {
namespace {

std::string Padded(int64_t value, size_t width) {
    std::string digits = std::to_string(value);
    if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
    return digits;
}

struct Clock {
    int64_t h, m, s, f;
};

Clock Split(int64_t t) {
    Clock c;
    c.h = t / 3600000;
    c.m = t / 60000 - 60 * c.h;
    c.s = t / 1000 - 3600 * c.h - 60 * c.m;
    c.f = t - 3600000 * c.h - 60000 * c.m - 1000 * c.s;
    return c;
}

bool Blank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

int64_t TicksToMs(int64_t ticks, int64_t timecodeScale) {
    // Saturated far below the int64 range: durations and gaps are sums and
    // differences of these.
    constexpr __int128 kMaxMs = __int128{1} << 60;
    const __int128 ns = static_cast<__int128>(ticks) * timecodeScale;
    const __int128 ms = ns >= 0 ? (ns + 500000) / 1000000 : -((-ns + 500000) / 1000000);
    return static_cast<int64_t>(std::clamp(ms, -kMaxMs, kMaxMs));
}

std::string SrtTime(int64_t ms) {
    if (ms < 0) return {};
    const Clock c = Split(ms);
    return Padded(c.h, 2) + ":" + Padded(c.m, 2) + ":" + Padded(c.s, 2) + "," + Padded(c.f, 3);
}

std::string AssTime(int64_t ms) {
    if (ms < 0) return {};
    const Clock c = Split(ms);
    return Padded(c.h, 2) + ":" + Padded(c.m, 2) + ":" + Padded(c.s, 2) + "." + Padded(c.f, 3).substr(0, 2);
}

void FillDurations(std::vector<Tsrt>& events) {
    for (size_t i = 0; i < events.size(); ++i) {
        if (events[i].duration != -1) continue;
        events[i].duration = i + 1 == events.size() ? 3000 : events[i + 1].start - events[i].start - 1;
    }
}

std::vector<std::string_view> TextLines(std::string_view text) {
    std::vector<std::string_view> lines;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = at;
        while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
        std::string_view line = text.substr(at, end - at);
        while (!line.empty() && Blank(line.front())) line.remove_prefix(1);
        while (!line.empty() && Blank(line.back())) line.remove_suffix(1);
        lines.push_back(line);
        at = end;
        if (at < text.size() && text[at] == '\r') ++at;
        if (at < text.size() && text[at] == '\n') ++at;
    }
    return lines;
}

bool SubtitleWriter::Prepare(const ExportTrack& track) {
    track_ = track;
    events_.clear();
    events_.reserve(1000);
    return true;
}

bool SubtitleWriter::Block(const WalkBlock& block, ExportSink&) {
    Tsrt event;
    event.number = static_cast<uint32_t>(events_.size() + 1);
    event.start = TicksToMs(block.timecode, track_.timecodeScale);
    event.duration = block.duration < 0 ? -1 : TicksToMs(block.duration, track_.timecodeScale);
    // A text block ends at its first NUL: what some muxers leave after it is
    // padding or garbage, and players stop there too.
    const auto end = std::find(block.data.begin(), block.data.end(), uint8_t{0});
    event.text.assign(block.data.begin(), end);
    events_.push_back(std::move(event));
    return true;
}

bool SubtitleWriter::Finish(ExportSink& out) {
    FillDurations(events_);
    WriteEvents(events_, out);
    return true;
}

}  // namespace quillon
