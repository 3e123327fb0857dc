// Writing a rebuilt header master back into its file so that the file is
// valid at every instant, whatever write is the last to happen:
// - when the master fits in its own room (its bytes plus a Void after it),
//   it is written there in one write, the rest of the room made a Void;
// - otherwise it is written behind the Segment's last element, where nothing
//   points yet (and synced); then one write switches the Segment's size and
//   the SeekHead's entry to it and makes the old master a Void (when the old
//   master stands farther away, a last write voids it). A SeekHead without
//   room for the new entry moves behind the master too, and the one in front
//   is left pointing to it.
// Clusters and Cues never move or change; the file is never copied.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "core/ebml_tree.h"
#include "core/source_file.h"
#include "edit/segment_layout.h"

namespace quillon {

// A refusal or failure: a message key (Russian, through the lookup), the
// detail after it, and the system's error where there is one.
struct RewriteFailure {
    const char* key = nullptr;
    std::string detail;
    int error = 0;
};

// The Void header (ID and size field) that makes `total` bytes one Void.
std::vector<uint8_t> VoidHeader(uint64_t total);

class MasterRewriter {
public:
    MasterRewriter() = default;
    ~MasterRewriter();
    MasterRewriter(const MasterRewriter&) = delete;
    MasterRewriter& operator=(const MasterRewriter&) = delete;

    // Opens the file for reading and writing and reads its top level.
    std::optional<RewriteFailure> Open(const std::string& path);
    // The master with that ID taken apart; refused when it is missing or damaged.
    std::optional<RewriteFailure> ReadMaster(uint32_t id, std::optional<EbmlNode>& master);
    // Writes `master` in place of the one with its ID; `moved` tells that it
    // went behind the last element.
    std::optional<RewriteFailure> Rewrite(uint32_t id, const EbmlNode& master, bool& moved);
    // A master the file lacks, written behind the last element and listed
    // from the front SeekHead.
    std::optional<RewriteFailure> Add(const EbmlNode& master);
    // The master made a Void, its SeekHead entries gone first.
    std::optional<RewriteFailure> Remove(uint32_t id);
    // Whether the file holds a master with that ID.
    bool Has(uint32_t id) const { return layout_.Find(id) != nullptr; }

private:
    std::optional<RewriteFailure> ReadLayout();
    std::optional<RewriteFailure> CheckUnchanged(const TopElement& old, uint32_t id);
    std::optional<RewriteFailure> WriteAt(uint64_t position, const std::vector<uint8_t>& bytes);
    std::optional<RewriteFailure> Sync();
    // `old` null: a master the file lacks.
    std::optional<RewriteFailure> Move(const TopElement* old, const EbmlNode& master);
    std::optional<RewriteFailure> ReadTree(const TopElement& element, EbmlNode& tree);
    // The element's bytes and the Void behind it.
    uint64_t RoomOf(const TopElement& element);

    std::string path_;
    int fd_ = -1;
    SourceFile file_;
    SegmentLayout layout_;
    struct stat seen_ = {};  // the file as last read: a change by another program is refused
    std::vector<std::pair<uint32_t, std::vector<uint8_t>>> masters_;  // the bytes each master was read with
};

}  // namespace quillon
