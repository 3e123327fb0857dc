#include "support/ebml_builder.h"

#include <algorithm>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace quillon::test {

ByteVec IdBytes(uint32_t id) {
    ByteVec out;
    bool started = false;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const uint8_t b = static_cast<uint8_t>(id >> shift);
        if (b || started || shift == 0) {
            out.push_back(b);
            started = true;
        }
    }
    return out;
}

ByteVec SizeField(uint64_t value, int width) {
    if (width == 0) {
        width = 1;
        while (width < 8 && value >= (uint64_t{1} << (7 * width)) - 1) ++width;
    }
    ByteVec out(width);
    uint64_t v = value;
    for (int i = width - 1; i >= 0; --i) {
        out[i] = static_cast<uint8_t>(v & 0xFF);
        v >>= 8;
    }
    out[0] |= static_cast<uint8_t>(0x80 >> (width - 1));
    return out;
}

ByteVec Cat(std::initializer_list<ByteVec> parts) {
    ByteVec out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

ByteVec Element(uint32_t id, const ByteVec& data, int sizeWidth) {
    return Cat({IdBytes(id), SizeField(data.size(), sizeWidth), data});
}

ByteVec MasterOf(uint32_t id, const std::vector<ByteVec>& children) {
    ByteVec data;
    for (const auto& c : children) data.insert(data.end(), c.begin(), c.end());
    return Element(id, data);
}

ByteVec Master(uint32_t id, std::initializer_list<ByteVec> children) { return MasterOf(id, children); }

ByteVec UnknownSizeMaster(uint32_t id, const std::vector<ByteVec>& children) {
    ByteVec out = IdBytes(id);
    const ByteVec unknown = {0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    out.insert(out.end(), unknown.begin(), unknown.end());
    for (const auto& c : children) out.insert(out.end(), c.begin(), c.end());
    return out;
}

ByteVec Uint(uint32_t id, uint64_t value) {
    ByteVec data;
    do {
        data.insert(data.begin(), static_cast<uint8_t>(value & 0xFF));
        value >>= 8;
    } while (value);
    return Element(id, data);
}

ByteVec Int(uint32_t id, int64_t value) {
    ByteVec data;
    for (int shift = 56; shift >= 0; shift -= 8) data.push_back(static_cast<uint8_t>(value >> shift));
    // Drop leading bytes that only repeat the sign.
    while (data.size() > 1 && ((data[0] == 0x00 && !(data[1] & 0x80)) || (data[0] == 0xFF && (data[1] & 0x80))))
        data.erase(data.begin());
    return Element(id, data);
}

ByteVec Str(uint32_t id, const std::string& text) { return Element(id, ByteVec(text.begin(), text.end())); }

ByteVec Float(uint32_t id, double value) {
    uint64_t bits;
    std::memcpy(&bits, &value, 8);
    ByteVec data(8);
    for (int i = 0; i < 8; ++i) data[i] = static_cast<uint8_t>(bits >> (56 - 8 * i));
    return Element(id, data);
}

ByteVec Binary(uint32_t id, const ByteVec& bytes) { return Element(id, bytes); }

ByteVec BlockPayload(uint64_t track, int16_t timecode, uint8_t flags, const ByteVec& rest) {
    ByteVec out = SizeField(track);
    out.push_back(static_cast<uint8_t>(static_cast<uint16_t>(timecode) >> 8));
    out.push_back(static_cast<uint8_t>(timecode & 0xFF));
    out.push_back(flags);
    out.insert(out.end(), rest.begin(), rest.end());
    return out;
}

ByteVec SimpleBlock(uint64_t track, int16_t timecode, uint8_t flags, const ByteVec& rest) {
    return Element(0xA3, BlockPayload(track, timecode, flags, rest));
}

ByteVec Frame(size_t size, uint8_t fill) { return ByteVec(size, fill); }

ByteVec InfoMaster(const std::vector<ByteVec>& children) {
    std::vector<ByteVec> all = children;
    const auto has = [&](uint32_t id) {
        const ByteVec head = IdBytes(id);
        for (const ByteVec& c : children)
            if (c.size() >= head.size() && std::equal(head.begin(), head.end(), c.begin())) return true;
        return false;
    };
    if (!has(0x4D80)) all.push_back(Str(0x4D80, "test"));
    if (!has(0x5741)) all.push_back(Str(0x5741, "test"));
    return MasterOf(0x1549A966, all);
}

ByteVec EbmlHeader() {
    return Master(0x1A45DFA3, {Uint(0x4286, 1), Uint(0x42F7, 1), Uint(0x42F2, 4), Uint(0x42F3, 8),
                               Str(0x4282, "matroska"), Uint(0x4287, 4), Uint(0x4285, 2)});
}

ByteVec MatroskaFile(const std::vector<ByteVec>& segmentChildren) {
    return Cat({EbmlHeader(), MasterOf(0x18538067, segmentChildren)});
}

ByteVec TrackEntry(uint64_t number, uint64_t type, const std::string& codec, const std::vector<ByteVec>& extra) {
    std::vector<ByteVec> children = {Uint(0xD7, number), Uint(0x73C5, number * 1000 + 7), Uint(0x83, type),
                                     Str(0x86, codec)};
    children.insert(children.end(), extra.begin(), extra.end());
    return MasterOf(0xAE, children);
}

TempFile::TempFile(const ByteVec& bytes, const std::string& suffix) {
    const char* dir = std::getenv("TMPDIR");
    std::string pattern = std::string(dir && *dir ? dir : "/tmp") + "/quillon-test-XXXXXX" + suffix;
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkstemps(name.data(), static_cast<int>(suffix.size()));
    if (fd < 0) throw std::runtime_error("cannot create a temporary file");
    path_ = name.data();
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    ::close(fd);
}

TempFile::~TempFile() { std::remove(path_.c_str()); }

}  // namespace quillon::test
