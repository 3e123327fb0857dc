// quillon-cli timeline FILE: the timeline check, its caption line and the
// report of each track whose block times go backwards.
#include <cstdio>

#include "cli/arguments.h"
#include "cli/commands.h"
#include "timeline/timeline_check.h"

namespace quillon::cli {

int RunTimeline(const Command&, const Arguments& args, TerminalHost& host) {
    Document doc;
    if (const int status = OpenForSave(doc, host, args.Operands()[0]); status != kGoOn) return status;
    if (!prepare2export(doc, host)) return kExitFailed;
    const TimelineReport report = TimeLineCheck(doc);
    std::printf("%s\n", TimelineCaption(report, host.language()).c_str());
    for (const TrackFaults& t : report.tracks)
        for (const std::string& line : ShowTrackError(report, t.trackNo, host.language())) std::printf("%s\n", line.c_str());
    return report.nonLinear || doc.damagedPlaces > 0 ? kExitFailed : kExitOk;
}

}  // namespace quillon::cli
