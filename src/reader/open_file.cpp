#include "reader/open_file.h"

#include "core/source_file.h"
#include "reader/element_queries.h"
#include "reader/track_table.h"
#include "reader/video_check.h"

namespace quillon {
namespace {

// The document belongs to the file: a new open starts from a fresh one, the
// file's name all it keeps.
void ResetDocument(Document& doc) {
    std::string path = std::move(doc.sourcePath);
    doc = Document{};
    doc.sourcePath = std::move(path);
}

bool OpenSource(SourceFile& source, const Document& doc, Host& host) {
    if (source.Open(doc.sourcePath)) return true;
    host.AddLog("• ошибка открытия файла");
    return false;
}

}  // namespace

ScanOutcome ScanDocument(Document& doc, Host& host, SourceFile& source, bool full) {
    const ScanOutcome scan = ReadStruct(source, host, doc.lista, full);
    doc.damagedPlaces = scan.damagedPlaces;
    doc.findings = scan.findings;
    doc.skippedBytes = scan.skippedBytes;
    doc.lostBlocks = scan.lostBlocks;
    doc.secondSegmentAt = scan.secondSegmentAt;
    host.ProgressHide();
    if (scan.result == ScanResult::Stopped) {
        doc.lista.clear();
        host.AddLog("• операция прервана");
    } else if (scan.result == ScanResult::Ok || scan.result == ScanResult::StructureError) {
        doc.simpleBlockAllowed = CheckVideoTL(doc.lista) != VideoBlocks::ForwardReferences;
        doc.blockTypeText = FindUsedBlockType(doc.lista);
    }
    return scan;
}

OpenOutcome CheckContainer(Document& doc, Host& host, bool full) {
    ResetDocument(doc);
    OpenOutcome outcome;
    SourceFile source;
    if (!OpenSource(source, doc, host)) return outcome;
    outcome.opened = true;
    outcome.scan = ScanDocument(doc, host, source, full).result;
    if (outcome.scan != ScanResult::Stopped) FillTrackList(doc.lista, doc.tatra);
    return outcome;
}

void FinishContainerCheck(Document& doc, Host& host, bool full) {
    if (full) host.AddLog("• операция завершена");
    doc.readState = full ? ReadState::FullTree : ReadState::QuickTree;
}

OpenOutcome ReadHeader(Document& doc, Host& host) {
    ResetDocument(doc);
    OpenOutcome outcome;
    SourceFile source;
    if (!OpenSource(source, doc, host)) return outcome;
    outcome.opened = true;
    const ScanOutcome scan = ReadTracks(source, host, doc.lista);
    outcome.scan = scan.result;
    doc.damagedPlaces = scan.damagedPlaces;
    doc.findings = scan.findings;
    host.ProgressHide();
    if (outcome.scan == ScanResult::NoSignature || outcome.scan == ScanResult::NoSegment) return outcome;
    FillTrackList(doc.lista, doc.tatra);
    doc.readState = ReadState::Header;
    return outcome;
}

}  // namespace quillon
