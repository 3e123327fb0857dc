#include "dump/dump_source.h"

#include <algorithm>

#include "core/ebml.h"
#include "core/source_file.h"

namespace quillon {

DumpRead ReadElementBytes(const Document& doc, size_t row, size_t limit, std::vector<uint8_t>& out) {
    out.clear();
    if (row >= doc.lista.size()) return DumpRead::Changed;
    const Tbrick& e = doc.lista[row];
    SourceFile file;
    if (!file.Open(doc.sourcePath)) return DumpRead::CannotOpen;
    const uint64_t want = std::min<uint64_t>(e.totalSize, limit);
    // Read at least the header, so a small limit still checks the ID and size.
    const uint64_t read = std::min<uint64_t>(e.totalSize, std::max<uint64_t>(want, 4 + 8));
    if (!file.Holds(e.position, read) || !file.ReadAt(e.position, size_t(read), out)) {
        out.clear();
        return DumpRead::Changed;
    }
    // The ID and the size field must be those the scan read there.
    const uint32_t id = e.id();
    const size_t idLength = IdLength(id);
    if (id != 0) {
        if (out.size() < idLength) return out.clear(), DumpRead::Changed;
        uint32_t stored = 0;
        for (size_t i = 0; i < idLength; ++i) stored = stored << 8 | out[i];
        if (stored != id) return out.clear(), DumpRead::Changed;
        const Vint size = ReadVint(out, idLength);
        if (size.length == 0 || (!IsUnknownSize(size.value, size.length) && size.value != e.dataSize))
            return out.clear(), DumpRead::Changed;
    }
    out.resize(size_t(want));
    return DumpRead::Ok;
}

DumpRead ReadFileBytes(const std::string& path, uint64_t offset, size_t length, std::vector<uint8_t>& out) {
    out.clear();
    SourceFile file;
    if (!file.Open(path)) return DumpRead::CannotOpen;
    if (offset >= file.Size()) return DumpRead::PastEnd;
    const size_t count = size_t(std::min<uint64_t>(length, file.Size() - offset));
    if (!file.ReadAt(offset, count, out)) return out.clear(), DumpRead::CannotOpen;
    return DumpRead::Ok;
}

const char* DumpReadMessage(DumpRead result) {
    switch (result) {
        case DumpRead::CannotOpen: return "файл не открывается: нет доступа.";
        case DumpRead::PastEnd: return "Смещение за концом файла: там нет ни одного байта.";
        default: return "Элемент уже не на своём месте: файл изменился после открытия.";
    }
}

}  // namespace quillon
