#include "edit/staged_edits.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "core/ebml.h"
#include "edit/track_texts.h"
#include "reader/block_table.h"
#include "core/generated/element_ids.h"
#include "core/value_text.h"

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

// Removes LanguageBCP47 from the raw children: it would contradict a new
// Language, and players read it first.
void DropBcp47(tTrackEntry& t) {
    std::vector<uint8_t>& raw = t.otherEntryChildren;
    std::vector<uint8_t> kept;
    size_t at = 0;
    while (at < raw.size()) {
        const Bytes bytes(raw.data(), raw.size());
        const int idLength = VintLen(bytes, at);
        if (idLength < 1 || idLength > 4 || at + idLength >= raw.size()) return;  // not elements: leave it
        uint32_t id = 0;
        for (int i = 0; i < idLength; ++i) id = id << 8 | raw[at + i];
        const int sizeLength = VintLen(bytes, at + idLength);
        if (sizeLength == 0) return;
        const uint64_t end = at + idLength + sizeLength + VintValue(bytes, at + idLength);
        if (end > raw.size()) return;
        if (id != kLanguageBCP47) kept.insert(kept.end(), raw.begin() + static_cast<long>(at), raw.begin() + static_cast<long>(end));
        at = static_cast<size_t>(end);
    }
    raw = std::move(kept);
}

}  // namespace

std::optional<TrackPanelValues> OpenTrackPanel(Document& doc, const std::string& number) {
    const tTrackEntry* t = EntryOf(doc, number);
    if (!t) return std::nullopt;
    TrackPanelValues v;
    v.number = number;
    v.codecID = t->codecID.value;
    v.name = t->name.value;
    v.language = t->language.value;
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
    v.isDefault = t->flagDefault.value != 0;
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
    if (!t) return false;
    if (!t->language.present || t->language.value != language) DropBcp47(*t);
    t->language.Set(language);
    if (Track* row = RowOf(doc, number)) row->language = language;
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
    std::vector<xBlock> track, others;
    for (xBlock& b : blocks) (inTrack(b) ? track : others).push_back(b);
    for (xBlock& b : track) b.absTime += delta;
    blocks.clear();
    size_t x = 0, a = 0;
    while (x < track.size() || a < others.size()) {
        const bool takeTrack = a == others.size() || (x < track.size() && track[x].absTime < others[a].absTime);
        blocks.push_back(std::move(takeTrack ? track[x++] : others[a++]));
    }
}

PanelField AcceptTrackPanel(Document& doc, const TrackPanelInput& input) {
    const std::string name = Trimmed(input.name);
    const std::string language = Trimmed(input.language);
    if (language.empty()) return PanelField::Language;
    if (language == "xz") return PanelField::LanguagePlaceholder;
    if (Trimmed(input.timecodeScale).empty()) return PanelField::TimecodeScale;
    const std::optional<double> scale = ParseDecimal(input.timecodeScale);
    if (!scale || !(*scale > 0)) return PanelField::TimecodeScale;
    if (!IsDigits(input.firstFrame)) return PanelField::FirstFrame;
    if (!EntryOf(doc, input.number)) return PanelField::NoSuchTrack;

    StageName(doc, input.number, name);
    StageLanguage(doc, input.number, language);
    if (Track* row = RowOf(doc, input.number)) row->language = input.language;  // as typed
    StageTimecodeScale(doc, input.number, *scale);
    StageDefault(doc, input.number, input.isDefault);
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
