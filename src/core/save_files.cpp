#include "core/save_files.h"

#include <filesystem>

namespace quillon {

std::optional<SaveOutcome> OpenSaveFiles(const std::string& sourcePath, const std::string& outputPath,
                                         bool overwriteConfirmed, Host& host, SaveFiles& files) {
    std::error_code ec;
    if (!overwriteConfirmed && std::filesystem::exists(outputPath, ec) &&
        !host.Ask("Файл с таким именем уже существует.\r\nПерезаписать?"))
        return SaveOutcome::NothingWritten;
    if (!files.source.Open(sourcePath)) {
        host.Inform("файл занят другим приложением");
        return SaveOutcome::Failed;
    }
    if (!files.output.Create(outputPath)) {
        host.Inform("Файл не создан: ", files.output.FailureText());
        return SaveOutcome::Failed;
    }
    host.ClearStop();
    return std::nullopt;
}

SaveOutcome CommitSaveFiles(SaveFiles& files, const std::string& outputPath, Host& host, SaveOutcome outcome) {
    // A read of the source that failed on the way left a hole in what was written.
    if (files.source.LastError() != 0) files.output.Fail(files.source.Path(), files.source.LastError());
    const uint64_t bytes = files.output.Position();
    // A write or read that failed on the way fails the file: it is removed, and the reason told.
    if (!files.output.Commit()) {
        host.AddLog("• файл не записан: ", files.output.FailureText());
        host.Inform("Файл не записан: ", files.output.FailureText());
        return SaveOutcome::Failed;
    }
    host.AddLog("• записан файл: ", outputPath + " (" + std::to_string(bytes) + " " + host.Tr("байт") + ")");
    return outcome;
}

bool LogLeftOutBlocks(Host& host, const Document& doc, uint64_t notWhole, uint64_t badTime) {
    if (notWhole > 0) host.AddLog("• блоков пропущено (в исходном файле они не целые): ", std::to_string(notWhole));
    if (badTime > 0) host.AddLog("• блоков пропущено (время блока вне допустимых пределов): ", std::to_string(badTime));
    if (doc.lostBlocks > 0) host.AddLog("• блоков пропущено (потеряны в повреждённых байтах, по времени соседних): ", std::to_string(doc.lostBlocks));
    if (doc.skippedBytes > 0) host.AddLog("• повреждённых байтов исходного файла не прочитано: ", std::to_string(doc.skippedBytes));
    if (doc.secondSegmentAt > 0) host.AddLog("• второй сегмент не записан, он начинается с ", std::to_string(doc.secondSegmentAt));
    return notWhole > 0 || badTime > 0 || doc.skippedBytes > 0 || doc.secondSegmentAt > 0;
}

}  // namespace quillon
