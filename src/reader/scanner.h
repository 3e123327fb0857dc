// The two scanners that turn an open Matroska file into the element list:
// the container scan (quick or full) and the header read, which stops at the
// first Cluster.
#pragma once

#include <string>

#include "core/element_list.h"
#include "core/host.h"
#include "core/source_file.h"

namespace quillon {

enum class ScanResult {
    Ok,              // "• ошибки контейнера не обнаружены" (container scan)
    NoSignature,     // no 1A45DFA3 at offset 0
    NoSegment,       // no Segment behind the EBML header
    StructureError,  // an element the dictionary does not know, or a broken size field
    Stopped,         // the user stopped the scan
};

struct ScanOutcome {
    ScanResult result = ScanResult::Ok;
    // Only after a completed container scan:
    int videoCheck = -2;                 // the video block check (1: forward references)
    std::string blockTypeText = "...";  // FindUsedBlockType
};

// Container scan of `source` into `target`. Quick mode lists SeekHead, Cluster
// and Cues without their children. The list is left in document order when
// the scan completes.
ScanOutcome ReadStruct(SourceFile& source, Host& host, tabrick& target, bool full);

// Header read into `target`: stops listing a container at its first Cluster
// (putting the pseudo-row "clusters ... " there) and silently at an unknown
// element. Missing signature or Segment give those results with an empty
// list; otherwise the (possibly partial) list is put into document order.
ScanResult ReadTracks(SourceFile& source, Host& host, tabrick& target);

}  // namespace quillon
