// The walk behind both scanners (private to the reader): elements depth
// first, appended in document order, each checked against its parent's end;
// damaged places found, reported, and walked around.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/element_list.h"
#include "core/findings.h"
#include "core/host.h"
#include "core/progress_pacer.h"
#include "core/source_file.h"
#include "reader/crc_verifier.h"
#include "reader/scanner.h"

namespace quillon::scan {

enum class Mode { Quick, Full, Header };

// An element header as read from the file, known to the dictionary or not.
struct Header {
    int row = -1;             // dictionary row; -1 when the ID is not known
    uint32_t id = 0;          // the ID bytes as a number (also for an unknown ID)
    uint32_t idLength = 0;    // 0 when no ID can start here
    uint32_t sizeLength = 0;  // 0 when the size field is broken
    uint64_t size = 0;
    bool unknownSize = false;
    uint64_t length() const { return idLength + sizeLength; }
};

enum class HeaderRead { Ok, BadId, BadSize };

// An element whose children are being read.
struct Frame {
    int32_t row;       // its row; -1 for an element walked without a row
    uint64_t pos;      // where the next child starts
    uint64_t end;      // its end, cut to its parent's end and the file's
    bool unknownSize;  // also ends at the first top-level element
    bool listed;       // its children become rows (otherwise they are only walked to find its end)
};

// Where the walk can go on after a damaged place.
struct Resume {
    enum Kind { None, Level1, Block, Timestamp } kind = None;
    uint64_t at = 0;
};

class Walker {
public:
    Walker(SourceFile& source, Host& host, tabrick& list, Mode mode, Findings& findings)
        : source_(source), host_(host), list_(list), mode_(mode), findings_(findings), fileSize_(source.Size()) {}

    ScanOutcome Run();

private:
    // The walk (scan_walker.cpp).
    ScanResult ReadPreamble(Header& ebml, Header& segment, uint64_t& segmentStart);
    void WalkTop(const Header& h, uint64_t position, bool isSegment);
    void ListSecondSegment(uint64_t position);
    void Step();
    void Visit(const Header& h, bool inPlace);
    bool AllowedHere(const Header& h) const;
    bool InPlace(const Header& h) const;
    bool EndsHere(const Header& h);
    bool HoldsLevel1(int row) const;
    bool SeekHeadPointsTo(uint64_t at);
    bool ExtendSegment();
    bool ExtendSegmentTo(uint64_t at);
    bool SkipUnknown(const Header& h);
    Tbrick& AppendRow(const Header& h, uint64_t position, uint64_t end);
    void AppendPseudoClusters();
    uint64_t NextSeekTarget(uint64_t from, uint64_t end);
    void JumpPastClusters(Frame& frame);
    void DecodeValue(Tbrick& row, char valueType);
    void ParseBlock(Tbrick& row);
    void VerifyCrc(const Tbrick& crc);
    void ReportCrcMismatches();
    void CloseFrame();
    void Report(Rule rule, int64_t row, int dictionaryRow, uint64_t position, std::string detail = {});
    void Poll(uint64_t position);

    // Reading headers and judging what they claim (scan_resync.cpp).
    HeaderRead ParseHeader(uint64_t position, Header& h);
    bool ReadHeader(uint64_t position, uint64_t end, Header& h, Rule& damage);
    bool NextHeaderValid(uint64_t at, const Frame& frame);
    bool FirstChildReads(const Header& parent, uint64_t dataStart, uint64_t end);
    bool LooksLikeCluster(uint64_t position);
    bool LooksLikeLevel1(uint64_t position, const Header& h);
    bool LooksLikeEbmlHeader(uint64_t position);
    bool LooksLikeBlock(uint64_t position, uint64_t limit, bool chained = true);
    bool KnownTrack(uint64_t number) const;
    bool LooksLikeOrphanTimestamp(uint64_t position, uint64_t limit);
    Resume FindResume(uint64_t from, uint64_t limit, bool blocks, bool timestamps = false);
    void Resync(uint64_t position, Rule damage, int dictionaryRow);
    bool CanReopenCluster() const;
    void ReopenCluster(uint64_t at);
    void StartHeaderlessCluster(uint64_t timestampAt);
    bool CutOverrun(const Header& h, uint64_t position, uint64_t declaredEnd);
    void EndOpenElementsAt(size_t keep, uint64_t position, uint8_t damage);
    int InnermostCluster() const;
    void LogSkipped(uint64_t from, uint64_t to);

    SourceFile& source_;
    Host& host_;
    tabrick& list_;
    const Mode mode_;
    Findings& findings_;
    const uint64_t fileSize_;
    std::vector<Frame> stack_;
    bool inSegment_ = false;       // the root frame is the Segment's
    int32_t segmentRow_ = -1;
    int32_t lastLevel1Row_ = -1;    // the Segment's last child listed so far
    bool segmentExtended_ = false;  // level-1 elements were found past its stated end
    bool pastFirstCluster_ = false;  // header read: only what a SeekHead names is read from here on
    uint64_t secondSegmentAt_ = 0;  // an EBML header at the Segment level: another file begins there
    std::vector<uint64_t> trackNumbers_;  // the TrackNumbers read so far, for judging blocks found by a search
    std::vector<uint8_t> buffer_;
    std::unique_ptr<CrcVerifier> crcs_;  // started at the first CRC-32
    uint64_t skippedBytes_ = 0;
    std::vector<SkippedStretch> skipped_;
    ProgressPacer pacer_{&host_, 512};  // the position and the stop question every 512 elements
    bool stopped_ = false;
};

}  // namespace quillon::scan
