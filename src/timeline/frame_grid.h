// The frame grid of a video whose frames last a fixed time (DefaultDuration):
// every frame is shown at its own step of the grid. A frame that sits inside
// one step, between two neighbours a step apart, while a step near it is
// empty, was moved there: it belongs in the empty step. Times are in ticks;
// `frameTicks` is the frame's length in ticks (not a whole number when the
// ticks are milliseconds and the rate is 24000/1001).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace quillon {

// The empty steps between sorted times: where two neighbours are one and a
// half steps or more apart, the steps between them.
std::vector<int64_t> GridHoles(const std::vector<int64_t>& sortedTimes, double frameTicks);

// The empty steps among `wide` (sorted) that lie within the span of
// `narrow`. A step near the edge of a window of frames may look empty only
// because its frame was decoded outside the window: looking a window wider
// than the span asked about finds those.
std::vector<int64_t> HolesWithin(const std::vector<int64_t>& narrow, const std::vector<int64_t>& wide, double frameTicks);

// The frames (indices into `decodeOrder`, the track's times in decode order)
// that sit inside one step of their neighbours while an empty step lies among
// the frames decoded up to `window` places before or after them.
std::vector<size_t> DisplacedFrames(const std::vector<int64_t>& decodeOrder, double frameTicks, size_t window);

}  // namespace quillon
