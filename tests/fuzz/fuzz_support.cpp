#include "fuzz_support.h"

#include "core/generated/element_ids.h"
#include "reader/open_file.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace quillon::fuzz {
namespace {

const std::string& Folder() {
    static const std::string folder = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "quillon-fuzz.XXXXXX").string();
        if (!::mkdtemp(pattern.data())) std::abort();
        return pattern;
    }();
    return folder;
}

}  // namespace

InputFile::InputFile(const uint8_t* data, size_t size) : path_(Folder() + "/input.mkv") {
    std::ofstream out(path_, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

InputFile::~InputFile() {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(Folder(), ec)) std::filesystem::remove(entry.path(), ec);
}

std::string InputFile::Output(const std::string& extension) const {
    static unsigned counter = 0;
    return Folder() + "/out" + std::to_string(++counter) + extension;
}

bool OpenForSave(const InputFile& input, Document& doc, Host& host) {
    doc.sourcePath = input.path();
    const OpenOutcome opened = CheckContainer(doc, host, true);
    if (!opened.opened || (opened.scan != ScanResult::Ok && opened.scan != ScanResult::StructureError)) return false;
    FinishContainerCheck(doc, host, true);
    return true;
}

std::map<uint64_t, uint64_t> BlocksPerTrack(const tabrick& list) {
    std::map<uint64_t, uint64_t> count;
    for (size_t i = 0; i < list.size(); ++i)
        if (list[i].id() == kSimpleBlock || list[i].id() == kBlock) ++count[list[i].block.trackNumber];
    return count;
}

bool WrittenScansClean(const OpenOutcome& written, const Document& writtenDoc, const Document& source) {
    if (written.scan == ScanResult::Ok) return true;
    if (written.scan != ScanResult::StructureError || source.findings.empty()) return false;
    for (const quillon::Finding& f : writtenDoc.findings.items())
        if (f.rule != Rule::MissingElement && f.rule != Rule::MissingEssential && f.rule != Rule::UnknownElement) return false;
    return true;
}

void Finding(const std::string& what) {
    std::fprintf(stderr, "FINDING: %s\n", what.c_str());
    std::fflush(stderr);
    std::abort();
}

uint64_t FileSize(const std::string& path) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    return ec ? 0 : size;
}

uint64_t OutputLimit(uint64_t inputSize) { return 64 * 1024 + 8 * inputSize; }

}  // namespace quillon::fuzz
