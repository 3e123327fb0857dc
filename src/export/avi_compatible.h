// Whether the checked tracks can be converted to AVI: the track list asks it
// after every change of the selection to enable or disable the convert box.
#pragma once

#include "core/track.h"

namespace quillon {

// True when, among the tracks whose select mark is "y", exactly one is
// "VIDEO", at most one is "AUDIO", and there is no other.
bool AVIcompatible(const TrackTable& tatra);

}  // namespace quillon
