#include "support/export_helpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "core/document.h"
#include "reader/open_file.h"
#include "save/save_command.h"
#include "support/scan_helpers.h"

namespace quillon::test {

bool ExportHost::askUser(const std::string& text, const std::string&, const std::string&) {
    asked.push_back(text);
    return answer;
}

ByteVec ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return ByteVec(std::istreambuf_iterator<char>(in), {});
}

bool Exported::Told(const std::string& text) const {
    return host.HasLine(text) || std::find(host.asked.begin(), host.asked.end(), text) != host.asked.end();
}

void Export(const ByteVec& source, ExportType type, Exported& out, const ExportSetup& setup, bool aviConvert) {
    TempFile in(source);
    if (!setup.sparsePieces.empty()) {
        std::fstream file(in.path(), std::ios::binary | std::ios::in | std::ios::out);
        for (const auto& [at, bytes] : setup.sparsePieces) {
            file.seekp(std::streamoff(at));
            file.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        }
        file.close();
        if (setup.sparseSize) std::filesystem::resize_file(in.path(), setup.sparseSize);
    }
    const std::string outputPath = in.path() + ".out";
    std::filesystem::remove(outputPath);
    Document doc;
    doc.sourcePath = in.path();
    CaptureHost scanHost;
    CheckContainer(doc, scanHost, true);
    FinishContainerCheck(doc, scanHost, true);
    ASSERT_TRUE(prepare2export(doc, scanHost));
    if (setup.cutBytes) std::filesystem::resize_file(in.path(), source.size() - setup.cutBytes);
    for (size_t i = 0; i < setup.selectMarks.size() && i < doc.tatra.size(); ++i) doc.tatra[i].selectMark = setup.selectMarks[i];
    SaveRequest request;
    request.job = aviConvert ? SaveJob(AviJob{}) : ExportJob(type, setup.assExtension, {});
    request.outputPath = outputPath;
    out.host.stopAfterPolls = setup.stopAfterPolls;
    out.outcome = SaveCommand(doc, out.host, request);
    out.written = std::filesystem::exists(outputPath);
    out.bytes = ReadAll(outputPath);
    // No temporary file is left beside the output.
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(outputPath).parent_path()))
        EXPECT_EQ(entry.path().string().rfind(outputPath + ".part", 0), std::string::npos) << entry.path();
    std::filesystem::remove(outputPath);
}

}  // namespace quillon::test
