// The Tags a remux carries over: global tags as they are; a tag aimed at
// tracks, chapters, editions or attachments keeps the targets the new file
// still has and goes with them when none is left.
#pragma once

#include "core/document.h"
#include "core/put_primitives.h"
#include "core/source_file.h"
#include "writer/remux_options.h"
#include "writer/track_map.h"

namespace quillon {

// The whole Tags element for the new file, or nothing when no tag is left
// (or the source has none, or the options leave them out).
ByteList TagsForRemux(const Document& doc, const TrackMap& map, const RemuxOptions& options, SourceFile& source);

}  // namespace quillon
