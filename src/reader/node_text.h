// The text the structure tree shows for one element, e.g.
//   SimpleBlock [1234]  (track: 1, 1 keyframe, timecode: 0, lacetype: 00, size(s): 1226)
//   TrackType [3] = 01 (video)
#pragma once

#include <string>

#include "core/element_list.h"

namespace quillon {

std::string NodeText(const Tbrick& row);

}  // namespace quillon
