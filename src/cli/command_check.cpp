// quillon-cli check FILE [--quick]: the container scan and its log lines.
#include <cstdio>

#include "cli/arguments.h"
#include "cli/commands.h"

namespace quillon::cli {

int RunCheck(const Command&, const Arguments& args, TerminalHost& host) {
    Document doc;
    doc.sourcePath = args.Operands()[0];
    const bool full = !args.Has("--quick");
    const OpenOutcome outcome = CheckContainer(doc, host, full);
    if (!outcome.opened) {
        ExplainOpenFailure(doc.sourcePath, host);
        return kExitUsage;
    }
    if (outcome.scan != ScanResult::Stopped) FinishContainerCheck(doc, host, full);
    if (outcome.scan == ScanResult::Ok || outcome.scan == ScanResult::StructureError)
        std::printf("%s %s\n", host.Tr("типы блоков:").c_str(), doc.blockTypeText.c_str());
    return ScanExitStatus(outcome.scan);
}

}  // namespace quillon::cli
