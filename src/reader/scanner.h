// The two scanners that turn an open Matroska file into the element list:
// the container scan (quick or full) and the header read, which stops at the
// first Cluster.
//
// Both walk the file depth first and append rows in document order. Every
// row lies inside its parent and inside the file. What is wrong is found and
// reported as a finding (an error when data may be lost or misread, a warning
// when it is readable but against the format's rules), and walked around: an
// element whose size claims more is listed cut; where no element can be
// read, the walk goes on at the next block or Cluster that can be believed;
// an element of unknown ID is skipped by its size; level-1 elements past the
// Segment's stated end are read; another file glued behind the first is
// listed, never read. The container scan then checks the format's rules and
// the references between elements.
#pragma once

#include <cstdint>

#include "core/element_list.h"
#include "core/findings.h"
#include "core/host.h"
#include "core/source_file.h"
#include "reader/lost_blocks.h"

namespace quillon {

enum class ScanResult {
    Ok,              // "• ошибки контейнера не обнаружены" (container scan)
    NoSignature,     // no 1A45DFA3 at offset 0
    NoSegment,       // no Segment behind the EBML header
    StructureError,  // the walk completed with findings (errors or warnings); the list holds what is intact
    Stopped,         // the user stopped the scan
};

struct ScanOutcome {
    ScanResult result = ScanResult::Ok;
    uint64_t damagedPlaces = 0;  // findings in all
    uint64_t skippedBytes = 0;   // bytes where no element could be read
    std::vector<SkippedStretch> skipped;  // where they are
    uint64_t lostBlocks = 0;     // blocks those bytes held, as far as the times around them tell
    uint64_t secondSegmentAt = 0;  // where another file glued behind the first begins; 0 when none
    Findings findings;
};

// Container scan of `source` into `target`. Quick mode lists SeekHead, Cluster
// and Cues without their children.
ScanOutcome ReadStruct(SourceFile& source, Host& host, tabrick& target, bool full);

// Header read into `target`: stops listing a container at its first Cluster,
// putting the pseudo-row "clusters ... " there. Missing signature or Segment
// give those results with an empty list.
ScanOutcome ReadTracks(SourceFile& source, Host& host, tabrick& target);

}  // namespace quillon
