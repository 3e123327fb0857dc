// The in-place header editor on small files built to put each master in a
// room of a chosen size: written in its room or moved behind the Clusters,
// the file read back clean by the full scan and the header read, the Clusters
// untouched; interrupted after each write, the file reads with the old or the
// new values; what must not be edited is refused and left byte for byte.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "core/crc32.h"
#include "core/file_io.h"
#include "core/generated/element_ids.h"
#include "edit/header_edit.h"
#include "edit/master_rewrite.h"
#include "support/scan_helpers.h"

namespace quillon::test {
namespace {

ByteVec ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return ByteVec(std::istreambuf_iterator<char>(in), {});
}

ByteVec Joined(const std::vector<ByteVec>& parts) {
    ByteVec all;
    for (const ByteVec& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

// A Void of exactly `total` bytes (nothing when 0).
ByteVec VoidOf(size_t total) {
    if (total == 0) return {};
    return total <= 128 ? Element(kVoid, ByteVec(total - 2)) : Element(kVoid, ByteVec(total - 3), 2);
}

ByteVec SeekOf(uint32_t id, uint64_t position) {
    ByteVec eight(8);
    for (int k = 0; k < 8; ++k) eight[7 - k] = uint8_t(position >> (8 * k));
    return Master(kSeek, {Binary(kSeekID, IdBytes(id)), Element(kSeekPosition, eight)});
}

ByteVec WithCrc(uint32_t id, const std::vector<ByteVec>& children) {
    const ByteVec body = Joined(children);
    const uint32_t crc = Crc32(body.data(), body.size());
    const ByteVec crcElement = Element(kCRC32, ByteVec{uint8_t(crc), uint8_t(crc >> 8), uint8_t(crc >> 16), uint8_t(crc >> 24)});
    return Element(id, Cat({crcElement, body}));
}

struct Rooms {
    size_t afterSeekHead = 60;  // Void bytes behind each master (0: none)
    size_t afterInfo = 0;
    size_t afterTracks = 0;
    bool seekHead = true;
    bool infoBehindClusters = false;  // Info far behind a large Cluster, as a moved Info stands
    // Info listed by a second SeekHead behind the Cluster (the front one lists
    // that one), as another editor leaves it; with this much Void behind it.
    bool laterSeekHead = false;
    size_t afterLaterSeekHead = 0;
    std::string title = "Old title";
    ByteVec trailing = {};            // bytes after the Segment
};

ByteVec Tracks() {
    return WithCrc(kTracks, {TrackEntry(1, 1, "V_TEST", {Master(kVideo, {Uint(kPixelWidth, 640), Uint(kPixelHeight, 480)})}),
                             TrackEntry(2, 2, "A_TEST", {Str(kLanguage, "eng"), Master(kAudio, {Float(kSamplingFrequency, 48000), Uint(kChannels, 2)})}),
                             TrackEntry(3, 17, "S_TEXT/UTF8", {Str(kLanguage, "rus"), Uint(kFlagDefault, 0)})});
}

ByteVec Cluster(size_t videoFrame) {
    return Master(kCluster, {Uint(kTimeCode, 0), SimpleBlock(1, 0, 0x80, Frame(videoFrame)), SimpleBlock(2, 0, 0x80, Frame(60)),
                             SimpleBlock(3, 0, 0x80, Frame(10))});
}

ByteVec EditFixture(const Rooms& r) {
    const ByteVec info = InfoMaster({Uint(kTimecodeScale, 1000000), Str(kTitle, r.title)});
    const ByteVec tracks = Tracks();
    const ByteVec cluster = Cluster(r.infoBehindClusters ? (1u << 20) + 4096 : 200);
    auto seekHead = [&](uint64_t infoAt, uint64_t tracksAt, uint64_t laterAt) {
        if (!r.seekHead) return ByteVec{};
        if (r.laterSeekHead) return Master(kSeekHead, {SeekOf(kTracks, tracksAt), SeekOf(kSeekHead, laterAt)});
        return Master(kSeekHead, {SeekOf(kInfo, infoAt), SeekOf(kTracks, tracksAt)});
    };
    const size_t front = seekHead(0, 0, 0).size() + r.afterSeekHead;
    uint64_t infoAt = 0, tracksAt = 0;
    std::vector<ByteVec> children;
    if (r.infoBehindClusters) {
        tracksAt = front;
        infoAt = tracksAt + tracks.size() + r.afterTracks + cluster.size();
        children = {seekHead(infoAt, tracksAt, 0), VoidOf(r.afterSeekHead), tracks, VoidOf(r.afterTracks), cluster, info,
                    VoidOf(r.afterInfo)};
    } else {
        infoAt = front;
        tracksAt = infoAt + info.size() + r.afterInfo;
        const uint64_t laterAt = tracksAt + tracks.size() + r.afterTracks + cluster.size();
        children = {seekHead(infoAt, tracksAt, laterAt), VoidOf(r.afterSeekHead), info, VoidOf(r.afterInfo), tracks,
                    VoidOf(r.afterTracks), cluster};
        if (r.laterSeekHead) {
            children.push_back(Master(kSeekHead, {SeekOf(kInfo, infoAt)}));
            children.push_back(VoidOf(r.afterLaterSeekHead));
        }
    }
    return Cat({EbmlHeader(), Element(kSegment, Joined(children), 8), r.trailing});
}

PropertyEdit Set(const char* property, const std::string& value, const char* selector = nullptr) {
    PropertyEdit edit;
    edit.property = FindHeaderProperty(property);
    edit.info = selector == nullptr;
    if (selector) {
        edit.selector = *ParseTrackSelector(selector);
        edit.selectorText = selector;
    }
    edit.values = std::get<std::vector<PropertyBytes>>(ParsePropertyValue(*edit.property, value));
    return edit;
}

PropertyEdit Delete(const char* property, const char* selector) {
    PropertyEdit edit = Set(property, "0", nullptr);
    if (edit.property->kind != PropertyKind::Flag) edit.values.clear();
    edit.info = false;
    edit.selector = *ParseTrackSelector(selector);
    edit.selectorText = selector;
    edit.remove = true;
    return edit;
}

std::string Lines(const CaptureHost& host) {
    std::string all;
    for (const std::string& line : host.lines) all += line + "\n";
    return all;
}

// The value of the first row of that name as the scan read it.
std::string TextOf(const tabrick& list, const char* name) {
    const int row = RowNamed(list, name);
    return row < 0 ? "<none>" : list[size_t(row)].bytes;
}

// What the two readers of the file see: the full scan (which also reads
// what stands past the Segment's stated end) and the header read (which
// follows the SeekHead past the Clusters). Each finds the Tracks and a
// title; the full scan finds no error, and with `clean` nothing at all.
struct Seen {
    std::string fullTitle, headerTitle;
};
Seen ReadBack(const std::string& path, bool clean = true) {
    Scanned full, header;
    ScanBytes(ReadAll(path), ScanKind::Full, full);
    ScanBytes(ReadAll(path), ScanKind::Header, header);
    EXPECT_EQ(full.outcome.findings.errors(), 0u) << Lines(full.host);
    if (clean) {
        EXPECT_EQ(full.outcome.result, ScanResult::Ok) << Lines(full.host);
    }
    EXPECT_GE(RowNamed(header.list, "Tracks"), 0);
    return {TextOf(full.list, "Title"), TextOf(header.list, "Title")};
}

std::string CleanTitle(const std::string& path) {
    const Seen seen = ReadBack(path);
    EXPECT_EQ(seen.fullTitle, seen.headerTitle);
    return seen.fullTitle;
}

TEST(HeaderEdit, WritesTheMasterWhereItsRoomAllows) {
    const std::string longTitle(300, 'L');
    struct Case {
        const char* why;
        Rooms rooms;
        std::string title;
        bool moved;
    };
    const Case cases[] = {
        {"the same length: in place, nothing else touched", {}, "New title", false},
        {"longer, into the Void behind it", {.afterInfo = 40}, "A longer new title!!", false},
        {"one byte shorter: the size field widens (a Void needs two)", {}, "Old titl", false},
        {"shorter by more: a Void takes the rest", {}, "Short", false},
        {"too long for its room: moved behind the Clusters", {}, longTitle, true},
        {"the SeekHead without room for the entry moves too", {.afterSeekHead = 0}, longTitle, true},
        {"an unknown-size Segment", {}, longTitle, true},
        {"a SeekHead behind the Cluster lists Info: rewritten in its room", {.laterSeekHead = true, .afterLaterSeekHead = 20}, longTitle, true},
        {"a SeekHead behind the Cluster lists Info: moved too", {.laterSeekHead = true}, longTitle, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        ByteVec bytes = EditFixture(c.rooms);
        if (std::string(c.why).find("unknown-size") != std::string::npos) {
            const size_t sizeAt = EbmlHeader().size() + 4;
            for (int k = 0; k < 8; ++k) bytes[sizeAt + size_t(k)] = k == 0 ? 0x01 : 0xFF;
        }
        TempFile file(bytes);
        const HeaderEditResult result = EditHeaders(file.path(), {Set("title", c.title)});
        ASSERT_TRUE(result.ok) << result.refusal.key << result.refusal.detail;
        EXPECT_EQ(result.mastersMoved, c.moved ? 1 : 0);
        const ByteVec after = ReadAll(file.path());
        EXPECT_EQ(after.size() == bytes.size(), !c.moved);
        EXPECT_EQ(CleanTitle(file.path()), c.title);
        // The Cluster never moves or changes.
        const ByteVec cluster = Cluster(200);
        const auto at = std::search(bytes.begin(), bytes.end(), cluster.begin(), cluster.end()) - bytes.begin();
        ASSERT_LE(size_t(at) + cluster.size(), after.size());
        EXPECT_TRUE(std::equal(cluster.begin(), cluster.end(), after.begin() + at));
    }
}

TEST(HeaderEdit, TrackPropertiesBySelectorKeepTheCrcTrue) {
    TempFile file(EditFixture({.afterTracks = 8}));
    const HeaderEditResult result = EditHeaders(
        file.path(), {Set("language", "jpn", "a1"), Set("flag-forced", "1", "s1"), Set("display-width", "853", "v1"),
                      Delete("flag-default", "s1"), Set("colour-range", "1", "1"), Set("name", "Signs & Songs", "3")});
    ASSERT_TRUE(result.ok) << result.refusal.key << result.refusal.detail;
    Scanned full;
    ScanBytes(ReadAll(file.path()), ScanKind::Full, full);
    EXPECT_EQ(full.outcome.result, ScanResult::Ok) << Lines(full.host);  // the CRC-32 of Tracks was computed afresh
    EXPECT_EQ(TextOf(full.list, "Language"), "jpn");
    EXPECT_EQ(TextOf(full.list, "LanguageBCP47"), "ja");
    EXPECT_EQ(TextOf(full.list, "Name"), "Signs & Songs");
    EXPECT_EQ(full.list[size_t(RowNamed(full.list, "DisplayWidth"))].Unsigned(), 853u);
    EXPECT_EQ(full.list[size_t(RowNamed(full.list, "Range"))].Unsigned(), 1u);
    EXPECT_EQ(full.list[size_t(RowNamed(full.list, "FlagForced"))].Unsigned(), 1u);
    EXPECT_LT(RowNamed(full.list, "FlagDefault"), 0);  // deleted: the schema's default applies
}

// The edit stopped after each of its writes (the disk full, the power gone):
// every reader reads the file with either the old title or the new one,
// never without one.
TEST(HeaderEdit, InterruptedAfterEachWriteReadsOldOrNew) {
    const std::string oldTitle = "Old title", newTitle(300, 'N');
    struct Case {
        const char* why;
        Rooms rooms;
        int writes;  // what the whole edit takes
    };
    const Case cases[] = {
        {"moved, the SeekHead switched with the old master voided in one write", {}, 2},
        {"moved with the SeekHead", {.afterSeekHead = 0}, 2},
        // The old master is too far from the SeekHead for one write: for a
        // moment the file holds both, and the SeekHead points to the new one.
        {"moved from far behind the Clusters", {.infoBehindClusters = true}, 3},
        // A SeekHead behind the Cluster lists Info: it is rewritten (or moved)
        // after the switch, then the old places become Voids.
        {"a SeekHead behind rewritten in its room", {.laterSeekHead = true, .afterLaterSeekHead = 20}, 4},
        {"a SeekHead behind moved", {.laterSeekHead = true}, 4},
    };
    for (const Case& c : cases) {
        for (int failing = 1; failing <= c.writes + 1; ++failing) {
            SCOPED_TRACE(std::string(c.why) + ", write " + std::to_string(failing) + " fails");
            TempFile file(EditFixture(c.rooms));
            InjectFileFault(FileOp::Write, failing, EIO);
            const HeaderEditResult result = EditHeaders(file.path(), {Set("title", newTitle)});
            InjectFileFault(FileOp::Write, 0, 0);
            EXPECT_EQ(result.ok, failing > c.writes);
            if (!result.ok) {
                EXPECT_EQ(result.error, EIO);
            }
            const bool between = failing > 1 && failing <= c.writes;
            const Seen seen = ReadBack(file.path(), !between);
            for (const std::string& title : {seen.fullTitle, seen.headerTitle}) {
                if (failing == 1) EXPECT_EQ(title, oldTitle);  // nothing written
                else if (!between) EXPECT_EQ(title, newTitle);
                else EXPECT_TRUE(title == oldTitle || title == newTitle) << title;
            }
        }
    }
}

// An Attachments master the file lacks is added behind the Cluster and
// listed from the SeekHead; dropping its last file makes it a Void, its
// entry gone first. Stopped after any write, the file reads whole, with
// the attachment or without it.
TEST(HeaderEdit, AttachmentsAddedAndRemovedWholeAtEveryInstant) {
    TempFile picture(ByteVec(3000, 0x5A), ".bin");
    const AttachmentEdit add{AttachmentEdit::Add, 0, picture.path(), "cover.bin", "application/octet-stream"};
    const AttachmentEdit drop{AttachmentEdit::Drop, 1, {}, {}, {}};
    auto attachedFiles = [](const std::string& path) {
        Scanned full;
        ScanBytes(ReadAll(path), ScanKind::Full, full);
        EXPECT_EQ(full.outcome.findings.errors(), 0u) << Lines(full.host);
        int files = 0;
        for (size_t k = 0; k < full.list.size(); ++k) files += std::string(full.list[k].name()) == "FileData";
        return files;
    };
    ByteVec withAttachment;
    for (int failing = 1; failing <= 3; ++failing) {
        SCOPED_TRACE("adding, write " + std::to_string(failing) + " fails");
        TempFile file(EditFixture({}));
        InjectFileFault(FileOp::Write, failing, EIO);
        const HeaderEditResult result = EditHeaders(file.path(), {}, {add});
        InjectFileFault(FileOp::Write, 0, 0);
        EXPECT_EQ(result.ok, failing == 3);
        EXPECT_EQ(attachedFiles(file.path()), failing == 3 ? 1 : 0);
        if (result.ok) withAttachment = ReadAll(file.path());
    }
    ASSERT_FALSE(withAttachment.empty());
    for (int failing = 1; failing <= 3; ++failing) {
        SCOPED_TRACE("dropping the last, write " + std::to_string(failing) + " fails");
        TempFile file(withAttachment);
        InjectFileFault(FileOp::Write, failing, EIO);
        const HeaderEditResult result = EditHeaders(file.path(), {}, {drop});
        InjectFileFault(FileOp::Write, 0, 0);
        EXPECT_EQ(result.ok, failing == 3);
        EXPECT_EQ(attachedFiles(file.path()), failing <= 2 ? 1 : 0);
    }
}

TEST(HeaderEdit, RefusesWhatItMustNotTouchAndLeavesItAlone) {
    struct Case {
        const char* why;
        ByteVec bytes;
        std::vector<PropertyEdit> edits;
    };
    ByteVec badCrc = EditFixture({});
    const ByteVec tracks = Tracks();
    const size_t tracksAt = size_t(std::search(badCrc.begin(), badCrc.end(), tracks.begin(), tracks.end()) - badCrc.begin());
    badCrc[tracksAt + tracks.size() - 1] ^= 0x20;  // a byte of the last TrackEntry, under the CRC
    ByteVec cutChild = EditFixture({});
    cutChild[tracksAt + 4 + 1 + 6 + 1] = 0xFF;  // the first TrackEntry claims more than Tracks holds
    ByteVec noSize = EditFixture({});  // a Segment whose size was never written: 0
    for (int k = 0; k < 8; ++k) noSize[EbmlHeader().size() + 4 + size_t(k)] = k == 0 ? 0x01 : 0x00;
    ByteVec cutFile = EditFixture({});
    cutFile.resize(cutFile.size() - 10);
    const std::vector<PropertyEdit> title = {Set("title", std::string(300, 'x'))};
    const Case cases[] = {
        {"a CRC-32 that does not match", badCrc, {Set("flag-forced", "1", "s1")}},
        {"a child past its master's end", cutChild, {Set("flag-forced", "1", "s1")}},
        {"no SeekHead", EditFixture({.seekHead = false}), title},
        {"another file glued behind the Segment", EditFixture({.trailing = EditFixture({})}), title},
        {"a cut file", cutFile, title},
        {"a Segment of size 0", noSize, title},
        {"a selector that names no track", EditFixture({}), {Set("flag-forced", "1", "a2")}},
        {"a video property of an audio track", EditFixture({}), {Set("display-width", "100", "a1")}},
        {"a track property for the file", EditFixture({}), {Set("title", "x", "1")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        TempFile file(c.bytes);
        const HeaderEditResult result = EditHeaders(file.path(), c.edits);
        EXPECT_FALSE(result.ok);
        EXPECT_NE(result.refusal.key, nullptr);
        EXPECT_EQ(ReadAll(file.path()), c.bytes);
    }
    const HeaderEditResult folder = EditHeaders(std::filesystem::temp_directory_path().string(), title);
    EXPECT_FALSE(folder.ok);
    EXPECT_EQ(folder.error, EISDIR);
}

TEST(HeaderEdit, AFileChangedDuringTheEditIsLeftAsTheOtherProgramLeftIt) {
    TempFile file(EditFixture({}));
    MasterRewriter rewriter;
    ASSERT_FALSE(rewriter.Open(file.path()));
    std::optional<EbmlNode> info;
    ASSERT_FALSE(rewriter.ReadMaster(kInfo, info));
    info->SetChild(kTitle, ByteVec{'N', 'e', 'w'});
    {
        std::fstream other(file.path(), std::ios::in | std::ios::out | std::ios::binary);
        other.seekp(-1, std::ios::end);
        other.put('\x01');  // another program writes a byte of the Cluster
    }
    const ByteVec changed = ReadAll(file.path());
    bool moved = false;
    const std::optional<RewriteFailure> failure = rewriter.Rewrite(kInfo, *info, moved);
    ASSERT_TRUE(failure);
    EXPECT_STREQ(failure->key, "файл изменился во время правки, он не тронут: ");
    EXPECT_EQ(ReadAll(file.path()), changed);
}

}  // namespace
}  // namespace quillon::test
