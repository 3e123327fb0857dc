#include "core/language_codes.h"

#include <algorithm>
#include <cctype>

namespace quillon {
namespace {

constexpr LanguageCode kLanguages[] = {
#include "core/generated/language_codes.inc"
};

std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// The primary subtag of a BCP 47 tag ("fr" of "fr-CA").
std::string_view Primary(std::string_view tag) { return tag.substr(0, tag.find_first_of("-_")); }

}  // namespace

const LanguageCode* FindLanguage(std::string_view code) {
    const std::string key = Lower(Primary(code));
    if (key.size() != 2 && key.size() != 3) return nullptr;
    for (const LanguageCode& l : kLanguages)
        if (key == l.terminologic || key == l.bibliographic || key == l.twoLetter) return &l;
    return nullptr;
}

std::string MatroskaLanguage(std::string_view code) {
    const LanguageCode* l = FindLanguage(code);
    if (!l) return {};
    return *l->bibliographic ? l->bibliographic : l->terminologic;
}

std::string Bcp47Language(std::string_view code) {
    const LanguageCode* l = FindLanguage(code);
    if (!l) return {};
    const std::string primary = *l->twoLetter ? l->twoLetter : l->terminologic;
    const size_t rest = code.find_first_of("-_");
    // A tag's region, script and the rest stay; only its primary subtag takes the shortest form.
    return rest == std::string_view::npos ? primary : primary + "-" + std::string(code.substr(rest + 1));
}

bool SameLanguage(std::string_view a, std::string_view b) {
    const LanguageCode* x = FindLanguage(a);
    return x && x == FindLanguage(b);
}

}  // namespace quillon
