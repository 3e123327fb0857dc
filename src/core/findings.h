// What a container check finds wrong with a file: each finding names the rule
// it breaks, how bad that is, the element and its offset. The scan and the
// checks after it add findings; the log, the tree and `check --json` show them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/host.h"

namespace quillon {

enum class Severity : uint8_t {
    Warning,  // readable, but against the format's rules
    Error,    // data may be lost or misread
};

enum class Rule : uint8_t {
    // The walk over the elements.
    ReadError,            // the system could not read the file: what follows the place may be missing
    UnknownId,            // no element can be read here: the rest of the parent is lost
    BadSizeField,
    PastParent,
    PastFile,
    TopLevelInside,
    OutOfPlace,
    BadBlockHeader,
    BadValueSize,
    TooDeep,
    WrongSize,            // a size that runs into the next element, or ends before the element's content does
    ClusterHeaderLost,    // a Cluster found by its Timestamp where its own ID and size are damaged
    UnknownElement,       // an ID the program does not know, skipped by its size
    SkippedBytes,         // bytes where no element could be read, skipped to the next one
    SegmentPastFile,      // the file ends before the Segment says it does
    SegmentSizeZero,
    SegmentTooShort,      // level-1 elements go on past the Segment's end
    SecondSegment,
    CrcMismatch,
    // The EBML header.
    EbmlVersion,
    EbmlReadVersion,
    EbmlMaxIdLength,
    EbmlMaxSizeLength,
    DocTypeMissing,
    DocTypeUnknown,
    DocTypeReadVersion,
    IdTooLong,
    SizeTooLong,
    // The schema.
    MissingElement,
    MissingEssential,     // a mandatory element without which the data cannot be read
    TooMany,
    ConflictingValues,
    OutOfRange,
    NotAscii,
    NotUtf8,
    BinaryLength,
    UnknownSizeNotAllowed,
    IdNotShortest,
    CrcNotFirst,
    // References between elements.
    SeekTarget,
    CueTarget,
    BlockWithoutTrack,
};

// The rule's stable name for scripts ("crc32-mismatch"), its severity and its
// text (a Russian key of the message lookup).
const char* RuleName(Rule rule);
Severity RuleSeverity(Rule rule);
const char* RuleText(Rule rule);
const char* SeverityName(Severity severity);  // "error", "warning"

struct Finding {
    Rule rule;
    Severity severity;
    int64_t row;           // the element's row in the list; -1 when no row stands for it
    std::string element;   // the element's name ("?" when not known)
    uint64_t offset;       // where the element (or the damaged place) starts
    std::string detail;    // what was found, untranslated (values, counts)
};

// The findings of one check, in the order they were found. Every one is
// counted; only the first kKeptFindings are kept and logged one by one.
class Findings {
public:
    static constexpr size_t kKeptFindings = 200;

    // Records a finding and logs it: "• ошибка в структуре файла: TEXT: ELEMENT @ OFFSET[: DETAIL]"
    // for an error, "• предупреждение: ..." for a warning.
    void Add(Host& host, Rule rule, int64_t row, std::string_view element, uint64_t offset, std::string detail = {});
    // The same without a log line, for a finding the log already tells in its own words.
    void Record(Rule rule, int64_t row, std::string_view element, uint64_t offset, std::string detail = {});
    // Logs how many there were in all when not every one was logged.
    void LogTotal(Host& host) const;

    const std::vector<Finding>& items() const { return items_; }
    uint64_t total() const { return errors_ + warnings_; }
    uint64_t errors() const { return errors_; }
    uint64_t warnings() const { return warnings_; }
    bool empty() const { return total() == 0; }
    void clear() { *this = Findings{}; }

private:
    std::vector<Finding> items_;
    uint64_t errors_ = 0;
    uint64_t warnings_ = 0;
};

// The line the log shows for a finding, in the host's language.
std::string FindingLine(const Host& host, const Finding& finding);
// The finding's message without the severity prefix: "TEXT: ELEMENT @ OFFSET[: DETAIL]".
std::string FindingMessage(const Host& host, const Finding& finding);

}  // namespace quillon
