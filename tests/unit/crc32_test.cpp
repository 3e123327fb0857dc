#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "core/crc32.h"

namespace quillon::test {
namespace {

TEST(Crc32, KnownValue) {
    const std::string text = "123456789";
    EXPECT_EQ(Crc32(reinterpret_cast<const uint8_t*>(text.data()), text.size()), 0xCBF43926u);
}

// The folded computation gives zlib's value for every length and alignment,
// also when a CRC is carried on over several pieces.
TEST(Crc32, FoldedEqualsTheReferenceForEveryLengthAndAlignment) {
    std::mt19937 random(7);
    std::vector<uint8_t> data(5000);
    for (uint8_t& b : data) b = static_cast<uint8_t>(random());
    for (size_t offset = 0; offset < 16; ++offset) {
        for (size_t size = 0; size + offset <= 300; ++size)
            ASSERT_EQ(Crc32(data.data() + offset, size), ReferenceCrc32(data.data() + offset, size)) << offset << " " << size;
    }
    const uint32_t whole = ReferenceCrc32(data.data(), data.size());
    EXPECT_EQ(Crc32(data.data(), data.size()), whole);
    EXPECT_EQ(Crc32(data.data() + 1777, data.size() - 1777, Crc32(data.data(), 1777)), whole);
}

}  // namespace
}  // namespace quillon::test
