// quillon-cli attachments FILE [--save N [-o OUT] [--overwrite]]: the file's
// attachments, one line each, or one of them saved to a file.
#include <cstdio>

#include "attach/attach_list.h"
#include "cli/arguments.h"
#include "core/display_text.h"
#include "cli/commands.h"
#include "cli/terminal_host.h"
#include "core/value_text.h"

namespace quillon::cli {

int RunAttachments(const Command& self, const Arguments& args, TerminalHost& host) {
    Document doc;
    doc.sourcePath = args.Operands()[0];
    // The quick check reads every top-level element: attachments after the clusters are found too.
    CollectingHost quiet;
    quiet.setLanguage(host.language());
    const OpenOutcome outcome = CheckContainer(doc, quiet, false);
    if (!outcome.opened) {
        ExplainOpenFailure(doc.sourcePath, host);
        return kExitUsage;
    }
    if (outcome.scan == ScanResult::NoSignature || outcome.scan == ScanResult::NoSegment) {
        for (const std::string& line : quiet.lines) std::fprintf(stderr, "%s\n", line.c_str());
        return kExitFailed;
    }
    lista2attach(doc);

    if (const auto number = args.Value("--save")) {
        const uint64_t n = IsDigits(*number) && number->size() < 10 ? TextToUInt64(*number) : 0;
        if (n < 1 || n > doc.attachList.size()) return UsageError(self, host, "--save " + *number, "нет такого вложения");
        const TAttach& a = doc.attachList[n - 1];
        const std::string out = args.Value("-o").value_or(SafeFileName(a.fileName, n));
        if (!SaveAttach(doc, a, out, args.Has("--overwrite"), host)) return kExitFailed;
        std::printf("%s\n", out.c_str());
        return kExitOk;
    }

    for (size_t i = 0; i < doc.attachList.size(); ++i) {
        const TAttach& a = doc.attachList[i];
        // One line each: a TAB or a line end in a name is shown as the rest of the program shows it.
        std::printf("%zu\t%s\t%s\t%llu\t%llu\t%s\n", i + 1, DisplayText(a.fileName).c_str(), DisplayText(a.fileMimeType).c_str(),
                    static_cast<unsigned long long>(a.fileData.length), static_cast<unsigned long long>(a.fileUID),
                    DisplayText(a.fileDescription).c_str());
    }
    return ScanExitStatus(outcome.scan);
}

}  // namespace quillon::cli
