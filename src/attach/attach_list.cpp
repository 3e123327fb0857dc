#include "attach/attach_list.h"

#include "attach/mime_table.h"
#include "core/ascii_text.h"
#include "core/ebml.h"
#include "core/generated/element_ids.h"
#include "core/output_file.h"
#include "core/source_file.h"
#include "core/uid_source.h"
#include "core/utf8.h"
#include "core/value_text.h"
#include "reader/element_queries.h"

namespace quillon {
namespace {

// A UID as the element list shows it: decimal, signed for values past 2^63.
uint64_t UidOfText(const std::string& text) {
    if (!text.empty() && text[0] == '-') return uint64_t(TextToInt64(text));
    return TextToUInt64(text);
}

bool UidInUse(const Document& doc, uint64_t uid) {
    for (const TAttach& a : doc.attachList)
        if (a.fileUID == uid) return true;
    for (const tAttachedFile& f : doc.mkv.attachedFiles)
        if (f.fileUID.present && f.fileUID.value == uid) return true;
    return false;
}

std::string BaseName(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

void lista2attach(Document& doc) {
    doc.attachList.clear();
    const tabrick& lista = doc.lista;
    const int attachments = FindFirstById(lista, kAttachments);
    if (attachments < 0) return;
    for (size_t r = size_t(attachments) + 1; r < lista.size(); ++r) {
        if (lista[r].id() != kAttachedFile || lista[r].parent != attachments) continue;
        TAttach a;
        AttachFromRow(doc, int(r), a);  // an AttachedFile without FileData is listed, empty
        doc.attachList.push_back(std::move(a));
    }
}

bool AttachFromRow(const Document& doc, int row, TAttach& a) {
    const tabrick& lista = doc.lista;
    if (row < 0 || size_t(row) >= lista.size()) return false;
    const uint32_t id = lista[row].id();
    if ((id == kFileName || id == kFileData) && lista[row].parent >= 0) row = lista[row].parent;
    else if (id != kAttachedFile) return false;
    if (lista[row].id() != kAttachedFile) return false;
    a.fileName = FindChildValue(lista, kFileName, row);
    a.fileMimeType = FindChildValue(lista, kFileMimeType, row);
    a.fileDescription = FindChildValue(lista, kFileDescription, row);
    a.fileUID = UidOfText(FindChildValue(lista, kFileUID, row));
    const int data = FindChildElement(lista, kFileData, row);
    if (data < 0) return false;
    a.fileData = ByteRange{0, lista[data].dataStart(), lista[data].dataSize};
    a.elementAt = lista[data].position;
    return true;
}

bool AttachesDA(const std::vector<TAttach>& list) {
    for (const TAttach& a : list)
        if (a.keep == "y") return true;
    return false;
}

void ResetActiveATT(std::vector<TAttach>& list) {
    for (TAttach& a : list) a.keep.clear();
}

uint64_t NewAttachmentUID(const Document& doc) {
    return NewUid([&](uint64_t uid) { return UidInUse(doc, uid); });
}

bool AddAttach(Document& doc, const std::string& path, Host& host) {
    SourceFile file;
    if (!file.Open(path)) {
        host.SetStatus("файл не открывается.");
        return false;
    }
    TAttach a;
    a.fileName = AsciiLower(BaseName(path));
    a.fileMimeType = MimeTypeOf(a.fileName);
    doc.attachmentFiles.push_back(path);
    a.fileData = ByteRange{uint16_t(doc.attachmentFiles.size()), 0, file.Size()};
    a.fileUID = NewAttachmentUID(doc);
    a.added = 'y';
    doc.attachList.push_back(std::move(a));
    return true;
}

bool ATTchanged(const std::vector<TAttach>& list, const std::vector<tAttachedFile>& model) {
    for (const TAttach& a : list)
        if (a.keep != "y" || a.added == 'y') return true;
    if (list.size() != model.size()) return true;
    for (size_t i = 0; i < list.size(); ++i) {
        const tAttachedFile& m = model[i];
        const uint64_t length = m.fileData.present ? m.fileData.value.length : 0;
        if (list[i].fileName != (m.fileName.present ? m.fileName.value : "") ||
            list[i].fileMimeType != (m.fileMimeType.present ? m.fileMimeType.value : "") ||
            list[i].fileDescription != (m.fileDescription.present ? m.fileDescription.value : "") ||
            list[i].fileData.length != length)
            return true;
    }
    return false;
}

void replaceATT(const std::vector<TAttach>& list, std::vector<tAttachedFile>& model) {
    model.clear();
    for (const TAttach& a : list) {
        if (a.keep != "y") continue;
        tAttachedFile f;
        f.fileName.Set(a.fileName);
        f.fileMimeType.Set(a.fileMimeType);
        f.fileData.Set(a.fileData);
        f.fileUID.Set(a.fileUID);
        if (!a.fileDescription.empty()) f.fileDescription.Set(a.fileDescription);
        model.push_back(std::move(f));
    }
}

AttachRead ReadAttachment(const Document& doc, const TAttach& a, std::vector<uint8_t>& out) {
    out.clear();
    const ByteRange& r = a.fileData;
    if (r.source > doc.attachmentFiles.size()) return AttachRead::StructureError;
    SourceFile file;
    if (!file.Open(r.source == 0 ? doc.sourcePath : doc.attachmentFiles[r.source - 1])) return AttachRead::CannotOpen;
    if (r.source == 0) {
        // The FileData element must still begin where the scan found it,
        // with the size it had, its data right after its header.
        if (r.offset < a.elementAt || r.offset - a.elementAt > 10 || !file.Holds(a.elementAt, r.offset - a.elementAt))
            return AttachRead::StructureError;
        std::vector<uint8_t> header;
        if (!file.ReadAt(a.elementAt, size_t(r.offset - a.elementAt), header)) return AttachRead::StructureError;
        // FileData's two ID bytes 46 5C, then its size.
        if (header.size() < 3 || header[0] != 0x46 || header[1] != 0x5C) return AttachRead::StructureError;
        const Vint size = ReadVint(header, 2);
        if (size.length == 0 || size_t(2 + size.length) != header.size() || size.value != r.length)
            return AttachRead::StructureError;
    } else if (file.Size() != r.length) {
        return AttachRead::StructureError;  // the added file changed since it was added
    }
    if (!file.Holds(r.offset, r.length) || !file.ReadAt(r.offset, size_t(r.length), out)) {
        out.clear();
        return AttachRead::StructureError;
    }
    return AttachRead::Ok;
}

const char* AttachReadMessage(AttachRead result) {
    return result == AttachRead::CannotOpen ? "файл не открывается: нет доступа." : "ошибка в структуре вложения.";
}

bool SaveAttach(const Document& doc, const TAttach& a, const std::string& path, bool overwriteConfirmed, Host& host) {
    if (!overwriteConfirmed) {
        SourceFile existing;
        if (existing.Open(path) && !host.Ask("Файл с таким именем уже существует.\r\nПерезаписать?")) return false;
    }
    std::vector<uint8_t> data;
    const AttachRead read = ReadAttachment(doc, a, data);
    if (read != AttachRead::Ok) {
        host.SetStatus(AttachReadMessage(read));
        return false;
    }
    if (const std::string failure = WriteWholeFile(path, data.data(), data.size()); !failure.empty()) {
        host.Inform("Файл не записан: ", failure);
        return false;
    }
    return true;
}

std::string SafeFileName(const std::string& name, size_t number) {
    const size_t cut = name.find_last_of("/\\");
    std::string last = ValidUtf8(cut == std::string::npos ? name : name.substr(cut + 1));
    for (char& c : last)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '_';
    if (last.empty() || last == "." || last == "..") return "attachment-" + std::to_string(number);
    return last;
}

}  // namespace quillon
