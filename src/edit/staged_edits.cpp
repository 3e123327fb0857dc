#include "edit/staged_edits.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "core/block_merge.h"
#include "core/ebml.h"
#include "core/generated/element_ids.h"
#include "core/language_codes.h"
#include "core/value_text.h"
#include "edit/track_texts.h"
#include "reader/block_table.h"

namespace quillon {
namespace {

tTrackEntry* EntryOf(Document& doc, const std::string& number) { return ModelTrack(doc.mkv, number); }

Track* RowOf(Document& doc, const std::string& number) {
    for (Track& t : doc.tatra)
        if (t.numberText == number) return &t;
    return nullptr;
}

std::string Trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The shortest text that reads back as the same float, with a decimal comma.
std::string ShortestText(float value) {
    char text[32];
    for (int digits = 1; digits <= 9; ++digits) {
        std::snprintf(text, sizeof text, "%.*g", digits, static_cast<double>(value));
        if (std::strtof(text, nullptr) == value) break;
    }
    std::string out = text;
    for (char& c : out)
        if (c == '.') c = ',';
    return out;
}

void Describe(Document& doc, const std::string& number) {
    const tTrackEntry* t = EntryOf(doc, number);
    Track* row = RowOf(doc, number);
    if (!t || !row) return;
    std::string description = t->codecID.value;
    if (t->trackType.value == 1)
        description = std::to_string(t->pixelWidth.value) + "x" + std::to_string(t->pixelHeight.value) + ", " + description;
    if (t->name.present && !t->name.value.empty()) description += ", " + t->name.value;
    row->description = description;
}

}  // namespace

std::optional<TrackPanelValues> OpenTrackPanel(Document& doc, const std::string& number) {
    const tTrackEntry* t = EntryOf(doc, number);
    if (!t) return std::nullopt;
    TrackPanelValues v;
    v.number = number;
    v.codecID = t->codecID.value;
    v.name = t->name.value;
    // A track whose language is only in LanguageBCP47 (as mkvmerge writes English) shows it as Language would.
    v.language = t->language.present ? t->language.value : t->languageBCP47.present ? t->languageBCP47.value : "eng";
    // An absent TrackTimecodeScale means 1.
    v.timecodeScale = ShortestText(t->trackTimecodeScale.present ? t->trackTimecodeScale.value : 1.0f);
    const xBlock* first = nullptr;
    const xBlock* last = nullptr;
    EnsureBlockTable(doc);
    const uint64_t track = TextToUInt64(number);
    for (const xBlock& b : doc.mkv.blocks) {
        if (doc.BlockTrack(b) != track) continue;
        if (!first) first = &b;
        last = &b;
    }
    v.firstFrame = first ? std::to_string(first->absTime) : "-1";
    v.duration = FormatMsTime(last ? static_cast<int64_t>(static_cast<uint32_t>(last->absTime)) : 0);
    v.isDefault = !t->flagDefault.present || t->flagDefault.value != 0;  // absent means default
    return v;
}

bool StageName(Document& doc, const std::string& number, const std::string& name) {
    tTrackEntry* t = EntryOf(doc, number);
    if (!t) return false;
    t->name.value = name;
    t->name.present = !name.empty();
    Describe(doc, number);
    doc.saveMode = SaveMode::Build;
    return true;
}

bool StageLanguage(Document& doc, const std::string& number, const std::string& language) {
    tTrackEntry* t = EntryOf(doc, number);
    const std::string code = MatroskaLanguage(language), tag = Bcp47Language(language);
    if (!t || code.empty()) return false;
    t->language.Set(code);
    t->languageBCP47.Set(tag);
    if (Track* row = RowOf(doc, number)) row->language = code;
    doc.saveMode = SaveMode::Build;
    return true;
}

bool StageDefault(Document& doc, const std::string& number, bool isDefault) {
    tTrackEntry* t = EntryOf(doc, number);
    Track* row = RowOf(doc, number);
    if (!t || !row) return false;
    if (isDefault) {
        // The other entries of the type lose the flag. An absent FlagDefault
        // reads as 1, so they get the element with 0 written out.
        for (tTrackEntry& other : doc.mkv.tracks)
            if (other.trackType.value == t->trackType.value) other.flagDefault.Set(0);
        for (Track& other : doc.tatra)
            if (other.typeText == row->typeText) other.defaultMark.clear();
        t->flagDefault.Set(1);
        row->defaultMark = "Y";
    } else {
        t->flagDefault.Set(0);
        row->defaultMark.clear();
    }
    doc.saveMode = SaveMode::Build;
    return true;
}

bool StageForced(Document& doc, const std::string& number, bool forced) {
    tTrackEntry* t = EntryOf(doc, number);
    if (!t) return false;
    // Absent reads as 0: an unforced track without the element stays without it.
    if (forced || t->flagForced.present) t->flagForced.Set(forced ? 1 : 0);
    doc.saveMode = SaveMode::Build;
    return true;
}

bool StageTimecodeScale(Document& doc, const std::string& number, double scale) {
    tTrackEntry* t = EntryOf(doc, number);
    if (!t || !(scale > 0)) return false;
    // The default needs no element: an absent scale stays absent at 1.
    if (t->trackTimecodeScale.present || static_cast<float>(scale) != 1.0f)
        t->trackTimecodeScale.Set(static_cast<float>(scale));
    doc.saveMode = SaveMode::Build;
    return true;
}

void ShiftTrackStart(Document& doc, const std::string& number, int64_t time) {
    std::vector<xBlock>& blocks = doc.mkv.blocks;
    if (time < 0 || time > kMaxBlockTime) return;
    EnsureBlockTable(doc);
    const uint64_t number64 = TextToUInt64(number);
    const auto inTrack = [&](const xBlock& b) { return doc.BlockTrack(b) == number64; };
    size_t first = 0;
    while (first < blocks.size() && !inTrack(blocks[first])) ++first;
    if (first == blocks.size() || blocks[first].absTime == time) return;
    const int64_t delta = time - blocks[first].absTime;
    RemergeByTime(blocks, inTrack, [&](xBlock& b) { b.absTime += delta; });
}

PanelField AcceptTrackPanel(Document& doc, const TrackPanelInput& input) {
    const std::string name = Trimmed(input.name);
    const std::string language = Trimmed(input.language);
    if (language.empty()) return PanelField::Language;
    if (language == "xz") return PanelField::LanguagePlaceholder;
    if (MatroskaLanguage(language).empty()) return PanelField::UnknownLanguage;
    if (Trimmed(input.timecodeScale).empty()) return PanelField::TimecodeScale;
    const std::optional<double> scale = ParseDecimal(input.timecodeScale);
    if (!scale || !(*scale > 0)) return PanelField::TimecodeScale;
    if (!IsDigits(input.firstFrame)) return PanelField::FirstFrame;
    if (!EntryOf(doc, input.number)) return PanelField::NoSuchTrack;

    StageName(doc, input.number, name);
    StageLanguage(doc, input.number, language);
    StageTimecodeScale(doc, input.number, *scale);
    if (input.isDefault != input.initialIsDefault) StageDefault(doc, input.number, input.isDefault);
    if (input.firstFrame != input.initialFirstFrame)
        ShiftTrackStart(doc, input.number, TextToInt64(input.firstFrame));
    doc.saveMode = SaveMode::Build;
    return PanelField::None;
}

bool MoveTrackUp(Document& doc, size_t row) {
    if (row == 0 || row >= doc.tatra.size() || doc.tatra[row].typeText.empty()) return false;
    std::swap(doc.tatra[row], doc.tatra[row - 1]);
    doc.saveMode = SaveMode::Build;
    return true;
}

bool MoveTrackDown(Document& doc, size_t row) {
    if (row + 1 >= doc.tatra.size() || doc.tatra[row].typeText.empty()) return false;
    std::swap(doc.tatra[row], doc.tatra[row + 1]);
    doc.saveMode = SaveMode::Build;
    return true;
}

}  // namespace quillon
