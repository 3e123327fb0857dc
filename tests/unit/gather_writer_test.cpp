// The gather writer: our pieces and runs of the source come out in order and
// byte for byte, whether the runs are dense (read and written in one piece)
// or sparse (written from mapped windows), long or short.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "core/gather_writer.h"
#include "support/ebml_builder.h"

namespace quillon::test {
namespace {

ByteVec Numbered(size_t size) {
    ByteVec bytes(size);
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i * 7 + i / 251);
    return bytes;
}

struct Piece {
    bool fromSource;
    uint64_t offset;  // into the source, for a run
    uint64_t length;
};

ByteVec Gathered(const ByteVec& source, const std::vector<Piece>& pieces, ByteVec& expected) {
    const TempFile in(source);
    const TempFile target({});
    SourceFile file;
    EXPECT_TRUE(file.Open(in.path()));
    OutputFile out;
    EXPECT_TRUE(out.Create(target.path()));
    GatherWriter gather(out, file);
    expected.clear();
    uint8_t own = 0;
    for (const Piece& p : pieces) {
        if (p.fromSource) {
            gather.PutRange(p.offset, p.length);
            expected.insert(expected.end(), source.begin() + static_cast<long>(p.offset),
                            source.begin() + static_cast<long>(p.offset + p.length));
        } else {
            const ByteVec bytes(p.length, ++own);
            gather.Put(bytes.data(), bytes.size());
            expected.insert(expected.end(), bytes.begin(), bytes.end());
        }
        EXPECT_EQ(gather.Position(), expected.size());
    }
    EXPECT_TRUE(gather.Flush());
    EXPECT_TRUE(out.Commit());
    std::ifstream written(target.path(), std::ios::binary);
    return ByteVec(std::istreambuf_iterator<char>(written), {});
}

TEST(GatherWriter, PiecesComeOutInOrder) {
    const ByteVec source = Numbered(12 << 20);
    const uint64_t window = GatherWriter::kWindow;
    const struct {
        const char* what;
        std::vector<Piece> pieces;
    } cases[] = {
        {"dense: blocks one after another, new headers between", {{false, 0, 5}, {true, 10, 3000}, {false, 0, 4}, {true, 3014, 9000}, {false, 0, 2}, {true, 12020, 400000}}},
        {"sparse: one track's frames among others", {{true, 100, 1800}, {true, 900000, 1800}, {false, 0, 7}, {true, 3000000, 1800}, {true, 11000000, 1800}}},
        {"a run longer than a window", {{false, 0, 3}, {true, 4097, 3 * window + 5}, {false, 0, 3}}},
        {"runs going backwards", {{true, 8000000, 5000}, {true, 100, 5000}, {true, 4000000, 5000}}},
        {"many small pieces, more than one flush", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<Piece> pieces = c.pieces;
        if (pieces.empty())
            for (uint64_t k = 0; k < 3000; ++k) pieces.push_back(k % 3 ? Piece{true, k * 3000, 2500} : Piece{false, 0, 6});
        ByteVec expected;
        const ByteVec written = Gathered(source, pieces, expected);
        ASSERT_EQ(written.size(), expected.size());
        EXPECT_TRUE(written == expected);
    }
}

}  // namespace
}  // namespace quillon::test
