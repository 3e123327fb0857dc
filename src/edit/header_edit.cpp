#include "edit/header_edit.h"

#include <cerrno>
#include <cstring>

#include "core/ebml.h"
#include "core/generated/element_ids.h"
#include "core/source_file.h"
#include "core/uid_source.h"
#include "edit/master_rewrite.h"
#include "edit/segment_layout.h"

namespace quillon {
namespace {

uint64_t UnsignedChild(const EbmlNode& node, uint32_t id, uint64_t fallback) {
    const EbmlNode* c = node.Child(id);
    return c && c->data.size() <= 8 ? UIntValue(c->data, c->data.size()) : fallback;
}

std::vector<SelectableTrack> Selectable(EbmlNode& tracks, std::vector<EbmlNode*>& entries) {
    std::vector<SelectableTrack> list;
    for (EbmlNode& entry : tracks.children) {
        if (entry.id != kTrackEntry) continue;
        entries.push_back(&entry);
        list.push_back({UnsignedChild(entry, kTrackNumber, 0), UnsignedChild(entry, kTrackUID, 0),
                        uint8_t(UnsignedChild(entry, kTrackType, 0))});
    }
    return list;
}

// Sets or removes the property's elements in `master`.
void Apply(EbmlNode& master, const PropertyEdit& edit) {
    if (edit.remove) {
        master.RemoveChildren(edit.property->id);
        if (edit.property->kind == PropertyKind::Language) master.RemoveChildren(kLanguageBCP47);
        return;
    }
    for (const PropertyBytes& value : edit.values) master.SetChild(value.id, value.data);
}

// The master inside a TrackEntry the property's element stands in; null when
// the track's type has none (a video property of an audio track).
EbmlNode* PropertyMasterOf(EbmlNode& entry, uint8_t type, const PropertyEdit& edit) {
    switch (edit.property->master) {
        case PropertyMaster::Track: return &entry;
        case PropertyMaster::Video: return type == 1 ? &entry.MasterChild(kVideo) : nullptr;
        case PropertyMaster::Colour: return type == 1 ? &entry.MasterChild(kVideo).MasterChild(kColour) : nullptr;
        case PropertyMaster::Audio: return type == 2 ? &entry.MasterChild(kAudio) : nullptr;
        case PropertyMaster::Info: return nullptr;
    }
    return nullptr;
}

// A master the edits emptied is left out (Colour without a value says nothing).
void DropEmptyColour(EbmlNode& entry) {
    if (EbmlNode* video = entry.Child(kVideo)) {
        if (const EbmlNode* colour = video->Child(kColour); colour && colour->children.empty())
            video->RemoveChildren(kColour);
    }
}

// A track without FlagDefault is a default track by the format's rule.
bool IsDefault(const EbmlNode& entry) { return UnsignedChild(entry, kFlagDefault, 1) != 0; }

// The track becomes the one default track of its type, as the grid's mark
// makes it: a flag is written only where the track's state changes.
void MakeOnlyDefault(std::vector<EbmlNode*>& entries, const std::vector<SelectableTrack>& list, size_t chosen) {
    if (!IsDefault(*entries[chosen])) entries[chosen]->SetChild(kFlagDefault, {1});
    for (size_t other = 0; other < list.size(); ++other)
        if (other != chosen && list[other].type == list[chosen].type && IsDefault(*entries[other]))
            entries[other]->SetChild(kFlagDefault, {0});
}

// A file's bytes to attach, bounded as a master is.
std::optional<std::vector<uint8_t>> FileBytes(const std::string& path, EditRefusal& refusal) {
    constexpr uint64_t kLargestAttachment = uint64_t(256) << 20;
    SourceFile file;
    if (!file.Open(path)) {
        refusal = {"Файл не прочитан: ", path + ": " + std::strerror(errno)};
        return std::nullopt;
    }
    if (file.Size() > kLargestAttachment) {
        refusal = {"правка на месте невозможна, нужен новый файл (remux): ", path};
        return std::nullopt;
    }
    std::vector<uint8_t> bytes;
    if (!file.ReadAt(0, size_t(file.Size()), bytes)) {
        refusal = {"Файл не прочитан: ", path + ": " + std::strerror(file.LastError())};
        return std::nullopt;
    }
    return bytes;
}

std::vector<uint8_t> Text(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

}  // namespace

std::optional<EditRefusal> ApplyAttachmentEdits(EbmlNode& attachments, const std::vector<AttachmentEdit>& edits) {
    for (const AttachmentEdit& edit : edits) {
        std::vector<EbmlNode*> files;
        for (EbmlNode& child : attachments.children)
            if (child.id == kAttachedFile) files.push_back(&child);
        EbmlNode* target = nullptr;
        if (edit.kind != AttachmentEdit::Add) {
            if (edit.number < 1 || edit.number > files.size())
                return EditRefusal{"нет такого вложения", ": " + std::to_string(edit.number)};
            target = files[edit.number - 1];
        }
        if (edit.kind == AttachmentEdit::Drop) {
            attachments.children.erase(attachments.children.begin() + (target - attachments.children.data()));
            continue;
        }
        EditRefusal refusal;
        std::optional<std::vector<uint8_t>> data = FileBytes(edit.path, refusal);
        if (!data) return refusal;
        if (!target) {
            attachments.children.push_back(EbmlNode{kAttachedFile, true, {}, {}});
            target = &attachments.children.back();
            const uint64_t uid = NewUid([&](uint64_t candidate) {
                for (const EbmlNode* f : files)
                    if (UnsignedChild(*f, kFileUID, 0) == candidate) return true;
                return false;
            });
            std::vector<uint8_t> uidBytes(8);
            for (int k = 0; k < 8; ++k) uidBytes[7 - size_t(k)] = uint8_t(uid >> (8 * k));
            target->SetChild(kFileName, Text(edit.name));
            target->SetChild(kFileMimeType, Text(edit.mime));
            target->SetChild(kFileData, std::move(*data));
            target->SetChild(kFileUID, uidBytes);
            continue;
        }
        // A replaced attachment keeps its UID (tags and chapters may name it),
        // its name, type and description: only its data changes.
        target->SetChild(kFileData, std::move(*data));
    }
    return std::nullopt;
}

std::optional<EditRefusal> ApplyInfoEdits(EbmlNode& info, const std::vector<PropertyEdit>& edits) {
    for (const PropertyEdit& edit : edits) {
        if (!edit.info) continue;
        if (edit.property->master != PropertyMaster::Info)
            return EditRefusal{"это свойство трека, не файла: ", edit.property->name};
        Apply(info, edit);
    }
    return std::nullopt;
}

std::optional<EditRefusal> ApplyTrackEdits(EbmlNode& tracks, const std::vector<PropertyEdit>& edits) {
    std::vector<EbmlNode*> entries;
    const std::vector<SelectableTrack> list = Selectable(tracks, entries);
    for (const PropertyEdit& edit : edits) {
        if (edit.info) continue;
        if (edit.property->master == PropertyMaster::Info)
            return EditRefusal{"это свойство файла, не трека (--info): ", edit.property->name};
        const std::optional<size_t> k = SelectTrack(list, edit.selector);
        if (!k) return EditRefusal{"нет такого трека:", " " + edit.selectorText};
        EbmlNode* master = PropertyMasterOf(*entries[*k], list[*k].type, edit);
        if (!master)
            return EditRefusal{"свойство не подходит к типу трека: ", std::string(edit.property->name) + " (" + edit.selectorText + ")"};
        if (edit.onlyDefaultOfType) {
            MakeOnlyDefault(entries, list, *k);
            continue;
        }
        Apply(*master, edit);
        DropEmptyColour(*entries[*k]);
    }
    return std::nullopt;
}

HeaderEditResult EditHeaders(const std::string& path, const std::vector<PropertyEdit>& edits,
                             const std::vector<AttachmentEdit>& attachments) {
    HeaderEditResult result;
    bool infoEdits = false, trackEdits = false;
    for (const PropertyEdit& edit : edits) (edit.info ? infoEdits : trackEdits) = true;
    auto fail = [&](const RewriteFailure& failure) {
        result.refusal = {failure.key, failure.detail};
        result.error = failure.error;
        return result;
    };

    MasterRewriter rewriter;
    if (const std::optional<RewriteFailure> failure = rewriter.Open(path)) return fail(*failure);
    // Every master is changed in memory first: a refusal leaves the file untouched.
    std::vector<std::pair<uint32_t, EbmlNode>> changed;
    for (const auto& [id, wanted] : {std::pair{kInfo, infoEdits}, std::pair{kTracks, trackEdits}}) {
        if (!wanted) continue;
        std::optional<EbmlNode> master;
        if (const std::optional<RewriteFailure> failure = rewriter.ReadMaster(id, master)) return fail(*failure);
        const EbmlNode before = *master;
        const std::optional<EditRefusal> refusal =
            id == kInfo ? ApplyInfoEdits(*master, edits) : ApplyTrackEdits(*master, edits);
        if (refusal) {
            result.refusal = *refusal;
            return result;
        }
        if (SerializeElement(*master) != SerializeElement(before)) changed.emplace_back(id, std::move(*master));
    }
    std::optional<EbmlNode> attached;
    const bool hadAttachments = rewriter.Has(kAttachments);
    if (!attachments.empty()) {
        if (hadAttachments) {
            if (const std::optional<RewriteFailure> failure = rewriter.ReadMaster(kAttachments, attached)) return fail(*failure);
        } else {
            attached = EbmlNode{kAttachments, true, {}, {}};
        }
        if (const std::optional<EditRefusal> refusal = ApplyAttachmentEdits(*attached, attachments)) {
            result.refusal = *refusal;
            return result;
        }
    }

    for (const auto& [id, master] : changed) {
        bool moved = false;
        if (const std::optional<RewriteFailure> failure = rewriter.Rewrite(id, master, moved)) return fail(*failure);
        ++result.mastersWritten;
        result.mastersMoved += moved ? 1 : 0;
    }
    if (attached) {
        const bool empty = attached->Child(kAttachedFile) == nullptr;
        bool moved = false;
        std::optional<RewriteFailure> failure;
        if (empty) failure = hadAttachments ? rewriter.Remove(kAttachments) : std::nullopt;
        else if (hadAttachments) failure = rewriter.Rewrite(kAttachments, *attached, moved);
        else failure = rewriter.Add(*attached), moved = true;
        if (failure) return fail(*failure);
        if (!empty || hadAttachments) ++result.mastersWritten;
        result.mastersMoved += moved ? 1 : 0;
    }
    result.ok = true;
    return result;
}

}  // namespace quillon
