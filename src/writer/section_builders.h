// The byte images of the header sections of a new file: EBML header, Info,
// Tracks, Attachments and Chapters. Each "calc" routine gives the data length
// of its element (children only); each "make" routine the whole element.
#pragma once

#include <cstdint>
#include <vector>

#include "core/mkv_model.h"
#include "writer/put_primitives.h"
#include "writer/track_map.h"

namespace quillon {

uint64_t calcEBMLlen(const tebml& ebml);
ByteList makeEBMLbuff(const tebml& ebml);

uint64_t calcINFOlen(const tinfo& info);
ByteList makeINFObuff(const tinfo& info);

uint64_t calcVIlen(const tTrackEntry& track);
uint64_t calcAUlen(const tTrackEntry& track);
uint64_t calcTElen(const tTrackEntry& track);
// The TrackEntries of the active tracks, renumbered by the map, in new-number order.
ByteList makeTRACKSbuff(const std::vector<tTrackEntry>& tracks, const TrackMap& map);

uint64_t calcAFlen(const tAttachedFile& file);
ByteList makeATTFbuff(const std::vector<tAttachedFile>& files);

ByteList makeCHAPbuff(const std::vector<uint8_t>& chapters);

}  // namespace quillon
