// Fuzz target: the three scans (quick, full, header read) of any bytes. Each
// must end, list every row inside its parent and the file, and put the list
// in document order; the open step's checks run on what they found. Then
// what reads the scanned file's pieces: its attachments (and their font
// names) and the hex dump of the bytes, painted.
#include <cstdint>

#include "fuzz_support.h"
#include "reader/open_file.h"
#include "reader/scanner.h"
#include "attach/attach_list.h"
#include "attach/ttf_names.h"
#include "dump/dump_source.h"
#include "dump/hex_dump.h"

#include <algorithm>

using namespace quillon;

namespace {

void CheckShape(const tabrick& list, uint64_t fileSize, const char* scan) {
    for (size_t i = 0; i < list.size(); ++i) {
        const Tbrick& row = list[i];
        const std::string where = std::string(scan) + " row " + std::to_string(i);
        if (row.element == Tbrick::kPseudoClusters) continue;
        if (row.end() > fileSize || row.end() < row.position) fuzz::Finding(where + " ends past the file");
        if (row.parent < 0) continue;
        if (static_cast<size_t>(row.parent) >= i) fuzz::Finding(where + " comes before its parent");
        const Tbrick& parent = list[row.parent];
        if (row.position < parent.dataStart() || row.end() > parent.end()) fuzz::Finding(where + " is not inside its parent");
        if (row.depth != parent.depth + 1) fuzz::Finding(where + " has the wrong depth");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::InputFile input(data, size);
    fuzz::QuietHost host;
    for (const bool full : {false, true}) {
        Document doc;
        doc.sourcePath = input.path();
        const OpenOutcome outcome = CheckContainer(doc, host, full);
        if (outcome.opened) CheckShape(doc.lista, size, full ? "full scan" : "quick scan");
        if (!outcome.opened || !full) continue;
        lista2attach(doc);
        std::vector<uint8_t> bytes;
        for (const TAttach& a : doc.attachList)
            if (ReadAttachment(doc, a, bytes) == AttachRead::Ok) {
                if (bytes.size() != a.fileData.length) fuzz::Finding("an attachment read other than its length");
                TtfNameText(bytes, "name");
                TtfNameText(bytes, "copyright");
            }
        for (size_t row = 0; row < doc.lista.size() && row < 64; ++row) ReadElementBytes(doc, row, 4096, bytes);
    }
    const std::span<const uint8_t> head(data, std::min<size_t>(size, 4096));
    const std::vector<HeaderMark> marks = PaintTags(head);
    for (const HeaderMark& m : marks)
        if (m.at + m.length > head.size()) fuzz::Finding("a painted header past the dump");
    DumpRtf(head, 0, {24, 4}, marks, FindPattern(head, head.first(std::min<size_t>(head.size(), 2))), 2);
    Document doc;
    doc.sourcePath = input.path();
    if (ReadHeader(doc, host).opened) CheckShape(doc.lista, size, "header read");
    return 0;
}
