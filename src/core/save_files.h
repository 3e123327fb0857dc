// The start and the end every writer shares: the overwrite question, the
// source opened for reading, the output created under a temporary name; and
// at the end the output put in place and the log told where it went.
#pragma once

#include <optional>
#include <string>

#include "core/document.h"
#include "core/host.h"
#include "core/output_file.h"
#include "core/save_outcome.h"
#include "core/source_file.h"

namespace quillon {

struct SaveFiles {
    SourceFile source;
    OutputFile output;
};

// Asks before replacing an existing output (unless the front already has),
// opens the source and creates the output. Returns the outcome of a refusal
// or failure, told through the host; nullopt when both files are ready.
std::optional<SaveOutcome> OpenSaveFiles(const std::string& sourcePath, const std::string& outputPath,
                                         bool overwriteConfirmed, Host& host, SaveFiles& files);

// Puts the finished output in place and logs its name and size. Returns
// `outcome`, or Failed (told through the host) when the output could not be
// written.
SaveOutcome CommitSaveFiles(SaveFiles& files, const std::string& outputPath, Host& host, SaveOutcome outcome);

// Tells the log how many blocks a save left out and why, and what of the
// source the scan could not read (damaged bytes skipped, a second Segment);
// true when anything was left out.
bool LogLeftOutBlocks(Host& host, const Document& doc, uint64_t notWhole, uint64_t badTime);

}  // namespace quillon
