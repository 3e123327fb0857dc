#include "writer/tags_section.h"

#include <set>

#include "core/generated/element_ids.h"
#include "reader/element_queries.h"
#include "reader/format_check.h"
#include "reader/subtree_copy.h"

namespace quillon {
namespace {

// The UIDs a target may name, per kind, that the new file holds.
struct Kept {
    std::set<uint64_t> tracks, chapters, editions, attachments;

    const std::set<uint64_t>* For(uint32_t targetId) const {
        switch (targetId) {
            case kTagTrackUID: return &tracks;
            case kTagChapterUID: return &chapters;
            case kTagEditionUID: return &editions;
            case kTagAttachmentUID: return &attachments;
            default: return nullptr;
        }
    }
};

Kept WhatTheNewFileHolds(const Document& doc, const TrackMap& map, const RemuxOptions& options, SourceFile& source) {
    Kept kept;
    for (const tTrackEntry& t : doc.mkv.tracks) {
        const tnewto* row = t.trackNumber.present ? map.Find(t.trackNumber.value) : nullptr;
        if (row && row->active && t.trackUID.present) kept.tracks.insert(t.trackUID.value);
    }
    if (options.chapters) {
        const tabrick& list = doc.lista;
        const int chapters = FindFirstById(list, kChapters);
        for (size_t i = chapters < 0 ? list.size() : static_cast<size_t>(chapters); i < list.size(); i = SkipSubtree(list, i)) {
            if (list[i].id() != kChapters) break;
            for (size_t k = i + 1; k < list.size() && list[k].depth > list[i].depth; ++k) {
                uint64_t uid;
                if (list[k].id() == kChapterUID && ReadUnsigned(source, list[k], uid)) kept.chapters.insert(uid);
                if (list[k].id() == kEditionUID && ReadUnsigned(source, list[k], uid)) kept.editions.insert(uid);
            }
        }
    }
    if (options.attachments)
        for (const tAttachedFile& f : doc.mkv.attachedFiles)
            if (f.fileUID.present) kept.attachments.insert(f.fileUID.value);
    return kept;
}

// A tag's Targets with the UIDs the new file no longer holds left out; false
// when the tag aimed at something and nothing of it is left (0 names all of a kind).
bool KeptTargets(const tabrick& list, int targets, const Kept& kept, SourceFile& source, ByteList& out) {
    bool aimed = false, hits = false;
    ByteList data;
    ForEachChild(list, targets, [&](int child) {
        const std::set<uint64_t>* known = kept.For(list[child].id());
        uint64_t uid = 0;
        if (known && ReadUnsigned(source, list[child], uid)) {
            aimed = true;
            if (uid != 0 && !known->count(uid)) return;
            hits = true;
        }
        AppendSubtree(list, child, source, data);
    });
    if (aimed && !hits) return false;
    AppendHeader(out, kTargets, data.size());
    out.insert(out.end(), data.begin(), data.end());
    return true;
}

}  // namespace

ByteList TagsForRemux(const Document& doc, const TrackMap& map, const RemuxOptions& options, SourceFile& source) {
    if (!options.tags) return {};
    const tabrick& list = doc.lista;
    const int segment = FindFirstById(list, kSegment);
    if (segment < 0) return {};
    const Kept kept = WhatTheNewFileHolds(doc, map, options, source);
    ByteList tags;
    ForEachChild(list, segment, [&](int element) {
        if (list[element].id() != kTags) return;
        ForEachChild(list, element, [&](int tag) {
            if (list[tag].id() != kTag || (list[tag].damage & (kOutOfPlace | kPastParent))) return;
            ByteList data;
            bool keep = true;
            ForEachChild(list, tag, [&](int child) {
                if (list[child].id() == kTargets) keep = keep && KeptTargets(list, child, kept, source, data);
                else AppendSubtree(list, child, source, data);
            });
            if (!keep) return;
            AppendHeader(tags, kTag, data.size());
            tags.insert(tags.end(), data.begin(), data.end());
        });
    });
    if (tags.empty()) return {};
    ByteList element;
    AppendHeader(element, kTags, tags.size());
    element.insert(element.end(), tags.begin(), tags.end());
    return element;
}

}  // namespace quillon
