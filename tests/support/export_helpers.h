// The single-track exports run end to end on a built file: the save command
// with an export type, the bytes it leaves at the output, what it told the user.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/save_outcome.h"
#include "export/export_type.h"
#include "support/capture_host.h"
#include "support/ebml_builder.h"

namespace quillon::test {

// A Host that also records the questions and the information boxes.
class ExportHost : public CaptureHost {
public:
    std::vector<std::string> asked;
    bool answer = false;

protected:
    bool askUser(const std::string& text, const std::string&, const std::string&) override;
};

ByteVec ReadAll(const std::string& path);

struct Exported {
    SaveOutcome outcome = SaveOutcome::Failed;
    bool written = false;  // a file is at the output name
    ByteVec bytes;
    ExportHost host;

    bool Told(const std::string& text) const;
};

struct ExportSetup {
    std::vector<std::string> selectMarks;  // per track table row; empty: all checked
    std::string assExtension = "ass";
    int stopAfterPolls = -1;
    size_t cutBytes = 0;  // bytes cut off the end of the file after the scan
    // Bytes written at these offsets past the built file before the scan; the
    // gaps stay holes, so a test can describe a file of many gigabytes.
    std::vector<std::pair<uint64_t, ByteVec>> sparsePieces;
    uint64_t sparseSize = 0;  // the file's size after the pieces (0: where the last piece ends)
};

// Scans `source` from a temporary file, checks the tracks as `setup` says
// and saves the export of `type` (or, with `aviConvert`, the AVI conversion)
// beside it; no temporary output may remain.
void Export(const ByteVec& source, ExportType type, Exported& out, const ExportSetup& setup = {}, bool aviConvert = false);

}  // namespace quillon::test
