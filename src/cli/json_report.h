// The --json output of info and check: one JSON document with a file's
// tracks, header values, attachments and chapter count (and, for check, its
// log and result), keys in lower_snake_case, for jq and scripts.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli/terminal_host.h"
#include "core/document.h"

namespace quillon::cli {

// A Host that keeps the log lines for the document instead of printing
// them (stdout carries the JSON alone); progress still goes to stderr.
class CollectingHost : public TerminalHost {
public:
    std::vector<std::string> lines;

protected:
    void logLine(const std::string& line) override { lines.push_back(TerminalText(line)); }
    void informUser(const std::string& text) override { lines.push_back(TerminalText(text)); }
};

// tracks, info, attachments, chapters of the scanned document (the writer's
// model is built from its element list for the typed values).
nlohmann::ordered_json FileReport(Document& doc, Host& host);

// Writes the document to stdout, indented; text that is not UTF-8 (a damaged
// file's name) is replaced rather than refused.
void PrintJson(const nlohmann::ordered_json& report);

}  // namespace quillon::cli
