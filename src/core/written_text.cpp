#include "core/written_text.h"

#include "core/utf8.h"

namespace quillon {

std::string WritableText(char valueType, std::string_view text) {
    if (valueType == '8') return ValidUtf8(text);
    std::string written(text);
    if (valueType == 's')
        for (char& c : written)
            if (c != 0 && (c < 0x20 || c > 0x7E)) c = '?';
    return written;
}

}  // namespace quillon
