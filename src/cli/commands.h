// The commands of quillon-cli. Each one parses its own arguments and returns
// the process exit status.
#pragma once

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "cli/arguments.h"
#include "cli/terminal_host.h"
#include "core/document.h"
#include "reader/open_file.h"
#include "save/output_name.h"
#include "save/save_command.h"

namespace quillon::cli {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitInterrupted = 130;

struct Command;
using CommandBody = int (*)(const Command& self, const Arguments& args, TerminalHost& host);

struct Command {
    const char* name;
    const char* summary;  // one line, Russian (looked up for English)
    const char* usage;    // the usage text, Russian (looked up for English)
    std::set<std::string> flags;         // besides --help
    std::set<std::string> valueOptions;  // options that take a value
    CommandBody run;                     // called with the file operand in args.Operands()[0]
    bool manyFiles = false;              // takes one file or more (every operand is a file)
};

const std::vector<Command>& Commands();

int RunInfo(const Command& self, const Arguments& args, TerminalHost& host);
int RunCheck(const Command& self, const Arguments& args, TerminalHost& host);
int RunTree(const Command& self, const Arguments& args, TerminalHost& host);
int RunRemux(const Command& self, const Arguments& args, TerminalHost& host);
// remux with --output-dir: the files each remuxed by the track rules.
int RunRuleRemux(const Command& self, const Arguments& args, TerminalHost& host, RemuxOptions options);
int RunEdit(const Command& self, const Arguments& args, TerminalHost& host);
int RunExport(const Command& self, const Arguments& args, TerminalHost& host);
// export with --chapters, --tags, --cues ...: the file's other data.
const std::set<std::string>& ExportDataOptions();
int RunExportData(const Command& self, const Arguments& args, TerminalHost& host);
int RunTimeline(const Command& self, const Arguments& args, TerminalHost& host);
int RunAttachments(const Command& self, const Arguments& args, TerminalHost& host);
int RunDump(const Command& self, const Arguments& args, TerminalHost& host);

// The start every command shares: its arguments parsed against its table
// row, --help answered, exactly one file operand; then its body.
int RunCommand(const Command& command, const std::vector<std::string>& args, TerminalHost& host);

// Shared by the commands.
void PrintUsage(const Command& command, const Host& host, std::FILE* stream);
// A wrong argument: says which one and, when given, why (a Russian text),
// then a one-line hint; exit status 2.
int UsageError(const Command& command, const Host& host, const std::string& what, const char* why = nullptr);
// Tells on stderr why the file could not be opened.
void ExplainOpenFailure(const std::string& path, const Host& host);
// Full container check of `path` for a command that writes a new file:
// kGoOn when the document is ready, else the exit status to return.
constexpr int kGoOn = -1;
int OpenForSave(Document& doc, Host& host, const std::string& path);
// Prints the written file's name and the final status; the exit status of a
// save: 0 written from an intact source, 1 written with warnings (blocks left
// out, or the source has damaged places), not written or stopped.
int SaveExitStatus(SaveOutcome outcome, const Document& doc, const std::string& outputPath, const Host& host);
// How many files to work on at once: -j N (1 to 256), else the number of
// cores, never more than `files`; nullopt when -j is no such number.
std::optional<unsigned> Workers(const Arguments& args, size_t files);
// Exit status of a finished scan: 0 clean, 1 damaged places or no Matroska file.
int ScanExitStatus(ScanResult result);

}  // namespace quillon::cli
