// The commands of quillon-cli. Each one parses its own arguments and returns
// the process exit status.
#pragma once

#include <string>
#include <vector>

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

struct Command {
    const char* name;
    const char* summary;  // one line, Russian (looked up for English)
    const char* usage;    // the usage text, Russian (looked up for English)
    int (*run)(const std::vector<std::string>& args, TerminalHost& host);
};

const std::vector<Command>& Commands();

int RunInfo(const std::vector<std::string>& args, TerminalHost& host);
int RunCheck(const std::vector<std::string>& args, TerminalHost& host);
int RunTree(const std::vector<std::string>& args, TerminalHost& host);
int RunRemux(const std::vector<std::string>& args, TerminalHost& host);
int RunEdit(const std::vector<std::string>& args, TerminalHost& host);
int RunExport(const std::vector<std::string>& args, TerminalHost& host);

const Command* FindCommand(const std::string& name);

// Shared by the commands.
void PrintUsage(const Command& command, const Host& host, std::FILE* stream);
int UsageError(const Command& command, const Host& host, const std::string& what);
// Tells on stderr why the file could not be opened.
void ExplainOpenFailure(const std::string& path, const Host& host);
// Full container check of `path` for a command that writes a new file:
// kGoOn when the document is ready, else the exit status to return.
constexpr int kGoOn = -1;
int OpenForSave(Document& doc, Host& host, const std::string& path);
// Prints the written file's name and the final status; the exit status of a save.
int SaveExitStatus(SaveOutcome outcome, const std::string& outputPath);
// Exit status of a finished container scan.
int ScanExitStatus(ScanResult result);

}  // namespace quillon::cli
