// Track selectors: a number, a UID, or the n-th track of a type.
#include <gtest/gtest.h>

#include "core/track_selector.h"

namespace quillon::test {
namespace {

TEST(TrackSelector, NamesOneTrackOrNone) {
    // An episode: video 1, audio 2 (jpn) and 5 (eng), subtitles 3 and 4.
    const std::vector<SelectableTrack> tracks = {{1, 111, 1}, {2, 222, 2}, {3, 333, 17}, {4, 444, 17}, {5, 555, 2}};
    const struct {
        const char* selector;
        std::optional<size_t> index;
    } cases[] = {
        {"1", 0}, {"5", 4}, {"9", std::nullopt}, {"uid:333", 2}, {"uid:7", std::nullopt},
        {"v1", 0}, {"a1", 1}, {"a2", 4}, {"a3", std::nullopt}, {"s2", 3}, {"v2", std::nullopt},
    };
    for (const auto& c : cases) {
        const auto selector = ParseTrackSelector(c.selector);
        ASSERT_TRUE(selector) << c.selector;
        EXPECT_EQ(SelectTrack(tracks, *selector), c.index) << c.selector;
    }
    for (const char* bad : {"", "0", "a0", "x1", "uid:", "uid:0", "uid:x", "-1", "a", "99999999999999999999999"})
        EXPECT_FALSE(ParseTrackSelector(bad)) << bad;
}

}  // namespace
}  // namespace quillon::test
