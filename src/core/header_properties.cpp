#include "core/header_properties.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "core/dictionary.h"
#include "core/generated/element_ids.h"
#include "core/language_codes.h"
#include "core/utf8.h"
#include "core/value_text.h"

namespace quillon {
namespace {

using M = PropertyMaster;
using K = PropertyKind;

// The enumerations' largest values are the largest the Matroska format names.
constexpr HeaderProperty kProperties[] = {
    {"title", M::Info, kTitle, K::Utf8Text},
    {"date", M::Info, kDateUTC, K::Date},
    {"segment-uid", M::Info, kSegmentUID, K::Uid128},
    {"prev-uid", M::Info, kPrevUID, K::Uid128},
    {"next-uid", M::Info, kNextUID, K::Uid128},
    {"name", M::Track, kName, K::Utf8Text},
    {"language", M::Track, kLanguage, K::Language},
    {"flag-default", M::Track, kFlagDefault, K::Flag},
    {"flag-forced", M::Track, kFlagForced, K::Flag},
    {"flag-enabled", M::Track, kFlagEnabled, K::Flag},
    {"flag-hearing-impaired", M::Track, kFlagHearingImpaired, K::Flag},
    {"flag-visual-impaired", M::Track, kFlagVisualImpaired, K::Flag},
    {"flag-text-descriptions", M::Track, kFlagTextDescriptions, K::Flag},
    {"flag-original", M::Track, kFlagOriginal, K::Flag},
    {"flag-commentary", M::Track, kFlagCommentary, K::Flag},
    {"default-duration", M::Track, kDefaultDuration, K::Unsigned},
    {"codec-delay", M::Track, kCodecDelay, K::Unsigned},
    {"seek-pre-roll", M::Track, kSeekPreRoll, K::Unsigned},
    {"display-width", M::Video, kDisplayWidth, K::Unsigned},
    {"display-height", M::Video, kDisplayHeight, K::Unsigned},
    {"display-unit", M::Video, kDisplayUnit, K::Unsigned, 4},
    {"pixel-crop-top", M::Video, kPixelCropTop, K::Unsigned},
    {"pixel-crop-bottom", M::Video, kPixelCropBottom, K::Unsigned},
    {"pixel-crop-left", M::Video, kPixelCropLeft, K::Unsigned},
    {"pixel-crop-right", M::Video, kPixelCropRight, K::Unsigned},
    {"stereo-mode", M::Video, kStereoMode, K::Unsigned, 14},
    {"colour-range", M::Colour, kRange, K::Unsigned, 3},
    {"colour-primaries", M::Colour, kPrimaries, K::Unsigned, 22},
    {"colour-transfer", M::Colour, kTransferCharacteristics, K::Unsigned, 18},
    {"colour-matrix", M::Colour, kMatrixCoefficients, K::Unsigned, 14},
    {"sampling-frequency", M::Audio, kSamplingFrequency, K::Float},
    {"output-sampling-frequency", M::Audio, kOutputSamplingFrequency, K::Float},
    {"channels", M::Audio, kChannels, K::Unsigned},
    {"bit-depth", M::Audio, kBitDepth, K::Unsigned},
};

PropertyRefusal Refuse(const HeaderProperty& p, std::string_view text, std::string allowed) {
    return {"значение не подходит: ", std::string(p.name) + "=" + std::string(text) + " (" + allowed + ")"};
}

std::vector<uint8_t> BigEndian(uint64_t value, size_t bytes) {
    std::vector<uint8_t> out(bytes);
    for (size_t k = 0; k < bytes; ++k) out[bytes - 1 - k] = uint8_t(value >> (8 * k));
    return out;
}

std::vector<uint8_t> ShortestUnsigned(uint64_t value) {
    size_t bytes = 1;
    while (bytes < 8 && (value >> (8 * bytes)) != 0) ++bytes;
    return BigEndian(value, bytes);
}

// The schema's range as a text for the message: "1..", "0..4", "not 0".
std::string RangeText(const ElementRule& rule, uint64_t maximum) {
    if (maximum) return "0.." + std::to_string(maximum);
    if (rule.rangeKind == 1) return "≠ 0";
    if (rule.rangeKind != 2) return "≥ 0";
    auto number = [](double v) {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%g", v);
        return std::string(buffer);
    };
    std::string text = rule.hasLow ? (rule.lowInclusive ? "" : ">") + number(rule.low) : "";
    text += "..";
    if (rule.hasHigh) text += (rule.highInclusive ? "" : "<") + number(rule.high);
    return text;
}

// Days from 1970-01-01 of a civil date (proleptic Gregorian).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = unsigned(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + int64_t(doe) - 719468;
}

}  // namespace

std::span<const HeaderProperty> HeaderProperties() { return kProperties; }

const HeaderProperty* FindHeaderProperty(std::string_view name) {
    for (const HeaderProperty& p : kProperties)
        if (name == p.name) return &p;
    return nullptr;
}

std::variant<std::vector<PropertyBytes>, PropertyRefusal> ParsePropertyValue(const HeaderProperty& p,
                                                                             std::string_view text) {
    const int row = FindElementById(p.id);
    const ElementRule rule = row >= 0 ? DictionaryRule(row) : ElementRule{};
    switch (p.kind) {
        case K::Utf8Text:
            if (!IsValidUtf8(text)) return Refuse(p, text, "UTF-8");
            return std::vector<PropertyBytes>{{p.id, std::vector<uint8_t>(text.begin(), text.end())}};
        case K::Language: {
            const std::string code = MatroskaLanguage(text), tag = Bcp47Language(text);
            if (code.empty() || tag.empty()) return Refuse(p, text, "ISO 639-2 / BCP 47");
            return std::vector<PropertyBytes>{{kLanguage, std::vector<uint8_t>(code.begin(), code.end())},
                                              {kLanguageBCP47, std::vector<uint8_t>(tag.begin(), tag.end())}};
        }
        case K::Flag:
            if (text != "0" && text != "1") return Refuse(p, text, "0, 1");
            return std::vector<PropertyBytes>{{p.id, {uint8_t(text == "1")}}};
        case K::Unsigned: {
            const std::optional<uint64_t> value = ParseUnsigned(text);
            if (!value || (p.maximum && *value > p.maximum) || !ValueInRange(rule, double(*value)))
                return Refuse(p, text, RangeText(rule, p.maximum));
            return std::vector<PropertyBytes>{{p.id, ShortestUnsigned(*value)}};
        }
        case K::Float: {
            const std::optional<double> value = ParseDecimal(text);
            if (!value || !ValueInRange(rule, *value)) return Refuse(p, text, RangeText(rule, 0));
            uint64_t bits = 0;
            static_assert(sizeof bits == sizeof *value);
            std::memcpy(&bits, &*value, sizeof bits);
            return std::vector<PropertyBytes>{{p.id, BigEndian(bits, 8)}};
        }
        case K::Date: {
            int year = 0;
            unsigned month = 0, day = 0, hour = 0, minute = 0, second = 0;
            char zone = 0;
            const std::string copy(text);
            if (std::sscanf(copy.c_str(), "%4d-%2u-%2uT%2u:%2u:%2u%c", &year, &month, &day, &hour, &minute, &second,
                            &zone) != 7 ||
                zone != 'Z' || copy.size() != 20 || month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 ||
                minute > 59 || second > 59)
                return Refuse(p, text, "YYYY-MM-DDTHH:MM:SSZ");
            const int64_t seconds = (DaysFromCivil(year, month, day) - DaysFromCivil(2001, 1, 1)) * 86400 +
                                    int64_t(hour) * 3600 + minute * 60 + second;
            return std::vector<PropertyBytes>{{p.id, BigEndian(uint64_t(seconds * 1000000000), 8)}};
        }
        case K::Uid128: {
            std::vector<uint8_t> bytes;
            bool nonZero = false;
            if (text.size() != 32) return Refuse(p, text, "32 hex digits");
            for (size_t k = 0; k < 32; k += 2) {
                if (!std::isxdigit(uint8_t(text[k])) || !std::isxdigit(uint8_t(text[k + 1])))
                    return Refuse(p, text, "32 hex digits");
                bytes.push_back(HexByte(text.substr(k, 2)));
                nonZero = nonZero || bytes.back() != 0;
            }
            if (!nonZero) return Refuse(p, text, "≠ 0");
            return std::vector<PropertyBytes>{{p.id, bytes}};
        }
    }
    return Refuse(p, text, "?");
}

}  // namespace quillon
