// quillon-cli info FILE: the header read and the track table.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/json_report.h"
#include "core/display_text.h"

namespace quillon::cli {
namespace {

size_t DisplayWidth(const std::string& text) {
    size_t width = 0;
    for (unsigned char c : text)
        if ((c & 0xC0) != 0x80) ++width;
    return width;
}

std::string Pad(const std::string& text, size_t width) {
    const size_t have = DisplayWidth(text);
    return have >= width ? text : text + std::string(width - have, ' ');
}

void PrintTrackTable(const TrackTable& tracks, const Host& host) {
    std::vector<std::vector<std::string>> rows;
    rows.push_back({"#", host.Tr("тип"), host.Tr("описание"), host.Tr("язык"), "def"});
    for (const Track& t : tracks)
        rows.push_back({t.numberText, t.typeText, DisplayText(t.description), t.language, t.defaultMark});
    std::vector<size_t> widths(5, 0);
    for (const auto& row : rows)
        for (size_t c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], DisplayWidth(row[c]));
    for (const auto& row : rows) {
        std::string line;
        for (size_t c = 0; c < row.size(); ++c) line += c + 1 < row.size() ? Pad(row[c], widths[c] + 2) : row[c];
        while (!line.empty() && line.back() == ' ') line.pop_back();
        std::printf("%s\n", line.c_str());
    }
}

// info --json: the header read's document as JSON, the log kept out of stdout.
int RunInfoJson(const Arguments& args, TerminalHost& host) {
    Document doc;
    doc.sourcePath = args.Operands()[0];
    CollectingHost quiet;
    quiet.setLanguage(host.language());
    const OpenOutcome outcome = ReadHeader(doc, quiet);
    if (!outcome.opened) {
        ExplainOpenFailure(doc.sourcePath, host);
        return kExitUsage;
    }
    if (outcome.scan == ScanResult::NoSignature || outcome.scan == ScanResult::NoSegment) {
        for (const std::string& line : quiet.lines) std::fprintf(stderr, "%s\n", line.c_str());
        return kExitFailed;
    }
    PrintJson(FileReport(doc, quiet));
    return outcome.scan == ScanResult::Stopped ? kExitInterrupted : ScanExitStatus(outcome.scan);
}

}  // namespace

int RunInfo(const Command&, const Arguments& args, TerminalHost& host) {
    if (args.Has("--json")) return RunInfoJson(args, host);
    Document doc;
    doc.sourcePath = args.Operands()[0];
    const OpenOutcome outcome = ReadHeader(doc, host);
    if (!outcome.opened) {
        ExplainOpenFailure(doc.sourcePath, host);
        return kExitUsage;
    }
    if (outcome.scan == ScanResult::NoSignature || outcome.scan == ScanResult::NoSegment) return kExitFailed;

    if (doc.tatra.empty()) std::printf("%s\n", host.Tr("треки не найдены").c_str());
    else PrintTrackTable(doc.tatra, host);
    std::printf("%s %s\n", host.Tr("типы блоков:").c_str(), doc.blockTypeText.c_str());
    return outcome.scan == ScanResult::Stopped ? kExitInterrupted : ScanExitStatus(outcome.scan);
}

}  // namespace quillon::cli
