// What the fuzz harnesses share: the input as a file the program can open,
// a Host that answers every question with yes and says nothing, and the one
// way a harness reports a finding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

#include "core/document.h"
#include "core/host.h"
#include "reader/open_file.h"

namespace quillon::fuzz {

// The bytes as a file in a private temporary folder, removed with the object.
class InputFile {
public:
    InputFile(const uint8_t* data, size_t size);
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;
    const std::string& path() const { return path_; }
    // A fresh name for an output in the same folder.
    std::string Output(const std::string& extension) const;

private:
    std::string path_;
};

class QuietHost : public Host {
protected:
    void logLine(const std::string&) override {}
    bool askUser(const std::string&, const std::string&, const std::string&) override { return true; }
};

// The full scan of the input into `doc`, as a save starts; false when it
// found no Matroska file to save from.
bool OpenForSave(const InputFile& input, Document& doc, Host& host);

// SimpleBlocks and Blocks per track number of a scanned list.
std::map<uint64_t, uint64_t> BlocksPerTrack(const tabrick& list);

// Whether a file we wrote scans clean: no findings for a clean source; for a
// source with findings, at most the mandatory elements it did not have and
// the unknown elements it had (copied as they stand).
bool WrittenScansClean(const OpenOutcome& written, const Document& writtenDoc, const Document& source);

// Prints what went wrong and aborts: the fuzzer keeps the input.
[[noreturn]] void Finding(const std::string& what);

// Size of a file; 0 when it is not there.
uint64_t FileSize(const std::string& path);

// The most a save may write for a source of `inputSize` bytes: the fixed
// front (EBML header, the SeekHead reserve, the sections) and a few bytes
// per element more than the source had. Anything beyond is bytes nobody read.
uint64_t OutputLimit(uint64_t inputSize);

}  // namespace quillon::fuzz
