// Building the writer's model from the element list: the header values, the
// tracks, attachments and chapters, and the table of every block (a row and
// a time each; the bytes stay in the source until they are written).
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "core/document.h"
#include "core/host.h"
#include "core/source_file.h"

namespace quillon {

// Fills doc.mkv from doc.lista and doc.tatra, reading element data from
// `source`. Values a file leaves out take Matroska's defaults where a reader
// needs them (the EBML header's, TimecodeScale 1000000). Nothing changes
// without an EBML row.
void lista2matros(Document& doc, SourceFile& source, Host& host);

// The model's record of the TrackEntry at `entry` of `list`, its values read
// from `source`; children the record has no field for kept as raw bytes.
tTrackEntry TrackFromEntry(const tabrick& list, int entry, SourceFile& source, Host& host);

// 16 bytes from hex text, left-padded with zeros to 32 digits.
std::array<uint8_t, 16> fillSegmentUID(const std::string& hex);

}  // namespace quillon
