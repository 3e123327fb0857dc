// Track rules on one file's tracks: what a match selects, and the plan the
// keep, drop, order, default, forced, name and language rules make of it.
#include <gtest/gtest.h>

#include "core/track_groups.h"
#include "core/track_rules.h"

namespace quillon {
namespace {

// A season's episode: video, Japanese and English audio (English first),
// English signs, English full and Russian subtitles.
std::vector<TrackFacts> Episode() {
    return {
        {1, 101, 1, "und", "", "V_MPEG4/ISO/AVC", "", false, true},
        {2, 102, 2, "eng", "en", "A_AAC", "English 5.1", false, true},
        {3, 103, 2, "jpn", "ja", "A_FLAC", "", false, false},
        {4, 104, 17, "", "en", "S_TEXT/ASS", "Signs & Songs", true, false},
        {5, 105, 17, "eng", "", "S_TEXT/UTF8", "Full", false, true},
        {6, 106, 17, "rus", "ru", "S_TEXT/UTF8", "", false, false},
    };
}

TrackMatch M(const char* text) {
    const auto match = ParseTrackMatch(text);
    EXPECT_TRUE(match) << text;
    return match.value_or(TrackMatch{});
}

TEST(TrackRules, MatchesSelectByWhatTracksAre) {
    const auto tracks = Episode();
    struct Case {
        const char* match;
        std::vector<uint64_t> numbers;
    };
    const Case cases[] = {
        {"a", {2, 3}},
        {"a:jpn", {3}},
        {"a:ja", {3}},              // any form of the language
        {"s:eng", {4, 5}},          // LanguageBCP47 alone, Language alone
        {"s:en-US", {4, 5}},
        {"v:eng", {}},              // "und" is no language
        {"s:eng,name~SIGNS", {4}},  // a part of the name, any case
        {"s,forced", {4}},
        {"a,default", {2}},
        {"s,codec=S_TEXT/ASS", {4}},
        {"a2", {3}},
        {"s1", {4}},
        {"6", {6}},
        {"uid:105", {5}},
        {"s,lang=rus", {6}},
        {"s,name=full", {5}},        // the whole name, any case
        {"s,name=", {6}},            // a track without a name
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.match);
        const TrackMatch m = M(c.match);
        std::vector<uint64_t> found;
        for (size_t k = 0; k < tracks.size(); ++k)
            if (Matches(m, tracks, k)) found.push_back(tracks[k].number);
        EXPECT_EQ(found, c.numbers);
    }
    for (const char* wrong : {"", "x", "a:klingonish", "s,shiny", "s:eng,name~", "a0"}) EXPECT_FALSE(ParseTrackMatch(wrong)) << wrong;
}

std::vector<uint64_t> KeptNumbers(const std::vector<TrackFacts>& tracks, const TrackPlan& plan) {
    std::vector<uint64_t> numbers;
    for (const TrackPlan::Kept& k : plan.kept) numbers.push_back(tracks[k.index].number);
    return numbers;
}

TEST(TrackRules, KeepDropAndOrder) {
    const auto tracks = Episode();
    struct Case {
        const char* why;
        TrackRules rules;
        std::vector<uint64_t> kept;
        size_t failures;
    };
    const Case cases[] = {
        {"no rules: everything, as it stands", {}, {1, 2, 3, 4, 5, 6}, 0},
        {"keep a type's one track: its others go, other types stay", {.keep = {M("a:jpn")}}, {1, 3, 4, 5, 6}, 0},
        {"keep in two types", {.keep = {M("a:jpn"), M("s:eng")}}, {1, 3, 4, 5}, 0},
        {"drop", {.drop = {M("s:rus"), M("s,forced")}}, {1, 2, 3, 5}, 0},
        {"order by the first entry a track matches, the rest after", {.order = {M("s"), M("a:jpn")}}, {4, 5, 6, 3, 1, 2}, 0},
        {"a keep that finds nothing: the file cannot be written", {.keep = {M("a:ger")}}, {1, 4, 5, 6}, 1},
        {"nothing left", {.drop = {M("v"), M("a"), M("s")}}, {}, 1},
        {"keep any of a list: what matches, one at least", {.keepAnyOf = {{M("a:ger"), M("a:jpn")}}}, {1, 3, 4, 5, 6}, 0},
        {"none of a list in the file", {.keepAnyOf = {{M("a:ger"), M("a:fre")}}}, {1, 4, 5, 6}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        const TrackPlan plan = PlanTracks(tracks, c.rules);
        EXPECT_EQ(KeptNumbers(tracks, plan), c.kept);
        EXPECT_EQ(plan.failures.size(), c.failures);
    }
}

TEST(TrackRules, EditsOfTheKeptTracks) {
    const auto tracks = Episode();
    TrackRules rules;
    rules.keep = {M("a:jpn"), M("s:eng")};
    rules.makeDefault = {M("s:eng")};  // the first of the two
    rules.makeForced = {M("s:eng,name~signs")};
    rules.names = {{M("a:jpn"), "Japanese"}, {M("s2"), "Full subtitles"}};
    rules.languages = {{M("v"), "jpn"}};
    rules.order = {M("v"), M("a"), M("s")};
    const TrackPlan plan = PlanTracks(tracks, rules);
    ASSERT_EQ(KeptNumbers(tracks, plan), (std::vector<uint64_t>{1, 3, 4, 5}));
    EXPECT_EQ(plan.kept[0].language, "jpn");
    EXPECT_EQ(plan.kept[1].name, "Japanese");
    EXPECT_TRUE(plan.kept[2].makeDefault);
    EXPECT_TRUE(plan.kept[2].makeForced);
    EXPECT_FALSE(plan.kept[3].makeDefault);
    EXPECT_EQ(plan.kept[3].name, "Full subtitles");
    EXPECT_TRUE(plan.failures.empty());
    // A rule that edits nothing is told, never a failure.
    rules.makeDefault = {M("s:fre")};
    const TrackPlan other = PlanTracks(tracks, rules);
    EXPECT_TRUE(other.failures.empty());
    EXPECT_EQ(other.warnings.size(), 1u);
}

// The batch window's table: the distinct tracks of two episodes, the ticks
// made into rules, and the order the table gives.
TEST(TrackGroups, TicksAndTheTablesOrderBecomeRules) {
    std::vector<TrackFacts> second = Episode();
    second.erase(second.begin() + 2);  // no Japanese audio in this one
    std::vector<TrackGroup> groups = GroupTracks({Episode(), second});
    ASSERT_EQ(groups.size(), 6u);
    EXPECT_EQ(groups[0].type, 1);
    EXPECT_EQ(groups[1].files, 2u);  // the English audio, in both files: before the Japanese
    EXPECT_EQ(groups[2].language, "jpn");
    EXPECT_EQ(groups[2].files, 1u);
    // The Japanese audio first, the Russian subtitles left out, the signs default.
    ASSERT_TRUE(MoveGroup(groups, 2, true));
    EXPECT_FALSE(MoveGroup(groups, 1, true));  // not past the video: order stays within a type
    for (TrackGroup& g : groups) {
        if (g.type == 17 && g.language == "rus") g.keep = false;
        if (g.name == "Signs & Songs") g.makeDefault = true;
    }
    const TrackRules rules = RulesOf(groups);
    const auto episode = Episode();
    const TrackPlan plan = PlanTracks(episode, rules);
    EXPECT_EQ(KeptNumbers(episode, plan), (std::vector<uint64_t>{1, 3, 2, 4, 5}));
    EXPECT_TRUE(plan.kept[3].makeDefault);
    EXPECT_TRUE(plan.failures.empty());
    // A type with none ticked is dropped; one with some ticked needs one of them in each file.
    for (TrackGroup& g : groups) g.keep = g.type != 2 || g.language == "jpn";
    const TrackPlan without = PlanTracks(second, RulesOf(groups));
    EXPECT_EQ(without.failures.size(), 1u);
}

}  // namespace
}  // namespace quillon
