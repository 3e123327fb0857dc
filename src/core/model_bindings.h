// Which element fills which field of the writer's model: one table per
// master, read by the model builder (element list to model) and by the
// section builders (model to bytes), in the order the fields are written.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "core/mkv_model.h"

namespace quillon {

template <class Record>
using ModelField = std::variant<Present<uint8_t> Record::*, Present<uint32_t> Record::*, Present<uint64_t> Record::*,
                                Present<int64_t> Record::*, Present<float> Record::*, Present<std::string> Record::*,
                                Present<std::vector<uint8_t>> Record::*, Present<std::array<uint8_t, 16>> Record::*>;

template <class Record>
struct Binding {
    uint32_t id;  // a generated element constant
    ModelField<Record> field;
};

std::span<const Binding<tebml>> EbmlBindings();
std::span<const Binding<tinfo>> InfoBindings();
// A TrackEntry's own children; Video, Audio and ContentEncodings are masters
// of their own, written after Name.
std::span<const Binding<tTrackEntry>> EntryBindings();
std::span<const Binding<tTrackEntry>> VideoBindings();
std::span<const Binding<tTrackEntry>> AudioBindings();
std::span<const Binding<tAttachedFile>> AttachedFileBindings();

// The binding of element `id` in a table, or nullptr.
template <class Record>
const Binding<Record>* FindBinding(std::span<const Binding<Record>> table, uint32_t id) {
    for (const Binding<Record>& b : table)
        if (b.id == id) return &b;
    return nullptr;
}

}  // namespace quillon
