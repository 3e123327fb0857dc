// The file's chapters and tags in the plain forms people edit them in:
// Matroska chapters XML, the simple OGM chapter text, Matroska tags XML
// (the element names and layout mkvextract writes, so each tool reads the
// other's), made from the master taken apart in memory.
#pragma once

#include <optional>
#include <string>

#include "core/document.h"
#include "core/ebml_tree.h"

namespace quillon {

// Nanoseconds as the XML and the cue texts write times: HH:MM:SS.nnnnnnnnn.
std::string NanosecondsText(uint64_t ns);

std::string ChaptersXml(const EbmlNode& chapters);
// CHAPTER01=00:00:00.000 / CHAPTER01NAME=... for the first edition's chapters.
std::string ChaptersOgm(const EbmlNode& chapters);
std::string TagsXml(const EbmlNode& tags);

// The scanned file's level-1 master with that ID, read whole; nullopt when
// the file has none or it cannot be read or taken apart.
std::optional<EbmlNode> ReadLevel1Master(const Document& doc, uint32_t id);

}  // namespace quillon
