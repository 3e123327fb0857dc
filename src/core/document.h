// The state of the open document: everything a command reads or changes,
// owned by the front and passed by reference. Replaced on every open.
#pragma once

#include <string>

#include "core/element_list.h"
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
    uint64_t damagedPlaces = 0;         // found by the last scan: the file is damaged when above 0
    std::string blockTypeText = "...";  // which block types the file uses
    bool simpleBlockAllowed = true;     // false when the video uses forward references
    SaveMode saveMode = SaveMode::Export;
    TMKV mkv;                 // the writer's model, built by lista2matros after a full scan
    bool modelBuilt = false;

    // The twins of a file opened for track import.
    tabrick importLista;
    TrackTable importTatra;

    // The element row of a block of the model.
    const Tbrick& BlockRow(const xBlock& block) const { return lista[block.row]; }
    uint64_t BlockTrack(const xBlock& block) const { return BlockRow(block).block.trackNumber; }
};

}  // namespace quillon
