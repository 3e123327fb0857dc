// quillon-cli check FILE [--quick]: the container scan and its log lines.
#include <cstdio>

#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/json_report.h"

namespace quillon::cli {

namespace {

const char* ResultName(ScanResult result) {
    switch (result) {
        case ScanResult::Ok: return "ok";
        case ScanResult::Stopped: return "stopped";
        case ScanResult::StructureError: return "structure_error";
        default: return "not_read";
    }
}

// check --json: the report with the log lines and the result.
int RunCheckJson(const Arguments& args, TerminalHost& host) {
    Document doc;
    doc.sourcePath = args.Operands()[0];
    const bool full = !args.Has("--quick");
    CollectingHost quiet;
    quiet.setLanguage(host.language());
    const OpenOutcome outcome = CheckContainer(doc, quiet, full);
    if (!outcome.opened) {
        ExplainOpenFailure(doc.sourcePath, host);
        return kExitUsage;
    }
    if (outcome.scan != ScanResult::Stopped) FinishContainerCheck(doc, quiet, full);
    const std::vector<std::string> log = quiet.lines;
    nlohmann::ordered_json report = FileReport(doc, quiet);
    report["block_types"] = doc.blockTypeText;
    report["log"] = log;
    report["result"] = ResultName(outcome.scan);
    PrintJson(report);
    return ScanExitStatus(outcome.scan);
}

}  // namespace

int RunCheck(const Command&, const Arguments& args, TerminalHost& host) {
    if (args.Has("--json")) return RunCheckJson(args, host);
    Document doc;
    doc.sourcePath = args.Operands()[0];
    const bool full = !args.Has("--quick");
    const OpenOutcome outcome = CheckContainer(doc, host, full);
    if (!outcome.opened) {
        ExplainOpenFailure(doc.sourcePath, host);
        return kExitUsage;
    }
    if (outcome.scan != ScanResult::Stopped) FinishContainerCheck(doc, host, full);
    if (outcome.scan == ScanResult::Ok || outcome.scan == ScanResult::StructureError)
        std::printf("%s %s\n", host.Tr("типы блоков:").c_str(), doc.blockTypeText.c_str());
    return ScanExitStatus(outcome.scan);
}

}  // namespace quillon::cli
