// The checks a container check runs over the finished element list: the EBML
// header's rules, the schema's (how often each element stands in its parent,
// the lengths of IDs and sizes), and the references between elements (blocks
// to tracks, SeekHead entries and CuePoints to what they point at). Each
// finding goes to `findings` and marks its row.
#pragma once

#include "core/element_list.h"
#include "core/findings.h"
#include "core/host.h"
#include "core/source_file.h"

namespace quillon {

// `full`: the list holds the contents of Clusters, Cues and SeekHeads.
void CheckFormatRules(tabrick& list, SourceFile& source, Host& host, Findings& findings, bool full);
void CheckCrossReferences(tabrick& list, SourceFile& source, Host& host, Findings& findings);

// A row's value read from the file as the schema types it: an unsigned
// integer (false when it is longer than 8 bytes), or the bytes themselves
// (false past `limit` bytes).
bool ReadUnsigned(SourceFile& source, const Tbrick& row, uint64_t& value);
bool ReadValueBytes(SourceFile& source, const Tbrick& row, std::vector<uint8_t>& bytes, size_t limit = 4096);

}  // namespace quillon
