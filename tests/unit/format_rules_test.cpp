// The container check as a validator: one small file per rule the format
// sets, each with one line saying what is wrong in it, and the finding (rule
// and severity) the check must report for it; a valid file reports nothing.
#include <gtest/gtest.h>

#include <set>

#include "core/crc32.h"
#include "core/generated/element_ids.h"
#include "support/scan_helpers.h"

namespace quillon::test {
namespace {

ByteVec Info(std::vector<ByteVec> extra = {}) {
    extra.insert(extra.begin(), Uint(kTimecodeScale, 1000000));
    return InfoMaster(extra);
}
ByteVec Tracks() { return Master(kTracks, {TrackEntry(1, 2, "A_AC3")}); }
ByteVec Block(int16_t tc, uint64_t track = 1) { return SimpleBlock(track, tc, 0x80, Frame(8)); }
ByteVec Cluster(uint64_t time, std::vector<ByteVec> children) {
    children.insert(children.begin(), Uint(kTimeCode, time));
    return MasterOf(kCluster, children);
}
ByteVec Body() { return Cat({Info(), Tracks(), Cluster(0, {Block(0), Block(32)})}); }

// An EBML header of the given children (DocType "matroska" and the versions unless given).
ByteVec Header(const std::vector<ByteVec>& children) { return MasterOf(kEBML, children); }
ByteVec File(const ByteVec& header, const ByteVec& body) { return Cat({header, MasterOf(kSegment, {body})}); }
ByteVec Standard(std::vector<ByteVec> extra) {
    std::vector<ByteVec> c = {Uint(kEBMLVersion, 1), Uint(kEBMLReadVersion, 1), Uint(kEBMLMaxIDLength, 4),
                              Uint(kEBMLMaxSizeLength, 8), Str(kDocType, "matroska"), Uint(kDocTypeVersion, 4),
                              Uint(kDocTypeReadVersion, 2)};
    c.insert(c.end(), extra.begin(), extra.end());
    return Header(c);
}

// A Cluster whose first child is a CRC-32 over the rest of it.
ByteVec ClusterWithCrc(uint64_t time, const std::vector<ByteVec>& blocks, bool right) {
    ByteVec data = Uint(kTimeCode, time);
    for (const ByteVec& b : blocks) data.insert(data.end(), b.begin(), b.end());
    uint32_t crc = Crc32(data.data(), data.size());
    if (!right) crc ^= 1;
    const ByteVec crcElement = Element(kCRC32, {uint8_t(crc), uint8_t(crc >> 8), uint8_t(crc >> 16), uint8_t(crc >> 24)});
    return Cat({IdBytes(kCluster), SizeField(crcElement.size() + data.size()), crcElement, data});
}

struct Case {
    const char* what;  // what is wrong with the file
    ByteVec file;
    Rule rule;
    Severity severity;
};

std::vector<Case> Cases() {
    const ByteVec body = Body();
    const ByteVec head = Cat({Info(), Tracks()});
    // The SeekHead's entry for the Info (2 bytes too far) and a Cue for the first Cluster (a time it has no block at).
    const auto seekHead = [](uint64_t at) { return Master(kSeekHead, {Master(kSeek, {Binary(kSeekID, {0x15, 0x49, 0xA9, 0x66}), Uint(kSeekPosition, at)})}); };
    const ByteVec seek = seekHead(seekHead(0).size() + 2);
    const auto cues = [](uint64_t time, uint64_t at) {
        return Master(kCues, {Master(kCuePoint, {Uint(kCueTime, time), Master(kCueTrackPositions, {Uint(kCueTrack, 1), Uint(kCueClusterPosition, at)})})});
    };
    const ByteVec cluster = Cluster(0, {Block(0), Block(32)});
    const ByteVec valid = File(Standard({}), body);
    ByteVec cutAtBoundary = Cat({Standard({}), IdBytes(kSegment), SizeField(body.size() + 100, 8), body});
    return {
        {"a Cluster's CRC-32 does not match its data", File(Standard({}), Cat({head, ClusterWithCrc(0, {Block(0)}, false)})), Rule::CrcMismatch, Severity::Error},
        {"a CRC-32 that is not its parent's first child", File(Standard({}), Cat({head, Cluster(0, {Block(0), Element(kCRC32, {0, 0, 0, 0})})})), Rule::CrcNotFirst, Severity::Warning},
        {"EBMLReadVersion 2 above EBMLVersion 1", File(Header({Uint(kEBMLVersion, 1), Uint(kEBMLReadVersion, 2), Str(kDocType, "matroska")}), body), Rule::EbmlReadVersion, Severity::Error},
        {"EBMLVersion 2", File(Header({Uint(kEBMLVersion, 2), Str(kDocType, "matroska")}), body), Rule::EbmlVersion, Severity::Warning},
        {"DocTypeReadVersion 4 above DocTypeVersion 2", File(Header({Str(kDocType, "matroska"), Uint(kDocTypeVersion, 2), Uint(kDocTypeReadVersion, 4)}), body), Rule::DocTypeReadVersion, Severity::Warning},
        {"EBMLMaxIDLength 8", File(Header({Uint(kEBMLMaxIDLength, 8), Str(kDocType, "matroska")}), body), Rule::EbmlMaxIdLength, Severity::Warning},
        {"EBMLMaxSizeLength 9", File(Header({Uint(kEBMLMaxSizeLength, 9), Str(kDocType, "matroska")}), body), Rule::EbmlMaxSizeLength, Severity::Warning},
        {"EBMLMaxIDLength 3, and the Segment's ID is 4 bytes long", File(Header({Uint(kEBMLMaxIDLength, 3), Str(kDocType, "matroska")}), body), Rule::IdTooLong, Severity::Warning},
        {"EBMLMaxSizeLength 4, and the Segment's size field is 8 bytes long",
         Cat({Header({Uint(kEBMLMaxSizeLength, 4), Str(kDocType, "matroska")}), IdBytes(kSegment), SizeField(body.size(), 8), body}), Rule::SizeTooLong, Severity::Warning},
        {"no DocType", File(Header({Uint(kEBMLVersion, 1)}), body), Rule::DocTypeMissing, Severity::Warning},
        {"an empty DocType", File(Header({Str(kDocType, "")}), body), Rule::DocTypeMissing, Severity::Warning},
        {"a DocType no reader of this kind knows", File(Header({Str(kDocType, "mp4")}), body), Rule::DocTypeUnknown, Severity::Error},
        {"DocType twice with different values", File(Header({Str(kDocType, "matroska"), Str(kDocType, "webm")}), body), Rule::ConflictingValues, Severity::Error},
        {"DocType twice with the same value", File(Header({Str(kDocType, "matroska"), Str(kDocType, "matroska")}), body), Rule::TooMany, Severity::Warning},
        {"FlagDefault 2: a flag is 0 or 1", File(Standard({}), Cat({Info(), Master(kTracks, {TrackEntry(1, 2, "A_AC3", {Uint(kFlagDefault, 2)})}), cluster})), Rule::OutOfRange, Severity::Warning},
        {"TrackNumber 0", File(Standard({}), Cat({Info(), Master(kTracks, {TrackEntry(0, 2, "A_AC3"), TrackEntry(1, 2, "A_AC3")}), cluster})), Rule::OutOfRange, Severity::Warning},
        {"Duration 0: it must be above 0", File(Standard({}), Cat({Info({Float(kDuration, 0)}), Tracks(), cluster})), Rule::OutOfRange, Severity::Warning},
        {"a CodecID with a byte outside ASCII", File(Standard({}), Cat({Info(), Master(kTracks, {TrackEntry(1, 2, "A_AC\xC3")}), cluster})), Rule::NotAscii, Severity::Warning},
        {"a Title that is not UTF-8 (a cut sequence)", File(Standard({}), Cat({Info({Str(kTitle, "Film \xD0")}), Tracks(), cluster})), Rule::NotUtf8, Severity::Warning},
        {"a SegmentUID of 15 bytes", File(Standard({}), Cat({Info({Binary(kSegmentUID, ByteVec(15, 7))}), Tracks(), cluster})), Rule::BinaryLength, Severity::Warning},
        {"Tracks of unknown size", File(Standard({}), Cat({Info(), UnknownSizeMaster(kTracks, {TrackEntry(1, 2, "A_AC3")}), cluster})), Rule::UnknownSizeNotAllowed, Severity::Warning},
        {"an unknown ID written longer than it needs (0x4001 for 0x81)",
         File(Standard({}), Cat({Info(), Master(kTracks, {TrackEntry(1, 2, "A_AC3", {Uint(0x4001, 1)})}), cluster})), Rule::IdNotShortest, Severity::Warning},
        {"a TrackEntry without TrackNumber", File(Standard({}), Cat({Info(), Master(kTracks, {Master(kTrackEntry, {Uint(kTrackUID, 5), Uint(kTrackType, 2), Str(kCodecID, "A_AC3")})}), cluster})), Rule::MissingEssential, Severity::Error},
        {"an Info without MuxingApp", File(Standard({}), Cat({Master(kInfo, {Uint(kTimecodeScale, 1000000), Str(kWritingApp, "x")}), Tracks(), cluster})), Rule::MissingElement, Severity::Warning},
        {"a SeekHead entry 2 bytes past the Info", File(Standard({}), Cat({seek, head, cluster})), Rule::SeekTarget, Severity::Error},
        {"a CuePoint at a time the Cluster has no block at", File(Standard({}), Cat({head, cluster, cues(16, head.size())})), Rule::CueTarget, Severity::Error},
        {"a CuePoint at a place where no Cluster starts", File(Standard({}), Cat({head, cluster, cues(0, head.size() + 1)})), Rule::CueTarget, Severity::Error},
        {"a block of track 5, which no TrackEntry has", File(Standard({}), Cat({head, Cluster(0, {Block(0), Block(32, 5)})})), Rule::BlockWithoutTrack, Severity::Error},
        {"a fixed-laced block whose data do not divide into its 4 frames",
         File(Standard({}), Cat({head, Cluster(0, {SimpleBlock(1, 0, 0x84, Cat({ByteVec{0x03}, Frame(1001)}))})})), Rule::BadBlockHeader, Severity::Error},
        {"a file cut at an element's end, shorter than its Segment says", cutAtBoundary, Rule::SegmentPastFile, Severity::Error},
        {"a Segment of size 0", Cat({Standard({}), IdBytes(kSegment), SizeField(0, 8), body}), Rule::SegmentSizeZero, Severity::Warning},
    };
}

TEST(FormatRules, EachBrokenRuleIsFoundWithItsSeverity) {
    for (const Case& c : Cases()) {
        SCOPED_TRACE(c.what);
        Scanned s;
        ScanBytes(c.file, ScanKind::Full, s);
        EXPECT_EQ(s.outcome.result, ScanResult::StructureError);
        std::set<std::string> found;
        bool named = false;
        for (const Finding& f : s.outcome.findings.items()) {
            found.insert(RuleName(f.rule));
            if (f.rule == c.rule) {
                named = true;
                EXPECT_EQ(f.severity, c.severity);
            }
        }
        EXPECT_TRUE(named) << RuleName(c.rule) << " not among " << ::testing::PrintToString(found);
        EXPECT_FALSE(s.host.HasLine("• ошибки контейнера не обнаружены"));
    }
}

TEST(FormatRules, AValidFileRaisesNothing) {
    const ByteVec head = Cat({Info(), Tracks()});
    const auto seekHead = [](uint64_t at) { return Master(kSeekHead, {Master(kSeek, {Binary(kSeekID, {0x15, 0x49, 0xA9, 0x66}), Uint(kSeekPosition, at)})}); };
    const ByteVec seek = seekHead(seekHead(0).size());
    const ByteVec cluster = ClusterWithCrc(0, {Block(0), Block(32)}, true);
    const uint64_t clusterAt = seek.size() + head.size();
    const ByteVec cues = Master(kCues, {Master(kCuePoint, {Uint(kCueTime, 32), Master(kCueTrackPositions, {Uint(kCueTrack, 1), Uint(kCueClusterPosition, clusterAt)})})});
    for (const ScanKind kind : {ScanKind::Full, ScanKind::Quick}) {
        Scanned s;
        ScanBytes(File(Standard({}), Cat({seek, head, cluster, cues})), kind, s);
        EXPECT_EQ(s.outcome.result, ScanResult::Ok);
        EXPECT_TRUE(s.outcome.findings.empty());
        EXPECT_TRUE(s.host.HasLine("• ошибки контейнера не обнаружены"));
    }
}

}  // namespace
}  // namespace quillon::test
