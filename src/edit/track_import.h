// Tracks taken from another Matroska file. The file is scanned whole into
// the document's second element list and track table; the user ticks the
// tracks to take; each becomes a new track of the document with its header
// read from the other file and its blocks merged by time into the model's
// block list. A block stays a row of the other file's list: its bytes are
// copied from that file when a new file is written.
#pragma once

#include <functional>
#include <string>

#include "core/document.h"
#include "core/host.h"

namespace quillon {

// Shows the second track table and lets the user tick rows; true when confirmed.
using ImportChooser = std::function<bool(TrackTable&)>;

// Scans `path` into doc.importLista and doc.importTatra (every row ticked).
// False, told in the log, when the file cannot be opened, is no Matroska
// file, or the scan was stopped.
bool ScanImportFile(Document& doc, const std::string& path, Host& host);

// Imports every ticked row of doc.importTatra from `path`; returns how many
// tracks were added. A stop during the block pass keeps the blocks read so far.
size_t MergeTracks(Document& doc, const std::string& path, Host& host);

// The whole command on a document whose model is built: scan, choose, merge.
// True when at least one track was added.
bool Merge2TrackList(Document& doc, const std::string& path, Host& host, const ImportChooser& choose);

}  // namespace quillon
