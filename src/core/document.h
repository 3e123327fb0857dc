// The state of the open document: everything a command reads or changes,
// owned by the front and passed by reference. Every open assigns a fresh one.
#pragma once

#include <string>
#include <vector>

#include "core/added_source.h"
#include "core/attachment.h"
#include "core/element_list.h"
#include "core/findings.h"
#include "core/mkv_model.h"
#include "core/track.h"

namespace quillon {

// How far the open file has been read.
enum class ReadState : char {
    Nothing = 0,
    Header = 't',        // header read
    QuickTree = 'h',     // quick container scan with tree
    FullTree = 'f',      // full container scan with tree
    FullNoTree = 'r',    // full scan done for a save, tree not built yet
};

// "export" after an open; "build" once a command changed the model, which
// makes a save reopen a file afterwards.
enum class SaveMode { Export, Build };

struct Document {
    std::string sourcePath;   // the name in the file-name edit
    tabrick lista;
    TrackTable tatra;
    ReadState readState = ReadState::Nothing;
    uint64_t damagedPlaces = 0;         // findings of the last scan: the file is damaged or breaks a rule when above 0
    Findings findings;                  // what the last scan found, each with its row
    uint64_t skippedBytes = 0;          // bytes of the file where the last scan found no element
    uint64_t lostBlocks = 0;            // the blocks those bytes held, as far as the times around them tell
    uint64_t secondSegmentAt = 0;       // where a second file glued behind the first begins; 0 when none
    std::string blockTypeText = "...";  // which block types the file uses
    bool simpleBlockAllowed = true;     // false when the video uses forward references
    SaveMode saveMode = SaveMode::Export;
    TMKV mkv;                 // the writer's model, built by lista2matros after a full scan
    bool modelBuilt = false;
    // The user chose to keep a timeline the check found faults in ("leave as
    // is"): saves go on. Cleared by every repair and every open.
    bool leaveAsIs = false;

    // The twins of a file opened for track import, until its tracks are taken.
    tabrick importLista;
    TrackTable importTatra;
    // The files and built blocks of added tracks (xBlock::source k is entry k − 1).
    std::vector<AddedSource> addedSources;

    // The attachments tab's edited list, filled when the tab is first shown
    // (or a command edits attachments), and the files added to it from disk
    // (an attachment's ByteRange::source k is entry k − 1).
    std::vector<TAttach> attachList;
    std::vector<std::string> attachmentFiles;

    // The track number a block of the model belongs to, in the document's numbering.
    uint64_t BlockTrack(const xBlock& block) const {
        if (block.source == 0) return lista[block.row].block.trackNumber;
        const AddedSource& s = addedSources[block.source - 1];
        if (s.builtTrack != 0) return s.builtTrack;
        const ImportedTrack* t = s.Imported(s.lista[block.row].block.trackNumber);
        return t ? t->newNumber : 0;
    }
};

}  // namespace quillon
