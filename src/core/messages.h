// The interface languages: the message table and the caption table, and the
// lookup every user-visible text passes through.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace quillon {

enum class Lang { Rus, Eng };

// "rus" / "eng", as the settings store it; anything but "rus" is English.
Lang LangFromCode(std::string_view code);
const char* LangCode(Lang lang);

// The language of a first start, from the locale's variables as POSIX
// orders them (the first set one of LC_ALL, LC_MESSAGES, LANG): "ru..." is
// Russian, anything else (or nothing) English. Null or empty means unset.
Lang LangFromLocale(const char* lcAll, const char* lcMessages, const char* lang);
// The same from this process's environment.
Lang LangFromEnvironment();

struct TMessLangRec {
    const char* rus;
    const char* eng;
};

struct TCompLangRec {
    const char* component;
    const char* className;
    const char* rus;
    const char* eng;
};

std::span<const TMessLangRec> MessageTable();
std::span<const TCompLangRec> CaptionTable();

// The text in the given language: Russian unchanged, otherwise the English
// text of the first row whose Russian text matches exactly, or the Russian
// text itself when no row matches.
std::string Tr(std::string_view rus, Lang lang);

// The caption row of a control, or nullptr.
const TCompLangRec* FindCaption(std::string_view component, std::string_view className);

}  // namespace quillon
