#include "core/track_groups.h"

#include <algorithm>
#include <cctype>


namespace quillon {
namespace {

int TypeRank(uint8_t type) { return type == 1 ? 0 : type == 2 ? 1 : type == 17 ? 2 : 3; }


}  // namespace

std::vector<TrackGroup> GroupTracks(const std::vector<std::vector<TrackFacts>>& files) {
    std::vector<TrackGroup> groups;
    for (const std::vector<TrackFacts>& file : files) {
        std::vector<size_t> seen;  // a file counts once per group
        for (const TrackFacts& t : file) {
            const std::string language = TrackLanguage(t);
            auto group = std::find_if(groups.begin(), groups.end(), [&](const TrackGroup& g) {
                return g.type == t.type && g.language == language && g.codec == t.codec && g.name == t.name;
            });
            if (group == groups.end()) {
                groups.push_back({t.type, language, t.codec, t.name, 0, true, false, false, {}});
                group = groups.end() - 1;
            }
            const size_t index = size_t(group - groups.begin());
            if (std::find(seen.begin(), seen.end(), index) == seen.end()) {
                seen.push_back(index);
                ++group->files;
            }
        }
    }
    std::stable_sort(groups.begin(), groups.end(), [](const TrackGroup& a, const TrackGroup& b) {
        if (TypeRank(a.type) != TypeRank(b.type)) return TypeRank(a.type) < TypeRank(b.type);
        return a.files > b.files;
    });
    return groups;
}

TrackMatch MatchOf(const TrackGroup& group) {
    TrackMatch m;
    m.type = group.type;
    m.language = group.language;
    m.codecPrefix = group.codec;
    std::string lower = group.name;
    for (char& c : lower) c = char(std::tolower(static_cast<unsigned char>(c)));
    m.nameEquals = lower;
    m.text = std::string(TrackTypeLetter(group.type)) + ":" + group.language + "," + group.codec +
             (group.name.empty() ? "" : ",\"" + group.name + "\"");
    return m;
}

TrackRules RulesOf(const std::vector<TrackGroup>& groups) {
    TrackRules rules;
    for (const uint8_t type : {uint8_t(1), uint8_t(2), uint8_t(17)}) {
        std::vector<TrackMatch> ticked;
        bool all = true;
        for (const TrackGroup& g : groups) {
            if (g.type != type) continue;
            if (g.keep) ticked.push_back(MatchOf(g));
            else all = false;
        }
        if (all) continue;
        if (ticked.empty()) {
            TrackMatch whole;
            whole.type = type;
            whole.text = TrackTypeLetter(type);
            rules.drop.push_back(whole);
        } else {
            rules.keepAnyOf.push_back(ticked);
        }
    }
    for (const TrackGroup& g : groups) {
        if (!g.keep) continue;
        if (g.makeDefault) rules.makeDefault.push_back(MatchOf(g));
        if (g.makeForced) rules.makeForced.push_back(MatchOf(g));
        if (!g.newName.empty()) rules.names.push_back({MatchOf(g), g.newName});
    }
    // Video, audio, subtitles; within a type, as the groups stand in the table.
    for (const uint8_t type : {uint8_t(1), uint8_t(2), uint8_t(17)}) {
        for (const TrackGroup& g : groups)
            if (g.type == type && g.keep) rules.order.push_back(MatchOf(g));
        TrackMatch m;
        m.type = type;
        m.text = TrackTypeLetter(type);
        rules.order.push_back(m);
    }
    return rules;
}

bool MoveGroup(std::vector<TrackGroup>& groups, size_t index, bool up) {
    if (index >= groups.size()) return false;
    const size_t other = up ? index - 1 : index + 1;
    if ((up && index == 0) || other >= groups.size() || groups[other].type != groups[index].type) return false;
    std::swap(groups[index], groups[other]);
    return true;
}

}  // namespace quillon
