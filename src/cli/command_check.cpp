// quillon-cli check FILE [--quick]: the container scan and its log lines.
#include <cstdio>

#include "cli/arguments.h"
#include "cli/commands.h"

namespace quillon::cli {

int RunCheck(const std::vector<std::string>& args, TerminalHost& host) {
    const Command& self = *FindCommand("check");
    std::string bad;
    const auto parsed = Arguments::Parse(args, {"--help", "--quick"}, {}, bad);
    if (!parsed) return UsageError(self, host, bad);
    if (parsed->Has("--help")) {
        PrintUsage(self, host, stdout);
        return kExitOk;
    }
    if (parsed->Operands().size() != 1) return UsageError(self, host, parsed->Operands().empty() ? "" : parsed->Operands()[1]);

    Document doc;
    doc.sourcePath = parsed->Operands()[0];
    const bool full = !parsed->Has("--quick");
    const OpenOutcome outcome = CheckContainer(doc, host, full);
    if (!outcome.opened) {
        ExplainOpenFailure(doc.sourcePath, host);
        return kExitUsage;
    }
    if (outcome.scan != ScanResult::Stopped) FinishContainerCheck(doc, host, full);
    if (outcome.scan == ScanResult::Ok) std::printf("%s %s\n", host.Tr("типы блоков:").c_str(), doc.blockTypeText.c_str());
    return ScanExitStatus(outcome.scan);
}

}  // namespace quillon::cli
