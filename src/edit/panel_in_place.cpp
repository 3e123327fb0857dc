#include "edit/panel_in_place.h"

#include <variant>

#include "core/mkv_model.h"

namespace quillon {
namespace {

PropertyEdit ForTrack(const std::string& number, const char* property) {
    PropertyEdit edit;
    edit.property = FindHeaderProperty(property);
    edit.selector = *ParseTrackSelector(number);
    edit.selectorText = number;
    return edit;
}

}  // namespace

PanelInPlace PanelChangesInPlace(const Document& doc, const TrackPanelInput& input, const TrackPanelValues& shown) {
    PanelInPlace result;
    // Staged changes live in the writer's model; a file read again after the
    // edit would lose them.
    if (doc.saveMode == SaveMode::Build) {
        result.refusal = "сначала запишите новый файл с отложенными изменениями или откройте файл заново";
        return result;
    }
    bool inSource = false;
    for (const Track& t : doc.tatra)
        if (t.numberText == input.number) inSource = t.entryIndex != Track::kNotInSource;
    if (!inSource || !ParseTrackSelector(input.number)) {
        result.refusal = "этого трека в файле нет: он будет только в новом файле";
        return result;
    }
    if (input.timecodeScale != shown.timecodeScale || input.firstFrame != input.initialFirstFrame) {
        result.refusal = "время трека меняется только в новом файле";
        return result;
    }
    if (input.name != shown.name) {
        PropertyEdit edit = ForTrack(input.number, "name");
        if (input.name.empty()) {
            edit.remove = true;
        } else {
            auto parsed = ParsePropertyValue(*edit.property, input.name);
            if (std::holds_alternative<PropertyRefusal>(parsed)) {
                result.refusal = "значение не подходит: ";
                return result;
            }
            edit.values = std::get<std::vector<PropertyBytes>>(parsed);
        }
        result.edits.push_back(edit);
    }
    const bool placeholder = shown.language == kPlaceholderLanguage;
    if (input.language != shown.language && !(placeholder && input.language.empty())) {
        PropertyEdit edit = ForTrack(input.number, "language");
        auto parsed = ParsePropertyValue(*edit.property, input.language);
        if (std::holds_alternative<PropertyRefusal>(parsed)) {
            result.refusal = input.language.empty() ? "укажите язык: трёхбуквенный код, например rus" : "такого кода языка нет";
            return result;
        }
        edit.values = std::get<std::vector<PropertyBytes>>(parsed);
        result.edits.push_back(edit);
    }
    if (input.isDefault != input.initialIsDefault) {
        PropertyEdit edit = ForTrack(input.number, "flag-default");
        edit.values = {{edit.property->id, {uint8_t(input.isDefault ? 1 : 0)}}};
        edit.onlyDefaultOfType = input.isDefault;
        result.edits.push_back(edit);
    }
    if (result.edits.empty()) result.refusal = "ничего не изменено";
    return result;
}

}  // namespace quillon
