// quillon-cli: the operations of Quillon from a terminal.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/arguments.h"
#include "cli/commands.h"
#include "core/file_io.h"

using namespace quillon;
using namespace quillon::cli;

namespace {

void PrintGeneralUsage(const Host& host, std::FILE* stream) {
    const std::string head = TerminalText(host.Tr("использование: quillon-cli КОМАНДА [аргументы] [--lang rus|eng]\r\nКоманды:"));
    std::fprintf(stream, "%s\n", head.c_str());
    for (const Command& c : Commands()) std::fprintf(stream, "  %-8s %s\n", c.name, host.Tr(c.summary).c_str());
}

}  // namespace

int main(int argc, char** argv) {
    LetWritesFailPastTheSizeLimit();
    std::vector<std::string> args(argv + 1, argv + argc);
    TerminalHost host;
    // The locale's language unless --lang says otherwise.
    Lang lang = LangFromEnvironment();
    if (!ExtractLanguage(args, lang)) {
        std::fprintf(stderr, "quillon-cli: --lang rus|eng\n");
        return kExitUsage;
    }
    host.setLanguage(lang);

    if (!args.empty() && args[0] == "--version") {
        std::printf("quillon-cli %s\n", QUILLON_VERSION);
        return kExitOk;
    }
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        PrintGeneralUsage(host, args.empty() ? stderr : stdout);
        return args.empty() ? kExitUsage : kExitOk;
    }
    for (const Command& c : Commands()) {
        if (args[0] != c.name) continue;
        TerminalHost::CatchInterrupt();
        return RunCommand(c, std::vector<std::string>(args.begin() + 1, args.end()), host);
    }
    std::fprintf(stderr, "%s %s\n", host.Tr("неизвестная команда:").c_str(), args[0].c_str());
    PrintGeneralUsage(host, stderr);
    return kExitUsage;
}
