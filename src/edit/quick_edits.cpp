#include "edit/quick_edits.h"

#include <utility>
#include <vector>

#include "core/language_codes.h"
#include "edit/header_edit.h"
#include "reader/element_queries.h"

namespace quillon {
namespace {

int ChildOfEntry(const Document& doc, size_t row, uint32_t id) {
    if (row >= doc.tatra.size()) return -1;
    const uint32_t entry = doc.tatra[row].entryIndex;
    if (entry == Track::kNotInSource || entry >= doc.lista.size()) return -1;
    return FindChildElement(doc.lista, id, static_cast<int>(entry));
}

// The writer's model, once built, follows every patch of the file, so the
// next save writes what the file now says.
tTrackEntry* ModelEntry(Document& doc, size_t row) {
    return doc.modelBuilt && row < doc.tatra.size() ? ModelTrack(doc.mkv, doc.tatra[row].numberText) : nullptr;
}

// Tells the log what the file now holds, and the model follows.
void FollowDefault(Document& doc, Host& host, size_t row, uint8_t value) {
    if (tTrackEntry* t = ModelEntry(doc, row)) t->flagDefault.Set(value);
    host.AddLog("• изменено в файле: трек ", doc.tatra[row].numberText + ", FlagDefault: " + std::to_string(1 - value) +
                                                 " \u2192 " + std::to_string(value));
}

// The edit made by rewriting the Tracks master of the file.
PatchResult RewriteTrack(Document& doc, Host& host, size_t row, const char* property, const std::string& value,
                         bool onlyDefaultOfType, const std::string& logText) {
    const std::string& number = doc.tatra[row].numberText;
    const std::optional<TrackSelector> selector = ParseTrackSelector(number);
    if (!selector) return Report(host, PatchResult::NoElement);
    PropertyEdit edit;
    edit.property = FindHeaderProperty(property);
    edit.selector = *selector;
    edit.selectorText = number;
    edit.onlyDefaultOfType = onlyDefaultOfType;
    auto parsed = ParsePropertyValue(*edit.property, value);
    if (!std::holds_alternative<std::vector<PropertyBytes>>(parsed)) return Report(host, PatchResult::BadCode);
    edit.values = std::get<std::vector<PropertyBytes>>(parsed);
    const HeaderEditResult result = EditHeaders(doc.sourcePath, {edit});
    if (!result.ok) {
        host.Inform(result.refusal.key, result.refusal.detail);
        return PatchResult::WriteFailed;
    }
    host.AddLog("• изменено в файле, заголовок переписан: трек ", number + ", " + logText);
    return PatchResult::Rewritten;
}

}  // namespace

int TrackFlagDefaultElement(const Document& doc, size_t row) { return ChildOfEntry(doc, row, kFlagDefault); }

int TrackLanguageElement(const Document& doc, size_t row) { return ChildOfEntry(doc, row, kLanguage); }

PatchResult QuickSetDefault(Document& doc, Host& host, size_t row) {
    if (row >= doc.tatra.size() || doc.tatra[row].defaultMark == "y") return PatchResult::NotThatElement;
    const int element = TrackFlagDefaultElement(doc, row);
    if (element < 0) return PatchResult::NotThatElement;
    const std::string type = doc.tatra[row].typeText;
    // Every flag that will change is checked first, so a refusal leaves the
    // file with its old default rather than with none.
    std::vector<int> flags = {element};
    for (size_t other = 0; other < doc.tatra.size(); ++other) {
        if (other == row || doc.tatra[other].typeText != type || doc.tatra[other].defaultMark != "y") continue;
        const int flag = TrackFlagDefaultElement(doc, other);
        // A default by absence is taken away by writing the element.
        if (flag < 0) return RewriteTrack(doc, host, row, "flag-default", "1", true, "FlagDefault: 0 \u2192 1");
        flags.push_back(flag);
    }
    for (const int flag : flags)
        if (const PatchResult check = VerifyElement(doc, host, flag); check != PatchResult::Written) return check;
    for (size_t other = 0; other < doc.tatra.size(); ++other) {
        Track& t = doc.tatra[other];
        if (other == row || t.typeText != type || t.defaultMark != "y") continue;
        const int flag = TrackFlagDefaultElement(doc, other);
        if (flag >= 0) {
            const PatchResult result = TrackSetDef(doc, host, flag, 0);
            if (result != PatchResult::Written) return result;
            FollowDefault(doc, host, other, 0);
        }
        t.defaultMark.clear();
    }
    const PatchResult result = TrackSetDef(doc, host, element, 1);
    if (result == PatchResult::Written) {
        doc.tatra[row].defaultMark = "y";
        FollowDefault(doc, host, row, 1);
    }
    return result;
}

PatchResult QuickDropDefault(Document& doc, Host& host, size_t row) {
    if (row >= doc.tatra.size() || doc.tatra[row].defaultMark != "y") return PatchResult::NotThatElement;
    const int element = TrackFlagDefaultElement(doc, row);
    // Without the element the track is default by the format's rule: dropping that needs the element written.
    if (element < 0) return RewriteTrack(doc, host, row, "flag-default", "0", false, "FlagDefault: 1 \u2192 0");
    const PatchResult result = TrackSetDef(doc, host, element, 0);
    if (result == PatchResult::Written) {
        doc.tatra[row].defaultMark.clear();
        FollowDefault(doc, host, row, 0);
    }
    return result;
}

// Language and LanguageBCP47 change together, so players that read either
// see the same language; both are checked before either is written.
PatchResult QuickSetLanguage(Document& doc, Host& host, size_t row, const std::string& code) {
    if (row >= doc.tatra.size()) return PatchResult::NotThatElement;
    const std::string iso = MatroskaLanguage(code), tag = Bcp47Language(code);
    if (iso.empty()) return Report(host, PatchResult::BadCode);
    const int language = TrackLanguageElement(doc, row), bcp47 = ChildOfEntry(doc, row, kLanguageBCP47);
    // Without Language the track is English by the format's rule; another language needs the element written.
    const bool fits = !(language < 0 && (bcp47 < 0 || iso != "eng")) &&
                      !(language >= 0 && !LanguageFits(doc.lista[language], iso)) && !(bcp47 >= 0 && !LanguageFits(doc.lista[bcp47], tag));
    if (!fits) return RewriteTrack(doc, host, row, "language", code, false, "Language: " + doc.tatra[row].language + " \u2192 " + iso);
    const std::string old = language >= 0 ? doc.lista[language].Text() : doc.lista[bcp47].Text();
    for (const auto& [element, value] : {std::pair{language, iso}, std::pair{bcp47, tag}}) {
        if (element < 0) continue;
        if (const PatchResult check = VerifyElement(doc, host, element); check != PatchResult::Written) return check;
    }
    for (const auto& [element, value] : {std::pair{language, iso}, std::pair{bcp47, tag}}) {
        if (element < 0) continue;
        if (const PatchResult result = TrackSetLang(doc, host, element, value); result != PatchResult::Written) return result;
    }
    // The table shows Language, or the tag where the track has only that.
    doc.tatra[row].language = language >= 0 ? iso : tag;
    host.AddLog("• изменено в файле: трек ", doc.tatra[row].numberText + ", Language: " + old + " \u2192 " + doc.tatra[row].language);
    if (tTrackEntry* t = ModelEntry(doc, row)) {
        if (language >= 0) t->language.Set(iso);
        if (bcp47 >= 0) t->languageBCP47.Set(tag);
    }
    return PatchResult::Written;
}

}  // namespace quillon
