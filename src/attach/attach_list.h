// The attachments tab's edited list: filled from the open file's element
// list, changed by the user (keep marks, names, types, descriptions, files
// added from disk), compared with the writer's model and turned into it
// when a new file is saved with its attachments.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/document.h"
#include "core/host.h"

namespace quillon {

// Fills doc.attachList from the AttachedFile elements of the first
// Attachments element; every entry kept.
void lista2attach(Document& doc);

// The attachment an element-list row stands for: the AttachedFile itself, or
// its FileName or FileData child. False when the row is none of these or the
// AttachedFile has no FileData.
bool AttachFromRow(const Document& doc, int row, TAttach& a);

// True when at least one attachment is kept.
bool AttachesDA(const std::vector<TAttach>& list);
// Clears every keep mark.
void ResetActiveATT(std::vector<TAttach>& list);

// A file from disk added to the list: its name (lower case, no folder), the
// MIME type of its extension, a new UID, kept. False (and "файл не открывается."
// on the status) when it cannot be opened.
bool AddAttach(Document& doc, const std::string& path, Host& host);

// A random non-zero 64-bit UID no attachment of the list or the model has.
uint64_t NewAttachmentUID(const Document& doc);

// Whether the list differs from the model's attachments: a mark cleared or a
// file added, another count, or a name, type, description or data length
// that differs at the same place.
bool ATTchanged(const std::vector<TAttach>& list, const std::vector<tAttachedFile>& model);
// The model's attachments made anew from the kept entries, in list order.
void replaceATT(const std::vector<TAttach>& list, std::vector<tAttachedFile>& model);

enum class AttachRead { Ok, CannotOpen, StructureError };
// The attachment's bytes, read from where they are. An attachment of the open
// file is read only when its FileData element is still where the scan found
// it, with the same size (the file may have changed since).
AttachRead ReadAttachment(const Document& doc, const TAttach& a, std::vector<uint8_t>& out);
// The message of a failed read: "файл не открывается: нет доступа." or
// "ошибка в структуре вложения.".
const char* AttachReadMessage(AttachRead result);

// Writes the attachment's bytes to `path` (asking before replacing an existing
// file unless `overwriteConfirmed`); the outcome's message goes to the host.
// The name an attachment is saved under by default: a name from the file is
// only a name, never a path. Its last component (after "/" or "\\"), control
// characters as "_", bytes that are not UTF-8 replaced; "attachment-N" (N its
// number, from 1) when nothing usable is left, or it is "." or "..".
std::string SafeFileName(const std::string& name, size_t number);

bool SaveAttach(const Document& doc, const TAttach& a, const std::string& path, bool overwriteConfirmed, Host& host);

}  // namespace quillon
