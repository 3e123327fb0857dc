#include "reader/scanner.h"

#include <cstring>

#include "reader/format_check.h"
#include "reader/scan_walker.h"

namespace quillon {
namespace {

ScanOutcome Walk(SourceFile& source, Host& host, tabrick& target, scan::Mode mode) {
    target.clear();
    host.ClearStop();
    Findings findings;
    scan::Walker walker(source, host, target, mode, findings);
    ScanOutcome outcome = walker.Run();
    if (outcome.result == ScanResult::NoSignature || outcome.result == ScanResult::NoSegment) target.clear();
    // Bytes the system could not read were taken for zeros: the list may lack what they held.
    if (source.LastError() != 0) findings.Add(host, Rule::ReadError, -1, source.Path(), 0, std::strerror(source.LastError()));
    outcome.findings = std::move(findings);
    return outcome;
}

void Conclude(ScanOutcome& outcome, Host& host) {
    outcome.findings.LogTotal(host);
    outcome.damagedPlaces = outcome.findings.total();
    outcome.result = outcome.damagedPlaces ? ScanResult::StructureError : ScanResult::Ok;
}

}  // namespace

ScanOutcome ReadStruct(SourceFile& source, Host& host, tabrick& target, bool full) {
    ScanOutcome outcome = Walk(source, host, target, full ? scan::Mode::Full : scan::Mode::Quick);
    if (outcome.result != ScanResult::Ok) return outcome;  // no file to check, or stopped
    CheckFormatRules(target, source, host, outcome.findings, full);
    if (full) {
        CheckCrossReferences(target, source, host, outcome.findings);
        outcome.lostBlocks = CountLostBlocks(target, source, outcome.skipped);
    }
    Conclude(outcome, host);
    if (outcome.result == ScanResult::Ok) {
        host.AddLog("• ошибки контейнера не обнаружены");
    } else {
        host.AddLog("• ошибок: ", std::to_string(outcome.findings.errors()) + ", " + host.Tr("предупреждений: ") +
                                      std::to_string(outcome.findings.warnings()));
    }
    if (full) host.AddLog("• построение дерева файла");
    host.ProgressHide();
    return outcome;
}

ScanOutcome ReadTracks(SourceFile& source, Host& host, tabrick& target) {
    // A stopped header read still shows what it read.
    ScanOutcome outcome = Walk(source, host, target, scan::Mode::Header);
    if (outcome.result == ScanResult::Ok) Conclude(outcome, host);
    host.ProgressHide();
    return outcome;
}

}  // namespace quillon
