#include "core/track_rules.h"

#include <algorithm>
#include <cctype>

#include "core/language_codes.h"

namespace quillon {
namespace {

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) c = char(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

uint8_t TypeOf(std::string_view word) {
    if (word == "v") return 1;
    if (word == "a") return 2;
    if (word == "s") return 17;
    return 0;
}

std::vector<std::string_view> Split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    size_t from = 0;
    for (size_t at = text.find(separator); at != std::string_view::npos; at = text.find(separator, from)) {
        parts.push_back(text.substr(from, at - from));
        from = at + 1;
    }
    parts.push_back(text.substr(from));
    return parts;
}

std::vector<size_t> MatchedBy(const TrackMatch& match, const std::vector<TrackFacts>& tracks) {
    std::vector<size_t> found;
    for (size_t k = 0; k < tracks.size(); ++k)
        if (Matches(match, tracks, k)) found.push_back(k);
    return found;
}

}  // namespace

std::string TrackLanguage(const TrackFacts& t) {
    if (!t.languageBCP47.empty()) {
        const std::string iso = MatroskaLanguage(t.languageBCP47);
        if (!iso.empty()) return iso;
    }
    return t.language.empty() ? "eng" : MatroskaLanguage(t.language);
}

const char* TrackTypeLetter(uint8_t type) { return type == 1 ? "v" : type == 2 ? "a" : type == 17 ? "s" : "?"; }

std::optional<TrackMatch> ParseTrackMatch(std::string_view text) {
    TrackMatch match;
    match.text = std::string(text);
    const std::vector<std::string_view> parts = Split(text, ',');
    if (parts.empty() || parts[0].empty()) return std::nullopt;
    const std::string_view head = parts[0];
    const size_t colon = head.find(':');
    if (TypeOf(head.substr(0, colon)) != 0 && head.substr(0, colon).size() == 1) {
        match.type = TypeOf(head.substr(0, colon));
        if (colon != std::string_view::npos) {
            match.language = MatroskaLanguage(head.substr(colon + 1));
            if (match.language.empty()) return std::nullopt;
        }
    } else {
        match.track = ParseTrackSelector(head);
        if (!match.track) return std::nullopt;
    }
    for (size_t k = 1; k < parts.size(); ++k) {
        const std::string_view part = parts[k];
        if (part.substr(0, 5) == "name~" && part.size() > 5) match.nameContains = Lower(part.substr(5));
        else if (part.substr(0, 5) == "name=") match.nameEquals = Lower(part.substr(5));
        else if (part.substr(0, 6) == "codec=" && part.size() > 6) match.codecPrefix = std::string(part.substr(6));
        else if (part.substr(0, 5) == "lang=") {
            match.language = MatroskaLanguage(part.substr(5));
            if (match.language.empty()) return std::nullopt;
        } else if (part == "forced") match.forced = true;
        else if (part == "default") match.isDefault = true;
        else return std::nullopt;
    }
    return match;
}

bool Matches(const TrackMatch& m, const std::vector<TrackFacts>& tracks, size_t index) {
    const TrackFacts& t = tracks[index];
    if (m.track) {
        std::vector<SelectableTrack> selectable;
        for (const TrackFacts& f : tracks) selectable.push_back({f.number, f.uid, f.type});
        if (SelectTrack(selectable, *m.track) != index) return false;
    }
    if (m.type && t.type != m.type) return false;
    if (!m.language.empty() && TrackLanguage(t) != m.language) return false;
    if (!m.nameContains.empty() && Lower(t.name).find(m.nameContains) == std::string::npos) return false;
    if (m.nameEquals && Lower(t.name) != *m.nameEquals) return false;
    if (!m.codecPrefix.empty() && t.codec.rfind(m.codecPrefix, 0) != 0) return false;
    if (m.forced && t.forced != *m.forced) return false;
    if (m.isDefault && t.isDefault != *m.isDefault) return false;
    return true;
}

TrackPlan PlanTracks(const std::vector<TrackFacts>& tracks, const TrackRules& rules) {
    TrackPlan plan;
    // Keep rules: a type any of them names keeps only what they match; a keep
    // that matches nothing means the file lacks what the user needs.
    std::vector<bool> kept(tracks.size(), true), keptByRule(tracks.size(), false);
    std::vector<uint8_t> keptTypes;
    for (const TrackMatch& keep : rules.keep) {
        const std::vector<size_t> found = MatchedBy(keep, tracks);
        if (found.empty()) plan.failures.push_back("keep " + keep.text);
        if (keep.type) keptTypes.push_back(keep.type);
        for (const size_t k : found) {
            keptByRule[k] = true;
            keptTypes.push_back(tracks[k].type);
        }
    }
    for (const std::vector<TrackMatch>& anyOf : rules.keepAnyOf) {
        bool found = false;
        std::string texts;
        for (const TrackMatch& keep : anyOf) {
            texts += (texts.empty() ? "" : " | ") + keep.text;
            if (keep.type) keptTypes.push_back(keep.type);
            for (const size_t k : MatchedBy(keep, tracks)) {
                keptByRule[k] = found = true;
                keptTypes.push_back(tracks[k].type);
            }
        }
        if (!found && !anyOf.empty()) plan.failures.push_back("keep " + texts);
    }
    for (size_t k = 0; k < tracks.size(); ++k)
        if (std::find(keptTypes.begin(), keptTypes.end(), tracks[k].type) != keptTypes.end()) kept[k] = keptByRule[k];
    for (const TrackMatch& drop : rules.drop)
        for (const size_t k : MatchedBy(drop, tracks)) kept[k] = false;
    if (std::find(kept.begin(), kept.end(), true) == kept.end()) plan.failures.push_back("no track left");

    std::vector<size_t> order;
    for (size_t k = 0; k < tracks.size(); ++k)
        if (kept[k]) order.push_back(k);
    // Order: by the first order entry a track matches; the rest after, as they stood.
    auto rank = [&](size_t k) {
        for (size_t r = 0; r < rules.order.size(); ++r)
            if (Matches(rules.order[r], tracks, k)) return r;
        return rules.order.size();
    };
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return rank(a) < rank(b); });
    for (const size_t k : order) plan.kept.push_back({k, std::nullopt, std::nullopt, false, false});

    auto keptMatching = [&](const TrackMatch& m) {
        std::vector<TrackPlan::Kept*> found;
        for (TrackPlan::Kept& kept : plan.kept)
            if (Matches(m, tracks, kept.index)) found.push_back(&kept);
        if (found.empty()) plan.warnings.push_back(m.text + ": no kept track");
        return found;
    };
    for (const NamedMatch& n : rules.names)
        for (TrackPlan::Kept* k : keptMatching(n.match)) k->name = n.value;
    for (const NamedMatch& n : rules.languages)
        for (TrackPlan::Kept* k : keptMatching(n.match)) k->language = n.value;
    for (const TrackMatch& m : rules.makeForced)
        for (TrackPlan::Kept* k : keptMatching(m)) k->makeForced = true;
    // One default per type: the first kept track the rule matches.
    for (const TrackMatch& m : rules.makeDefault) {
        const std::vector<TrackPlan::Kept*> found = keptMatching(m);
        if (!found.empty()) found.front()->makeDefault = true;
    }
    return plan;
}

}  // namespace quillon
