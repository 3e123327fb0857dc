// Fuzz target: the three scans (quick, full, header read) of any bytes. Each
// must end, list every row inside its parent and the file, and put the list
// in document order; the open step's checks run on what they found.
#include <cstdint>

#include "fuzz_support.h"
#include "reader/open_file.h"
#include "reader/scanner.h"

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
    }
    Document doc;
    doc.sourcePath = input.path();
    if (ReadHeader(doc, host).opened) CheckShape(doc.lista, size, "header read");
    return 0;
}
