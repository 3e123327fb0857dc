#include "export/nal_units.h"

namespace quillon {
namespace {

// Reads big-endian numbers off the front of a span, remembering a read past its end.
class ByteReader {
public:
    explicit ByteReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}
    uint32_t Number(size_t width) {
        if (!Has(width)) {
            failed_ = true;
            return 0;
        }
        uint32_t value = 0;
        for (size_t k = 0; k < width; ++k) value = (value << 8) | bytes_[at_ + k];
        at_ += width;
        return value;
    }
    std::span<const uint8_t> Bytes(size_t count) {
        if (!Has(count)) {
            failed_ = true;
            return {};
        }
        const auto out = bytes_.subspan(at_, count);
        at_ += count;
        return out;
    }
    void Skip(size_t count) { (void)Bytes(count); }
    bool Has(size_t count) const { return !failed_ && count <= bytes_.size() - at_; }
    bool failed() const { return failed_; }

private:
    std::span<const uint8_t> bytes_;
    size_t at_ = 0;
    bool failed_ = false;
};

// One parameter set behind its 16-bit length.
void TakeUnit(ByteReader& in, NalConfig& config) {
    const uint32_t size = in.Number(2);
    const auto unit = in.Bytes(size);
    if (!in.failed()) config.units.emplace_back(unit.begin(), unit.end());
}

bool LengthSizeAllowed(int size) { return size == 1 || size == 2 || size == 4; }

}  // namespace

bool ReadAvcConfig(std::span<const uint8_t> codecPrivate, NalConfig& config) {
    config = {};
    ByteReader in(codecPrivate);
    in.Skip(4);  // version, profile, compatibility, level
    config.lengthSize = static_cast<int>(in.Number(1) & 3) + 1;
    const uint32_t sequenceSets = in.Number(1) & 0x1F;
    for (uint32_t k = 0; k < sequenceSets && !in.failed(); ++k) TakeUnit(in, config);
    const uint32_t pictureSets = in.Number(1);
    for (uint32_t k = 0; k < pictureSets && !in.failed(); ++k) TakeUnit(in, config);
    // What follows for the high profiles (chroma format, extended sets) is not needed here.
    return !in.failed() && LengthSizeAllowed(config.lengthSize);
}

bool ReadHevcConfig(std::span<const uint8_t> codecPrivate, NalConfig& config) {
    config = {};
    ByteReader in(codecPrivate);
    in.Skip(21);  // version, profile, tier and level, the format fields
    config.lengthSize = static_cast<int>(in.Number(1) & 3) + 1;
    const uint32_t arrays = in.Number(1);
    for (uint32_t a = 0; a < arrays && !in.failed(); ++a) {
        in.Skip(1);  // completeness and the NAL unit type of the array
        const uint32_t count = in.Number(2);
        for (uint32_t k = 0; k < count && !in.failed(); ++k) TakeUnit(in, config);
    }
    return !in.failed() && LengthSizeAllowed(config.lengthSize);
}

bool SplitNalUnits(std::span<const uint8_t> frame, int lengthSize, std::vector<std::span<const uint8_t>>& units) {
    units.clear();
    ByteReader in(frame);
    while (in.Has(1)) {
        const uint32_t size = in.Number(static_cast<size_t>(lengthSize));
        const auto unit = in.Bytes(size);
        if (in.failed()) return false;
        units.push_back(unit);
    }
    return true;
}

}  // namespace quillon
