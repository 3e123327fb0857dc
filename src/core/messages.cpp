#include "core/messages.h"

namespace quillon {
namespace {

constexpr TMessLangRec kMessages[] = {
#include "core/message_rows.inc"
#include "core/message_rows_added.inc"
};

constexpr TCompLangRec kCaptions[] = {
#include "core/caption_rows.inc"
};

}  // namespace

Lang LangFromCode(std::string_view code) { return code == "rus" ? Lang::Rus : Lang::Eng; }

const char* LangCode(Lang lang) { return lang == Lang::Rus ? "rus" : "eng"; }

std::span<const TMessLangRec> MessageTable() { return kMessages; }

std::span<const TCompLangRec> CaptionTable() { return kCaptions; }

std::string Tr(std::string_view rus, Lang lang) {
    if (lang == Lang::Rus) return std::string(rus);
    for (const auto& row : kMessages)
        if (rus == row.rus) return row.eng;
    return std::string(rus);
}

const TCompLangRec* FindCaption(std::string_view component, std::string_view className) {
    for (const auto& row : kCaptions)
        if (component == row.component && className == row.className) return &row;
    return nullptr;
}

}  // namespace quillon
