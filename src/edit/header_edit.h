// Editing header properties of a file in place: the edits are applied to the
// Info and Tracks masters taken apart in memory, every one checked before a
// byte is written, and each changed master is written back by the master
// rewrite (in its own room, or moved behind the last element).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/ebml_tree.h"
#include "core/header_properties.h"
#include "core/track_selector.h"

namespace quillon {

struct PropertyEdit {
    bool info = false;           // the Info master; otherwise the track `selector` names
    TrackSelector selector;
    std::string selectorText;    // as written, for messages
    const HeaderProperty* property = nullptr;
    bool remove = false;         // back to the schema's default: the element left out
    std::vector<PropertyBytes> values;  // what a set writes, parsed and checked
    // "flag-default=1" that also takes the flag from the other tracks of the
    // type, as the grid's default mark does.
    bool onlyDefaultOfType = false;
};

// An attachment added, replaced or dropped (the front names and types the file).
struct AttachmentEdit {
    enum Kind { Add, Replace, Drop } kind = Add;
    uint64_t number = 0;  // Replace, Drop: the attachment's place in the file, from 1
    std::string path;     // Add, Replace: the file whose bytes are attached
    std::string name;     // Add: its name in the Matroska file (a replaced one keeps its own)
    std::string mime;     // Add: its MIME type
};

// Why an edit cannot be made, as a message key (Russian, through the lookup)
// and the detail after it.
struct EditRefusal {
    const char* key = nullptr;
    std::string detail;
};

// Applies the edits of one master, in order, to its tree. Track edits need
// the Tracks master; Info edits the Info master. Nullopt when all applied.
std::optional<EditRefusal> ApplyInfoEdits(EbmlNode& info, const std::vector<PropertyEdit>& edits);
std::optional<EditRefusal> ApplyTrackEdits(EbmlNode& tracks, const std::vector<PropertyEdit>& edits);
// The attachment edits, in order, on the Attachments master (empty when the
// file has none); the files to attach are read here.
std::optional<EditRefusal> ApplyAttachmentEdits(EbmlNode& attachments, const std::vector<AttachmentEdit>& edits);

struct HeaderEditResult {
    bool ok = false;
    EditRefusal refusal;   // when not ok
    int error = 0;         // the system's error of a failed read or write
    int mastersWritten = 0;
    int mastersMoved = 0;  // written behind the last element: their room was too small
};

// Opens `path` for writing and makes the edits. Nothing is written unless
// every edit applies; a file that is damaged where the edit would touch it,
// or that has no SeekHead, is refused with a message that names the remux.
HeaderEditResult EditHeaders(const std::string& path, const std::vector<PropertyEdit>& edits,
                             const std::vector<AttachmentEdit>& attachments = {});

}  // namespace quillon
