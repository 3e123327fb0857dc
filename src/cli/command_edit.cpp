// quillon-cli edit FILE --track N [--default | --no-default] [--language CODE]:
// the quick edits, written into FILE in place.
#include <cstdio>

#include "cli/arguments.h"
#include "cli/commands.h"
#include "edit/quick_edits.h"

namespace quillon::cli {
namespace {

// What a refused or failed patch means to the user (failures were already
// told through the host).
int Outcome(PatchResult result, const Host& host, const char* missingElement) {
    if (result == PatchResult::Written) return kExitOk;
    if (result == PatchResult::NotThatElement)
        std::fprintf(stderr, "%s %s\n", host.Tr("у трека нет элемента").c_str(), missingElement);
    return kExitFailed;
}

}  // namespace

int RunEdit(const Command& self, const Arguments& args, TerminalHost& host) {
    const auto track = args.Value("--track");
    const bool setDefault = args.Has("--default"), dropDefault = args.Has("--no-default");
    const auto language = args.Value("--language");
    if (!track) return UsageError(self, host, "--track", "не указан трек");
    if (setDefault && dropDefault) return UsageError(self, host, "--default --no-default", "нельзя вместе");
    if (!setDefault && !dropDefault && !language) return UsageError(self, host, "", "не указано, что менять");

    Document doc;
    doc.sourcePath = args.Operands()[0];
    TerminalHost quiet(stderr);  // the header read's log goes to stderr
    quiet.setLanguage(host.language());
    const OpenOutcome outcome = ReadHeader(doc, quiet);
    if (!outcome.opened) {
        ExplainOpenFailure(doc.sourcePath, host);
        return kExitUsage;
    }
    if (outcome.scan != ScanResult::Ok) return kExitFailed;
    size_t row = doc.tatra.size();
    for (size_t i = 0; i < doc.tatra.size(); ++i)
        if (doc.tatra[i].numberText == *track) row = i;
    if (row == doc.tatra.size()) {
        std::fprintf(stderr, "%s %s\n", host.Tr("нет такого трека:").c_str(), track->c_str());
        return kExitUsage;
    }

    if (language) {
        const int status = Outcome(QuickSetLanguage(doc, host, row, *language), host, "Language");
        if (status != kExitOk) return status;
    }
    if (setDefault && doc.tatra[row].defaultMark != "y") {
        const int status = Outcome(QuickSetDefault(doc, host, row), host, "FlagDefault");
        if (status != kExitOk) return status;
    }
    if (dropDefault && doc.tatra[row].defaultMark == "y") {
        const int status = Outcome(QuickDropDefault(doc, host, row), host, "FlagDefault");
        if (status != kExitOk) return status;
    }
    const Track& t = doc.tatra[row];
    std::printf("%s  %s  %s  %s\n", t.numberText.c_str(), t.typeText.c_str(), t.language.c_str(), t.defaultMark.c_str());
    return kExitOk;
}

}  // namespace quillon::cli
