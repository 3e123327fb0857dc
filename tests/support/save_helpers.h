// A built file opened the way a save starts, and a remux of a document read
// back with our own scanner: what the tests of the editing commands share.
#pragma once

#include <string>

#include "core/document.h"
#include "core/save_outcome.h"
#include "support/capture_host.h"
#include "support/ebml_builder.h"
#include "support/scan_helpers.h"

namespace quillon::test {

// The bytes as a file with the full container check done and the model built.
struct OpenedForSave {
    TempFile file;
    Document doc;
    CaptureHost host;
    explicit OpenedForSave(const ByteVec& bytes);
};

// A remux of every track, written beside the document's file, read back and
// removed: its outcome, its bytes and the full scan of them.
struct SavedFile {
    SaveOutcome outcome{};
    ByteVec bytes;
    Scanned scan;
};
void SaveAndRescan(Document& doc, SavedFile& out);

}  // namespace quillon::test
