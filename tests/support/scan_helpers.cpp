#include "support/scan_helpers.h"

#include "core/source_file.h"

namespace quillon::test {

void ScanBytes(const ByteVec& bytes, ScanKind kind, Scanned& out) {
    TempFile file(bytes);
    SourceFile source;
    if (!source.Open(file.path())) throw std::runtime_error("cannot open " + file.path());
    if (kind == ScanKind::Header) {
        out.outcome = ScanOutcome{};
        out.outcome.result = ReadTracks(source, out.host, out.list);
    } else {
        out.outcome = ReadStruct(source, out.host, out.list, kind == ScanKind::Full);
    }
}

std::vector<std::string> Outline(const tabrick& list) {
    std::vector<std::string> names;
    for (size_t i = 0; i < list.size(); ++i)
        names.push_back(std::string(static_cast<size_t>(list[i].depth), '.') + list[i].name());
    return names;
}

int RowNamed(const tabrick& list, const std::string& name, int from) {
    for (size_t i = static_cast<size_t>(from); i < list.size(); ++i)
        if (name == list[i].name()) return static_cast<int>(i);
    return -1;
}

}  // namespace quillon::test
