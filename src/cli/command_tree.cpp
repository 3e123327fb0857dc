// quillon-cli tree FILE [--quick]: the structure tree as indented text.
#include <cstdio>
#include <string>

#include "cli/arguments.h"
#include "cli/commands.h"
#include "reader/node_text.h"

namespace quillon::cli {

int RunTree(const Command&, const Arguments& args, TerminalHost& host) {
    // The tree goes to stdout, the log lines to stderr.
    TerminalHost logToStderr(stderr);
    logToStderr.setLanguage(host.language());
    Document doc;
    doc.sourcePath = args.Operands()[0];
    const bool full = !args.Has("--quick");
    const OpenOutcome outcome = CheckContainer(doc, logToStderr, full);
    if (!outcome.opened) {
        ExplainOpenFailure(doc.sourcePath, host);
        return kExitUsage;
    }
    std::string line;
    for (size_t i = 0; i < doc.lista.size(); ++i) {
        const Tbrick& row = doc.lista[i];
        line.assign(static_cast<size_t>(row.depth > 0 ? row.depth : 0), '\t');
        line += NodeText(row);
        line += '\n';
        std::fwrite(line.data(), 1, line.size(), stdout);
    }
    return ScanExitStatus(outcome.scan);
}

}  // namespace quillon::cli
