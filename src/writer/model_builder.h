// Building the writer's model from the element list: the header values, the
// tracks, attachments and chapters, and the list of every block.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/document.h"
#include "core/host.h"
#include "core/source_file.h"

namespace quillon {

// Fills doc.mkv from doc.lista and doc.tatra, reading element data from
// `source`. Without an "EBML" row nothing changes; without an "Info" row
// only the EBML header values are filled.
void lista2matros(Document& doc, SourceFile& source);
// The same, opening doc.sourcePath itself; false (status "Can't open file,
// access denied.") when it cannot be opened.
bool lista2matros(Document& doc, Host& host);

// The data bytes of an element row.
bool ReadElementData(SourceFile& source, const Tbrick& row, std::vector<uint8_t>& out);
// The whole element (ID, size field, data) of a row.
bool ReadElementBytes(SourceFile& source, const Tbrick& row, std::vector<uint8_t>& out);

// 16 bytes from hex text, left-padded with zeros to 32 digits.
std::array<uint8_t, 16> fillSegmentUID(const std::string& hex);

// First row after `start` with that name whose parent is `parent`; -1 if none.
int FindNextChild(const tabrick& list, const char* name, int start, int parent);
// First BlockDuration child of a BlockGroup row; -1 otherwise.
int FindBlockDuration(const tabrick& list, int groupRow);

// absTime of the nearest block of that track at or before row `start`
// walking backwards; -1 when there is none.
int64_t findPrevTime(const std::vector<xBlock>& blocks, uint64_t trackNumber, int64_t start);

}  // namespace quillon
