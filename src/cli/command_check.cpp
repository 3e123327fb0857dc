// quillon-cli check FILE [--quick]: the container scan and its log lines.
#include <cstdio>

#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/json_report.h"

namespace quillon::cli {

namespace {

// "structure_error" when the file has errors, "warnings" when it only breaks rules.
const char* ResultName(ScanResult result, const Findings& findings) {
    switch (result) {
        case ScanResult::Ok: return "ok";
        case ScanResult::Stopped: return "stopped";
        case ScanResult::StructureError: return findings.errors() > 0 ? "structure_error" : "warnings";
        default: return "not_read";
    }
}

// Every finding of the check: what is wrong, where, and how bad.
nlohmann::ordered_json Problems(const Findings& findings, const Host& host) {
    nlohmann::ordered_json problems = nlohmann::ordered_json::array();
    for (const Finding& f : findings.items()) {
        nlohmann::ordered_json p;
        p["severity"] = SeverityName(f.severity);
        p["rule"] = RuleName(f.rule);
        p["element"] = f.element;
        p["offset"] = f.offset;
        p["message"] = FindingMessage(host, f);
        problems.push_back(p);
    }
    return problems;
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
    report["result"] = ResultName(outcome.scan, doc.findings);
    report["problems"] = Problems(doc.findings, quiet);
    report["errors"] = doc.findings.errors();
    report["warnings"] = doc.findings.warnings();
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
