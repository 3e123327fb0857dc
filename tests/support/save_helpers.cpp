#include "support/save_helpers.h"

#include <cstdio>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

#include "reader/open_file.h"
#include "save/save_command.h"

namespace quillon::test {

OpenedForSave::OpenedForSave(const ByteVec& bytes) : file(bytes) {
    doc.sourcePath = file.path();
    CheckContainer(doc, host, true);
    FinishContainerCheck(doc, host, true);
    EXPECT_TRUE(prepare2export(doc, host));
}

void SaveAndRescan(Document& doc, SavedFile& out) {
    const std::string path = doc.sourcePath + ".saved.mkv";
    CaptureHost host;
    SaveRequest request;
    request.job = RemuxJob{};
    request.outputPath = path;
    out.outcome = SaveCommand(doc, host, request);
    std::ifstream file(path, std::ios::binary);
    out.bytes.assign(std::istreambuf_iterator<char>(file), {});
    std::remove(path.c_str());
    if (!out.bytes.empty()) ScanBytes(out.bytes, ScanKind::Full, out.scan);
}

}  // namespace quillon::test
