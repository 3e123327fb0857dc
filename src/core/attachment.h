// One attachment in the attachments tab's edited list: what the next saved
// file will hold for it. Its bytes stay where they are (the open file, or a
// file added from disk) and are read when shown, saved or written.
#pragma once

#include <cstdint>
#include <string>

#include "core/mkv_model.h"

namespace quillon {

struct TAttach {
    std::string fileName;
    std::string fileMimeType;
    // Source 0: the FileData's data in the open file; source k > 0: the
    // whole of Document::attachmentFiles[k − 1].
    ByteRange fileData;
    uint64_t elementAt = 0;   // the FileData element's first byte in the open file (to check it is still there)
    uint64_t fileUID = 0;     // 0 when the element is absent
    std::string fileDescription;
    std::string keep = "y";   // "y": written into the next file; empty: left out
    char added = 0;           // 'y' when added from disk since the file was opened
};

}  // namespace quillon
