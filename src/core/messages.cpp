#include "core/messages.h"

#include <cstdlib>

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

Lang LangFromLocale(const char* lcAll, const char* lcMessages, const char* lang) {
    for (const char* value : {lcAll, lcMessages, lang}) {
        if (!value || !*value) continue;
        const std::string_view v(value);
        return v.size() >= 2 && (v[0] == 'r' || v[0] == 'R') && (v[1] == 'u' || v[1] == 'U') ? Lang::Rus : Lang::Eng;
    }
    return Lang::Eng;
}

Lang LangFromEnvironment() {
    return LangFromLocale(std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"), std::getenv("LANG"));
}

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
