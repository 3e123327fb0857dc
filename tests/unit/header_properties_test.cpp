// The editable header properties: each bound to its element, values parsed
// and checked against the schema once.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "core/dictionary.h"
#include "core/generated/element_ids.h"
#include "core/header_properties.h"

namespace quillon::test {
namespace {

using Bytes = std::vector<uint8_t>;

// The bytes a value sets, or the refusal's detail prefixed with "refused: ".
std::string Parsed(const char* name, const char* text, Bytes* bytes = nullptr) {
    const HeaderProperty* p = FindHeaderProperty(name);
    if (!p) return "no such property";
    const auto result = ParsePropertyValue(*p, text);
    if (const auto* refusal = std::get_if<PropertyRefusal>(&result)) return "refused: " + refusal->detail;
    const auto& elements = std::get<std::vector<PropertyBytes>>(result);
    if (bytes && !elements.empty()) *bytes = elements.front().data;
    return "ok " + std::to_string(elements.size());
}

TEST(HeaderProperties, EveryPropertyNamesAKnownElementOnce) {
    std::set<std::string> names;
    for (const HeaderProperty& p : HeaderProperties()) {
        EXPECT_TRUE(names.insert(p.name).second) << p.name;
        EXPECT_GE(FindElementById(p.id), 0) << p.name;
    }
    EXPECT_GE(names.size(), 34u);
    EXPECT_EQ(FindHeaderProperty("no-such"), nullptr);
}

TEST(HeaderProperties, ValuesAreCheckedAgainstTheSchema) {
    const struct {
        const char* name;
        const char* text;
        std::string result;
        Bytes bytes;
    } cases[] = {
        {"title", "Фильм", "ok 1", Bytes{0xD0, 0xA4, 0xD0, 0xB8, 0xD0, 0xBB, 0xD1, 0x8C, 0xD0, 0xBC}},
        {"title", "\xC3", "refused: title=\xC3 (UTF-8)", {}},
        {"flag-default", "1", "ok 1", Bytes{1}},
        {"flag-forced", "2", "refused: flag-forced=2 (0, 1)", {}},
        {"display-unit", "4", "ok 1", Bytes{4}},
        {"display-unit", "5", "refused: display-unit=5 (0..4)", {}},
        {"channels", "0", "refused: channels=0 (≠ 0)", {}},  // the schema: not 0
        {"channels", "6", "ok 1", Bytes{6}},
        {"default-duration", "41708333", "ok 1", Bytes{0x02, 0x7C, 0x6B, 0x2D}},
        {"default-duration", "-1", "refused: default-duration=-1 (≠ 0)", {}},
        {"sampling-frequency", "48000", "ok 1", Bytes{0x40, 0xE7, 0x70, 0, 0, 0, 0, 0}},
        {"sampling-frequency", "0", "refused: sampling-frequency=0 (>0..)", {}},
        {"sampling-frequency", "fast", "refused: sampling-frequency=fast (>0..)", {}},
        {"date", "2001-01-01T00:00:01Z", "ok 1", Bytes{0, 0, 0, 0, 0x3B, 0x9A, 0xCA, 0x00}},
        {"date", "2001-13-01T00:00:00Z", "refused: date=2001-13-01T00:00:00Z (YYYY-MM-DDTHH:MM:SSZ)", {}},
        {"segment-uid", "000102030405060708090a0b0c0d0e0f", "ok 1",
         Bytes{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}},
        {"segment-uid", "00000000000000000000000000000000", "refused: segment-uid=00000000000000000000000000000000 (≠ 0)", {}},
        {"segment-uid", "-1000000000000000000000000000000", "refused: segment-uid=-1000000000000000000000000000000 (32 hex digits)", {}},
        {"language", "jpn", "ok 2", Bytes{'j', 'p', 'n'}},
        {"language", "ja", "ok 2", Bytes{'j', 'p', 'n'}},
        {"language", "qqq", "refused: language=qqq (ISO 639-2 / BCP 47)", {}},
    };
    for (const auto& c : cases) {
        Bytes bytes;
        EXPECT_EQ(Parsed(c.name, c.text, &bytes), c.result) << c.name << "=" << c.text;
        if (!c.bytes.empty()) EXPECT_EQ(bytes, c.bytes) << c.name << "=" << c.text;
    }
}

TEST(HeaderProperties, TheLanguageSetsBothElementsInAgreement) {
    const auto result = ParsePropertyValue(*FindHeaderProperty("language"), "ja");
    const auto& elements = std::get<std::vector<PropertyBytes>>(result);
    ASSERT_EQ(elements.size(), 2u);
    EXPECT_EQ(elements[0].id, kLanguage);
    EXPECT_EQ(std::string(elements[0].data.begin(), elements[0].data.end()), "jpn");
    EXPECT_EQ(elements[1].id, kLanguageBCP47);
    EXPECT_EQ(std::string(elements[1].data.begin(), elements[1].data.end()), "ja");
}

}  // namespace
}  // namespace quillon::test
