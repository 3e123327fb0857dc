// The two scanners that turn an open Matroska file into the element list:
// the container scan (quick or full) and the header read, which stops at the
// first Cluster.
//
// Both walk the file depth first and append rows in document order. Every
// row lies inside its parent and inside the file: an element whose size
// field claims more is listed cut at that end and marked (kPastParent). A
// place where no element can be read (an unknown ID, a broken size field, a
// top-level element inside another) loses the rest of the innermost element
// whose size is known; inside an element of unknown size or at the Segment
// level the walk goes on at the next Cluster. Each damaged place is logged.
#pragma once

#include <cstdint>

#include "core/element_list.h"
#include "core/host.h"
#include "core/source_file.h"

namespace quillon {

enum class ScanResult {
    Ok,              // "• ошибки контейнера не обнаружены" (container scan)
    NoSignature,     // no 1A45DFA3 at offset 0
    NoSegment,       // no Segment behind the EBML header
    StructureError,  // the walk completed, with damaged places logged; the list holds what is intact
    Stopped,         // the user stopped the scan
};

struct ScanOutcome {
    ScanResult result = ScanResult::Ok;
    uint64_t damagedPlaces = 0;
};

// Container scan of `source` into `target`. Quick mode lists SeekHead, Cluster
// and Cues without their children.
ScanOutcome ReadStruct(SourceFile& source, Host& host, tabrick& target, bool full);

// Header read into `target`: stops listing a container at its first Cluster,
// putting the pseudo-row "clusters ... " there. Missing signature or Segment
// give those results with an empty list.
ScanOutcome ReadTracks(SourceFile& source, Host& host, tabrick& target);

}  // namespace quillon
