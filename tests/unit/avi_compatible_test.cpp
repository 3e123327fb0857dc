#include "export/avi_compatible.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quillon {
namespace {

// Each case: the tracks as "type:mark" pairs and whether AVI is possible.
struct AviCase {
    std::vector<std::pair<std::string, std::string>> tracks;
    bool compatible;
};

TrackTable Table(const AviCase& c) {
    TrackTable table;
    for (const auto& [type, mark] : c.tracks) {
        Track track;
        track.typeText = type;
        track.selectMark = mark;
        table.push_back(track);
    }
    return table;
}

TEST(AviCompatible, CountsOnlyCheckedTracks) {
    const std::vector<AviCase> cases = {
        {{{"VIDEO", "y"}}, true},
        {{{"VIDEO", "y"}, {"AUDIO", "y"}}, true},
        {{{"VIDEO", "y"}, {"AUDIO", "y"}, {"SUBTITLES", ""}}, true},   // unchecked subtitles do not count
        {{{"VIDEO", "y"}, {"AUDIO", "y"}, {"SUBTITLES", "y"}}, false},  // no third kind
        {{{"VIDEO", "y"}, {"AUDIO", "y"}, {"AUDIO", "y"}}, false},      // at most one audio
        {{{"VIDEO", "y"}, {"VIDEO", "y"}}, false},                      // exactly one video
        {{{"AUDIO", "y"}}, false},
        {{{"VIDEO", ""}, {"AUDIO", "y"}}, false},
        {{{"VIDEO", "Y"}}, false},  // only "y" marks a checked track
        {{}, false},
    };
    for (size_t i = 0; i < cases.size(); ++i) EXPECT_EQ(AVIcompatible(Table(cases[i])), cases[i].compatible) << "case " << i;
}

}  // namespace
}  // namespace quillon
