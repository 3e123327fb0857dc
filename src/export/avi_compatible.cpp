#include "export/avi_compatible.h"

namespace quillon {

bool AVIcompatible(const TrackTable& tatra) {
    int video = 0, audio = 0, other = 0;
    for (const Track& track : tatra) {
        if (track.selectMark != "y") continue;
        if (track.typeText == "VIDEO")
            ++video;
        else if (track.typeText == "AUDIO")
            ++audio;
        else
            ++other;
    }
    return video == 1 && audio <= 1 && other == 0;
}

}  // namespace quillon
