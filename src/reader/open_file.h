// Opening the document's file and reading it: the container check or the
// header read, then the track table. The fronts add what they show (the tree,
// the grid, pictures) around these steps.
#pragma once

#include "core/document.h"
#include "core/host.h"
#include "core/source_file.h"
#include "reader/scanner.h"

namespace quillon {

struct OpenOutcome {
    bool opened = false;   // false: "• ошибка открытия файла" was logged; the front
                           // tells the user "файл занят другим приложением"
    ScanResult scan = ScanResult::Ok;
};

// Container scan of the open `source` into doc.lista. A scan that went to
// the end (clean or with damaged places) also sets the block-type text and
// whether the video may be repacked as SimpleBlocks. A stopped scan leaves
// the list empty and logs "• операция прервана".
ScanOutcome ScanDocument(Document& doc, Host& host, SourceFile& source, bool full);

// Container scan of doc.sourcePath into doc.lista (full or quick), then the
// track table. The read state is left at nothing: the front sets it by
// FinishContainerCheck once it has shown the result.
OpenOutcome CheckContainer(Document& doc, Host& host, bool full);

// Closing step of a container check that was not stopped: logs
// "• операция завершена" in full mode and sets the read state.
void FinishContainerCheck(Document& doc, Host& host, bool full);

// Header read of doc.sourcePath into doc.lista, then the track table; read
// state "t" unless the file could not be opened.
OpenOutcome ReadHeader(Document& doc, Host& host);

}  // namespace quillon
