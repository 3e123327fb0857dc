// quillon-cli dump FILE [--element ROW | --offset N --length N] [--width 16|24|32]
//                        [--group 4|8] [--rtf OUT]: a hex dump, the same text the
// window shows (bytes above 0x7F shown as "." so a terminal gets no escapes).
#include <cstdio>
#include <filesystem>

#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/terminal_host.h"
#include "core/output_file.h"
#include "core/value_text.h"
#include "dump/dump_source.h"
#include "dump/hex_dump.h"

namespace quillon::cli {
namespace {

std::optional<uint64_t> Number(const std::optional<std::string>& text) {
    if (!text || !IsDigits(*text) || text->size() > 18) return std::nullopt;
    return TextToUInt64(*text);
}

}  // namespace

int RunDump(const Command& self, const Arguments& args, TerminalHost& host) {
    DumpLayout layout;
    if (const auto w = args.Value("--width")) {
        if (*w != "16" && *w != "24" && *w != "32") return UsageError(self, host, "--width " + *w, "ожидалось 16, 24 или 32");
        layout.width = int(TextToUInt64(*w));
    }
    if (const auto g = args.Value("--group")) {
        if (*g != "4" && *g != "8") return UsageError(self, host, "--group " + *g, "ожидалось 4 или 8");
        layout.group = int(TextToUInt64(*g));
    }
    const std::string path = args.Operands()[0];
    std::vector<uint8_t> bytes;
    DumpRead read = DumpRead::Ok;
    if (const auto element = args.Value("--element")) {
        // ROW is the line of `quillon-cli tree FILE`, counted from 1.
        const auto row = Number(element);
        if (!row || *row == 0) return UsageError(self, host, "--element " + *element, "ожидался номер строки дерева");
        Document doc;
        doc.sourcePath = path;
        CollectingHost quiet;
        const OpenOutcome outcome = CheckContainer(doc, quiet, true);
        if (!outcome.opened) {
            ExplainOpenFailure(path, host);
            return kExitUsage;
        }
        if (*row > doc.lista.size()) return UsageError(self, host, "--element " + *element, "нет такой строки дерева");
        read = ReadElementBytes(doc, size_t(*row - 1), kDumpLimit, bytes);
    } else {
        const auto offset = Number(args.Value("--offset").value_or("0"));
        const auto length = Number(args.Value("--length").value_or(std::to_string(kDumpLimit)));
        if (!offset) return UsageError(self, host, "--offset", "ожидалось число");
        if (!length || *length == 0 || *length > kDumpLimit)
            return UsageError(self, host, "--length", "ожидалось число от 1 до 100000");
        read = ReadFileBytes(path, *offset, size_t(*length), bytes);
    }
    if (read != DumpRead::Ok) {
        std::fprintf(stderr, "%s\n", host.Tr(DumpReadMessage(read)).c_str());
        return read == DumpRead::CannotOpen ? kExitUsage : kExitFailed;
    }
    if (const auto rtf = args.Value("--rtf")) {
        // Every writer leaves an existing file alone unless told to replace it.
        std::error_code ec;
        if (!args.Has("--overwrite") && std::filesystem::exists(*rtf, ec) &&
            !host.Ask("Файл с таким именем уже существует.\r\nПерезаписать?"))
            return kExitFailed;
        const std::string text = DumpRtf(bytes, 0, layout, PaintTags(bytes), {}, 0);
        if (const std::string failure = WriteWholeFile(*rtf, text.data(), text.size()); !failure.empty()) {
            std::fprintf(stderr, "%s%s\n", host.Tr("Файл не записан: ").c_str(), failure.c_str());
            return kExitFailed;
        }
        return kExitOk;
    }
    const std::string text = DumpText(bytes, 0, layout, DumpChars::Ascii);
    std::fwrite(text.data(), 1, text.size(), stdout);
    return kExitOk;
}

}  // namespace quillon::cli
