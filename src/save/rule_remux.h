// One file remuxed by track rules instead of chosen track numbers: the file
// is checked, the rules choose, order and edit its tracks as the contents
// tab's choices would, and the same save writes it. A file the rules cannot
// be met in is not written.
#pragma once

#include <string>
#include <vector>

#include "core/document.h"
#include "core/host.h"
#include "core/save_outcome.h"
#include "core/track_rules.h"
#include "writer/remux_options.h"

namespace quillon {

struct RuleRemuxResult {
    SaveOutcome outcome = SaveOutcome::NothingWritten;
    std::vector<std::string> failures;  // why it was not written (rules it cannot meet, an unreadable file)
    std::vector<std::string> warnings;  // rules that changed nothing; damage in the source
    std::vector<std::string> kept;      // the kept tracks in output order: "2 a jpn"
    uint64_t writtenBytes = 0;
};

// The facts the rules look at, one per row of the document's track table.
std::vector<TrackFacts> FactsOf(const Document& doc);

// The facts of a file's tracks from its header read, for listing many files
// quickly; empty with `failure` set when it cannot be read.
std::vector<TrackFacts> ReadTrackFacts(const std::string& path, Host& host, std::string& failure);

// `options` as the single remux takes them; with no attachments asked for,
// the fonts are still written when an ASS or SSA track is kept.
RuleRemuxResult RemuxByRules(const std::string& input, const std::string& output, const TrackRules& rules,
                             RemuxOptions options, bool overwrite, Host& host);

}  // namespace quillon
