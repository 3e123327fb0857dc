#include "export/ass_writer.h"

#include <algorithm>

#include "export/subtitle_events.h"

namespace quillon {
namespace {

class AssWriter : public SubtitleWriter {
protected:
    void WriteEvents(const std::vector<Tsrt>& events, ExportSink& out) override {
        const std::vector<uint8_t>& header = track_.codecPrivate;
        out.Put(header);
        // The header ends with the Format line of the events: without a line
        // end after it, the first event would join that line and be lost.
        if (!header.empty() && header.back() != '\n' && header.back() != '\r') out.Put(std::string_view("\r\n"));
        std::string line;
        for (const Tsrt& e : events) {
            line = AssDialogueLine(e.text, std::max<int64_t>(e.start, 0), std::max<int64_t>(e.start + e.duration, 0));
            line += "\r\n";
            out.Put(line);
        }
    }
};

}  // namespace

std::string AssDialogueLine(std::string_view text, int64_t startMs, int64_t endMs) {
    const size_t first = text.find(',');
    const std::string_view afterReadOrder = first == std::string_view::npos ? std::string_view() : text.substr(first + 1);
    const size_t second = afterReadOrder.find(',');
    std::string_view layer = afterReadOrder.substr(0, second);
    const std::string_view rest = second == std::string_view::npos ? std::string_view() : afterReadOrder.substr(second + 1);
    if (layer.empty()) layer = "0";
    std::string line = "Dialogue: ";
    line.append(layer).append(",").append(AssTime(startMs)).append(",").append(AssTime(endMs)).append(",").append(rest);
    return line;
}

SaveOutcome SaveASS(Document& doc, Host& host, const ExportRequest& request) {
    AssWriter writer;
    return RunTrackExport(doc, host, request, TrackKind::Subtitles, writer);
}

}  // namespace quillon
