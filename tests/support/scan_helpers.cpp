#include "support/scan_helpers.h"

#include <set>

#include <gtest/gtest.h>

#include "core/source_file.h"

namespace quillon::test {

void ScanBytes(const ByteVec& bytes, ScanKind kind, Scanned& out) {
    TempFile file(bytes);
    SourceFile source;
    if (!source.Open(file.path())) throw std::runtime_error("cannot open " + file.path());
    if (kind == ScanKind::Header) {
        out.outcome = ReadTracks(source, out.host, out.list);
    } else {
        out.outcome = ReadStruct(source, out.host, out.list, kind == ScanKind::Full);
    }
}

std::vector<std::string> Outline(const tabrick& list) {
    std::vector<std::string> names;
    for (size_t i = 0; i < list.size(); ++i)
        names.push_back(std::string(static_cast<size_t>(list[i].depth), '.') + list[i].name());
    return names;
}

void ExpectWellFormed(const tabrick& list) {
    std::set<uint64_t> positions;
    std::vector<uint64_t> lastEnd(list.size(), 0);  // of each parent's previous child
    for (size_t i = 0; i < list.size(); ++i) {
        const Tbrick& row = list[i];
        EXPECT_TRUE(positions.insert(row.position).second || row.element == Tbrick::kPseudoClusters)
            << "row " << i << " (" << row.name() << ") at " << row.position << " is listed twice";
        if (row.parent < 0) {
            EXPECT_EQ(row.depth, 0) << "row " << i;
            continue;
        }
        ASSERT_LT(static_cast<size_t>(row.parent), i) << "row " << i << " comes before its parent";
        const Tbrick& parent = list[row.parent];
        EXPECT_EQ(row.depth, parent.depth + 1) << "row " << i;
        EXPECT_GE(row.position, parent.dataStart()) << "row " << i << " (" << row.name() << ") starts before its parent's data";
        EXPECT_GE(row.position, lastEnd[row.parent]) << "row " << i << " (" << row.name() << ") overlaps its previous sibling";
        if (row.element != Tbrick::kPseudoClusters) {
            EXPECT_LE(row.end(), parent.end()) << "row " << i << " (" << row.name() << ") ends past its parent "
                                               << parent.name();
            lastEnd[row.parent] = row.end();
        }
        EXPECT_EQ(row.dataSize + row.idLength() + row.sizeLen, row.element == Tbrick::kPseudoClusters ? row.dataSize : row.totalSize)
            << "row " << i;
    }
}

int RowNamed(const tabrick& list, const std::string& name, int from) {
    for (size_t i = static_cast<size_t>(from); i < list.size(); ++i)
        if (name == list[i].name()) return static_cast<int>(i);
    return -1;
}

}  // namespace quillon::test
