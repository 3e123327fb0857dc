// The remux command's attachment options: --attach FILE, --drop-attachment N,
// --attachment-name N=TEXT, --attachment-mime N=TEXT, --attachment-desc N=TEXT
// (N as `quillon-cli attachments` numbers them, files added by --attach after).
#pragma once

#include <optional>
#include <string>

#include "cli/arguments.h"
#include "core/document.h"
#include "core/host.h"

namespace quillon::cli {

struct AttachmentEditError {
    std::string argument;
    const char* why;  // Russian key
};

// True when the command line edits attachments at all.
bool HasAttachmentEdits(const Arguments& args);

// Fills the edited list from the document and applies the options in order;
// the first wrong one, or nothing.
std::optional<AttachmentEditError> ApplyAttachmentEdits(Document& doc, const Arguments& args, Host& host);

}  // namespace quillon::cli
