// Language codes as Matroska holds them: Language in ISO 639-2 (the
// bibliographic code where a language has one: "ger", "fre", "chi"),
// LanguageBCP47 as a BCP 47 tag ("de", "fr-CA"). The table is Debian's
// iso-codes, generated into the source.
#pragma once

#include <string>
#include <string_view>

namespace quillon {

struct LanguageCode {
    const char* terminologic;  // ISO 639-2/T: "deu"
    const char* bibliographic;  // ISO 639-2/B where it differs: "ger"; else ""
    const char* twoLetter;      // ISO 639-1: "de"; "" where there is none
    const char* name;           // English: "German"
};

// The language of an ISO 639-2 code (either form), an ISO 639-1 code, or the
// primary subtag of a BCP 47 tag; letter case does not matter. Null for none.
const LanguageCode* FindLanguage(std::string_view code);

// Language's code for `code` (any form above): the bibliographic ISO 639-2
// code where there is one. Empty when the language is not known.
std::string MatroskaLanguage(std::string_view code);
// LanguageBCP47's tag for `code`: a BCP 47 tag is kept as it is (its
// primary subtag checked), an ISO 639-2 code becomes its shortest tag
// ("ger" → "de", "haw" → "haw"). Empty when the language is not known.
std::string Bcp47Language(std::string_view code);

// Whether two codes of any of these forms name the same language ("jpn", "ja", "ja-JP").
bool SameLanguage(std::string_view a, std::string_view b);

}  // namespace quillon
