#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

#include "core/ebml.h"
#include "core/generated/element_ids.h"
#include "dump/dump_source.h"
#include "dump/hex_dump.h"
#include "reader/open_file.h"
#include "support/scan_helpers.h"

namespace quillon::test {
namespace {

ByteVec ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return ByteVec(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const std::string& path, const ByteVec& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
}

struct Opened {
    TempFile file{MatroskaFile({InfoMaster({Uint(0x2AD7B1, 1000000), Str(kTitle, "title")}),
                                Master(kTracks, {TrackEntry(1, 2, "A_AC3", {Str(kLanguage, "eng")})})})};
    Document doc;
    CaptureHost host;
    Opened() {
        doc.sourcePath = file.path();
        ReadHeader(doc, host);
    }
};

TEST(DumpSource, ElementBytesAreThoseTheScanFound) {
    Opened o;
    const int row = RowNamed(o.doc.lista, "Info");
    ASSERT_GE(row, 0);
    const Tbrick& info = o.doc.lista[size_t(row)];
    const ByteVec file = ReadAll(o.file.path());
    std::vector<uint8_t> out;
    ASSERT_EQ(ReadElementBytes(o.doc, size_t(row), kDumpLimit, out), DumpRead::Ok);
    EXPECT_EQ(out, ByteVec(file.begin() + long(info.position), file.begin() + long(info.position + info.totalSize)));
    // The limit cuts the element's bytes, header first.
    ASSERT_EQ(ReadElementBytes(o.doc, size_t(row), 3, out), DumpRead::Ok);
    EXPECT_EQ(out, ByteVec(file.begin() + long(info.position), file.begin() + long(info.position) + 3));
}

// The file changed after the scan: the element's recorded place holds other
// bytes, and the dump must refuse rather than show them as the element.
TEST(DumpSource, ChangedFileIsRefused) {
    struct Case {
        const char* what;
        std::function<void(ByteVec&, const Tbrick&)> change;
    };
    const Case cases[] = {
        {"another ID", [](ByteVec& b, const Tbrick& e) { b[e.position] = 0xEC; }},
        {"another size", [](ByteVec& b, const Tbrick& e) { b[e.position + IdLength(e.id())] ^= 0x01; }},
        {"cut before the element ends", [](ByteVec& b, const Tbrick& e) { b.resize(e.position + 2); }},
        {"cut before the element", [](ByteVec& b, const Tbrick& e) { b.resize(e.position); }},
    };
    for (const Case& c : cases) {
        Opened o;
        const int row = RowNamed(o.doc.lista, "Language");
        ASSERT_GE(row, 0);
        ByteVec bytes = ReadAll(o.file.path());
        c.change(bytes, o.doc.lista[size_t(row)]);
        WriteAll(o.file.path(), bytes);
        std::vector<uint8_t> out{1, 2, 3};
        EXPECT_EQ(ReadElementBytes(o.doc, size_t(row), kDumpLimit, out), DumpRead::Changed) << c.what;
        EXPECT_TRUE(out.empty()) << c.what;
        EXPECT_EQ(ReadAll(o.file.path()), bytes) << c.what << ": the source is never written";
    }
}

TEST(DumpSource, FileReadsAndFailures) {
    Opened o;
    const ByteVec file = ReadAll(o.file.path());
    std::vector<uint8_t> out;
    // Running past the end: fewer bytes; starting past it: none, and said so.
    ASSERT_EQ(ReadFileBytes(o.file.path(), file.size() - 5, 100, out), DumpRead::Ok);
    EXPECT_EQ(out, ByteVec(file.end() - 5, file.end()));
    EXPECT_EQ(ReadFileBytes(o.file.path(), file.size() + 10, 100, out), DumpRead::PastEnd);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(ReadFileBytes(o.file.path(), file.size(), 100, out), DumpRead::PastEnd);
    // A row the list does not have, and a file that is gone.
    EXPECT_EQ(ReadElementBytes(o.doc, o.doc.lista.size(), 100, out), DumpRead::Changed);
    const std::string missing = o.file.path() + ".gone";
    EXPECT_EQ(ReadFileBytes(missing, 0, 100, out), DumpRead::CannotOpen);
    o.doc.sourcePath = missing;
    EXPECT_EQ(ReadElementBytes(o.doc, 0, 100, out), DumpRead::CannotOpen);
}

}  // namespace
}  // namespace quillon::test
