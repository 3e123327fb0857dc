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

// tracks, info, attachments, chapters of the scanned document (the writer's
// model is built from its element list for the typed values).
nlohmann::ordered_json FileReport(Document& doc, Host& host);

// Writes the document to stdout, indented; text that is not UTF-8 (a damaged
// file's name) is replaced rather than refused.
void PrintJson(const nlohmann::ordered_json& report);

}  // namespace quillon::cli
