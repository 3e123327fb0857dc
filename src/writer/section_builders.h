// The header sections of a new file: EBML header, Info, Tracks, Attachments
// and Chapters. Each "make" routine gives the whole element as bytes; the
// Attachments are written straight to the output, their files' data read
// from the source as it goes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/mkv_model.h"
#include "core/output_file.h"
#include "core/source_file.h"
#include "core/put_primitives.h"
#include "writer/track_map.h"

namespace quillon {

ByteList makeEBMLbuff(const tebml& ebml);
ByteList makeINFObuff(const tinfo& info);
// The TrackEntries of the active tracks, renumbered by the map, in new-number order.
ByteList makeTRACKSbuff(const std::vector<tTrackEntry>& tracks, const TrackMap& map);
// False when the source could not be read or the output written.
// An attachment's data is a run of `source` (ByteRange::source 0) or the
// whole of addedFiles[k − 1] (source k: a file added from disk).
bool writeATTF(const std::vector<tAttachedFile>& files, SourceFile& source, OutputFile& out,
               const std::vector<std::string>& addedFiles = {});
ByteList makeCHAPbuff(const std::vector<uint8_t>& chapters);

}  // namespace quillon
