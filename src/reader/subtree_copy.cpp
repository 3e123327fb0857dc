#include "reader/subtree_copy.h"

#include "core/dictionary.h"
#include "core/generated/element_ids.h"
#include "reader/element_queries.h"
#include "core/put_primitives.h"
#include "core/written_text.h"

namespace quillon {

bool ReadElementData(SourceFile& source, const Tbrick& row, std::vector<uint8_t>& out) {
    if (row.dataSize > SIZE_MAX) return false;
    return source.ReadAt(row.dataStart(), static_cast<size_t>(row.dataSize), out);
}

void AppendChildren(const tabrick& list, int parent, SourceFile& source, std::vector<uint8_t>& out) {
    ForEachChild(list, parent, [&](int child) { AppendSubtree(list, child, source, out); });
}

void AppendSubtree(const tabrick& list, int row, SourceFile& source, std::vector<uint8_t>& out) {
    const Tbrick& r = list[row];
    const uint32_t id = r.id();
    if (id == 0 || IsPaddingId(id) || (r.damage & kOutOfPlace)) return;
    if (r.kind() == 'c') {
        ByteList data;
        AppendChildren(list, row, source, data);
        AppendHeader(out, id, data.size());
        out.insert(out.end(), data.begin(), data.end());
        return;
    }
    if (r.damage & (kPastParent | kBadValueSize | kBadBlockHeader)) return;
    std::vector<uint8_t> data;
    if (!ReadElementData(source, r, data)) return;
    if (r.known()) {
        const char type = DictionaryRow(r.element).valueType;
        if (type == 's' || type == '8') {
            const std::string text = WritableText(type, std::string(data.begin(), data.end()));
            data.assign(text.begin(), text.end());
        }
    }
    AppendHeader(out, id, data.size());
    out.insert(out.end(), data.begin(), data.end());
}

}  // namespace quillon
