#include "edit/track_import.h"

#include <cmath>

#include "core/block_merge.h"
#include "core/generated/element_ids.h"
#include "core/progress_pacer.h"
#include "core/source_file.h"
#include "core/value_text.h"
#include "edit/track_adding.h"
#include "reader/block_table.h"
#include "reader/element_queries.h"
#include "reader/model_builder.h"
#include "reader/scanner.h"
#include "reader/track_table.h"

namespace quillon {
namespace {

constexpr size_t kPollEvery = 4096;

// A new track of the document from the TrackEntry of row `chosen` of the
// second track table; false when the other file has no such entry.
bool TakeTrack(Document& doc, const Track& chosen, SourceFile& source, Host& host, AddedSource& added) {
    const tabrick& list = doc.importLista;
    const int entry = TrackEntryRow(list, chosen.numberText);
    if (entry < 0) return false;
    tTrackEntry t = TrackFromEntry(list, entry, source, host);
    ImportedTrack it;
    it.oldNumber = TextToUInt64(chosen.numberText);
    it.newNumber = NewTrackNumber(doc.mkv);
    const float scale = t.trackTimecodeScale.present ? t.trackTimecodeScale.value : 1.0f;
    it.trackScale = std::isfinite(scale) && scale > 0 ? scale : 1.0;
    it.fileScale = ListTimecodeScale(list);
    it.documentScale = TimecodeScaleOf(doc.mkv);
    t.trackNumber.Set(it.newNumber);
    // Its blocks' times are turned into the document's ticks with the factor
    // applied: the factor must not be written again for players to apply twice.
    t.trackTimecodeScale = {};
    // A UID names a track across files (tags, chapters): it stays unless this file already has it.
    t.trackUID.Set(KeptOrNewUID(doc.mkv, t.trackUID.present ? t.trackUID.value : 0));

    Track row = chosen;
    row.numberText = std::to_string(it.newNumber);
    row.selectMark = "y";
    row.codecText = t.codecID.value;
    row.defaultMark = t.flagDefault.value ? "y" : "";
    row.entryIndex = Track::kNotInSource;
    doc.mkv.tracks.push_back(std::move(t));
    doc.tatra.push_back(std::move(row));
    added.tracks.push_back(it);
    return true;
}

// Appends the blocks of the taken tracks to `blocks`, in the other file's
// order, timed in the document's ticks. Counted first, so the list grows once.
void TakeBlocks(const tabrick& list, const AddedSource& added, uint16_t source, Host& host, std::vector<xBlock>& blocks) {
    size_t count = 0;
    WalkSegmentBlocks(list, {}, [&](const BlockVisit& v) { count += added.Imported(list[v.row].block.trackNumber) != nullptr; });
    blocks.reserve(blocks.size() + count);
    bool stopped = false;
    ProgressPacer pacer(&host, kPollEvery);
    host.ProgressShow(list.size());
    WalkSegmentBlocks(list, {}, [&](const BlockVisit& v) {
        if (stopped) return;
        stopped = pacer.Step(static_cast<uint64_t>(v.row));
        const ImportedTrack* track = added.Imported(list[v.row].block.trackNumber);
        if (!track) return;
        xBlock x;
        x.row = static_cast<uint32_t>(v.row);
        x.source = source;
        x.flags = v.flags;
        x.absTime = track->Ticks(v.clusterTime + list[v.row].block.timecode);
        if (!v.timeKnown || x.absTime > kMaxBlockTime || x.absTime < -kMaxBlockTime) x.flags |= xBlock::kBadTime;
        blocks.push_back(x);
    });
    host.ProgressHide();
}

}  // namespace

bool ScanImportFile(Document& doc, const std::string& path, Host& host) {
    doc.importLista.clear();
    doc.importTatra.clear();
    SourceFile source;
    if (!source.Open(path)) {
        host.AddLog("• ошибка открытия файла");
        return false;
    }
    const ScanOutcome scan = ReadStruct(source, host, doc.importLista, true);
    host.ProgressHide();
    if (scan.result == ScanResult::Stopped) host.AddLog("• операция прервана");
    if (scan.result != ScanResult::Ok && scan.result != ScanResult::StructureError) {
        doc.importLista.clear();
        return false;
    }
    FillTrackList(doc.importLista, doc.importTatra);
    if (doc.importTatra.empty()) {
        host.AddLog("треки не найдены");
        return false;
    }
    for (Track& t : doc.importTatra) t.selectMark = "y";
    return true;
}

size_t MergeTracks(Document& doc, const std::string& path, Host& host) {
    size_t ticked = 0;
    for (const Track& t : doc.importTatra) ticked += t.selectMark == "y";
    if (ticked == 0 || !RoomForTracks(doc, ticked, host)) return 0;
    SourceFile source;
    if (!source.Open(path)) {
        host.AddLog("• ошибка открытия файла");
        return 0;
    }
    EnsureBlockTable(doc);
    AddedSource added;
    added.path = path;
    for (const Track& chosen : doc.importTatra)
        if (chosen.selectMark == "y") TakeTrack(doc, chosen, source, host, added);
    if (added.tracks.empty()) return 0;

    const uint16_t number = static_cast<uint16_t>(doc.addedSources.size() + 1);
    const size_t firstAdded = doc.mkv.blocks.size();
    TakeBlocks(doc.importLista, added, number, host, doc.mkv.blocks);
    MergeByTime(doc.mkv.blocks, firstAdded);
    added.lista = std::move(doc.importLista);
    doc.importLista.clear();
    const size_t count = added.tracks.size();
    AddSource(doc, std::move(added));
    doc.saveMode = SaveMode::Build;
    return count;
}

bool Merge2TrackList(Document& doc, const std::string& path, Host& host, const ImportChooser& choose) {
    if (!ScanImportFile(doc, path, host)) return false;
    if (!choose(doc.importTatra)) return false;
    host.SetStatus("m e r g i n g");
    const bool added = MergeTracks(doc, path, host) > 0;
    host.SetStatus("r e a d y");
    return added;
}

}  // namespace quillon
