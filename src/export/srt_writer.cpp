#include "export/srt_writer.h"

#include "export/subtitle_events.h"
#include "export/track_queries.h"

namespace quillon {
namespace {

class SrtWriter : public SubtitleWriter {
public:
    explicit SrtWriter(bool fromAss) : fromAss_(fromAss) {}

protected:
    void WriteEvents(const std::vector<Tsrt>& events, ExportSink& out) override {
        const int cut = fromAss_ ? kAssFieldsBeforeText : 0;
        std::string record;
        for (const Tsrt& e : events) {
            // SRT has no negative times: an event before zero starts at zero.
            const int64_t start = std::max<int64_t>(e.start, 0);
            const int64_t end = std::max<int64_t>(e.start + e.duration, 0);
            record = std::to_string(e.number) + "\r\n" + SrtTime(start) + " --> " + SrtTime(end) + "\r\n";
            record += CutLeadingFields(e.text, cut);
            record += "\r\n\r\n";
            out.Put(record);
        }
    }

private:
    bool fromAss_;
};

SaveOutcome RunSrt(Document& doc, Host& host, const ExportRequest& request, bool fromAss) {
    SrtWriter writer(fromAss);
    return RunTrackExport(doc, host, request, TrackKind::Subtitles, writer);
}

}  // namespace

std::string_view CutLeadingFields(std::string_view text, int count) {
    for (int k = 0; k < count; ++k) {
        const size_t comma = text.find(',');
        if (comma == std::string_view::npos) break;
        text.remove_prefix(comma + 1);
    }
    return text;
}

SaveOutcome SaveSRT(Document& doc, Host& host, const ExportRequest& request) { return RunSrt(doc, host, request, false); }

SaveOutcome ExportASS2SRT(Document& doc, Host& host, const ExportRequest& request) { return RunSrt(doc, host, request, true); }

SaveOutcome SaveSRTX(Document& doc, Host& host, const ExportRequest& request) {
    const std::string codec = TrackCodecId(doc.lista, GetActiveSubsTrackNumber(doc.tatra));
    if (codec == "S_TEXT/ASS" || codec == "S_TEXT/SSA") return ExportASS2SRT(doc, host, request);
    return SaveSRT(doc, host, request);
}

}  // namespace quillon
