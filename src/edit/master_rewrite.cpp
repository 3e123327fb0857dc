#include "edit/master_rewrite.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

#include "core/dictionary.h"
#include "core/file_io.h"
#include "core/generated/element_ids.h"
#include "core/put_primitives.h"

namespace quillon {
namespace {

// The switch write runs from the Segment's size field to the SeekHead's end:
// one write, so it is never half done. Files whose SeekHead stands farther
// from the Segment's start than this are not edited in place.
constexpr uint64_t kLongestSwitch = 1 << 20;
// A master larger than this is not read into memory for an edit.
constexpr uint64_t kLargestMaster = uint64_t(256) << 20;

std::string Offset(uint64_t at) { return std::to_string(at); }

std::string Reason(const std::string& path, int error) { return path + ": " + std::strerror(error); }

std::vector<uint8_t> IdBytes(uint32_t id) {
    std::vector<uint8_t> bytes;
    for (int k = int(IdLength(id)) - 1; k >= 0; --k) bytes.push_back(uint8_t(id >> (8 * k)));
    return bytes;
}

std::vector<uint8_t> Unsigned(uint64_t value) {
    std::vector<uint8_t> bytes(size_t(UIntWidth(value)));
    for (size_t k = 0; k < bytes.size(); ++k) bytes[bytes.size() - 1 - k] = uint8_t(value >> (8 * k));
    return bytes;
}

EbmlNode SeekFor(uint32_t id, uint64_t position) {
    EbmlNode seek{kSeek, true, {}, {}};
    seek.children.push_back({kSeekID, false, IdBytes(id), {}});
    seek.children.push_back({kSeekPosition, false, Unsigned(position), {}});
    return seek;
}

// The master written into `room` bytes: itself and a Void over the rest, or
// itself with a size field one byte wider when one byte is left (a Void
// needs two); nullopt when it does not fit.
std::optional<std::vector<uint8_t>> FitInRoom(const EbmlNode& master, uint64_t room) {
    std::vector<uint8_t> bytes = SerializeElement(master);
    if (bytes.size() == room) return bytes;
    if (room >= bytes.size() + 2) {
        const std::vector<uint8_t> pad = VoidHeader(room - bytes.size());
        bytes.insert(bytes.end(), pad.begin(), pad.end());
        return bytes;
    }
    if (room == bytes.size() + 1) {
        std::vector<uint8_t> wider = SerializeElement(master, 1);
        if (wider.size() == room) return wider;
    }
    return std::nullopt;
}

RewriteFailure NoRoom(const char* what) {
    return {"правка на месте невозможна, нужен новый файл (remux): ", what};
}

const char* ElementName(uint32_t id) {
    const int row = FindElementById(id);
    return row >= 0 ? DictionaryRow(row).name : "?";
}

}  // namespace

std::vector<uint8_t> VoidHeader(uint64_t total) {
    for (int length = 1; length <= 8; ++length) {
        if (total < uint64_t(1 + length)) break;
        const uint64_t size = total - 1 - uint64_t(length);
        if (VintWidth(size) > length) continue;
        std::vector<uint8_t> header(1 + size_t(length));
        header[0] = uint8_t(kVoid);
        PutVint(size, length, header, 1);
        return header;
    }
    return {};
}

MasterRewriter::~MasterRewriter() {
    if (fd_ >= 0) ::close(fd_);
}

std::optional<RewriteFailure> MasterRewriter::Open(const std::string& path) {
    path_ = path;
    fd_ = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd_ < 0) return RewriteFailure{"Файл не открыт для записи: ", Reason(path, errno), errno};
    return ReadLayout();
}

std::optional<RewriteFailure> MasterRewriter::ReadLayout() {
    file_.Close();
    if (!file_.Open(path_)) return RewriteFailure{"Файл не прочитан: ", Reason(path_, errno), errno};
    if (::fstat(fd_, &seen_) != 0) return RewriteFailure{"Файл не прочитан: ", Reason(path_, errno), errno};
    const LayoutRead read = ReadSegmentLayout(file_);
    switch (read.problem) {
        case LayoutProblem::None: break;
        case LayoutProblem::ReadFailed:
            return RewriteFailure{"Файл не прочитан: ", Reason(path_, read.error), read.error};
        case LayoutProblem::NotMatroska: return RewriteFailure{"не файл Matroska: ", path_};
        case LayoutProblem::Damaged:
            return RewriteFailure{"файл повреждён, правка на месте разнесла бы повреждение; нужен новый файл (remux). Место: ",
                                  Offset(read.where)};
        case LayoutProblem::OtherData:
            return RewriteFailure{"за концом сегмента в файле другие данные; нужен новый файл (remux). Место: ",
                                  Offset(read.where)};
        case LayoutProblem::NoSeekHead:
            return RewriteFailure{"в файле нет SeekHead, перенесённый элемент никто бы не нашёл; нужен новый файл (remux)", ""};
    }
    layout_ = read.layout;
    return std::nullopt;
}

std::optional<RewriteFailure> MasterRewriter::ReadMaster(uint32_t id, std::optional<EbmlNode>& master) {
    const TopElement* element = layout_.Find(id);
    if (!element) return RewriteFailure{"в файле нет элемента ", ElementName(id)};
    if (element->Length() > kLargestMaster) return NoRoom(ElementName(id));
    std::vector<uint8_t> bytes;
    if (!file_.ReadAt(element->position, size_t(element->Length()), bytes))
        return RewriteFailure{"Файл не прочитан: ", Reason(path_, file_.LastError()), file_.LastError()};
    ParsedMaster parsed = ParseMasterElement(bytes);
    if (!parsed.node)
        return RewriteFailure{"файл повреждён, правка на месте разнесла бы повреждение; нужен новый файл (remux). Место: ",
                              Offset(element->position) + " (" + ElementName(id) + ")"};
    master = std::move(parsed.node);
    masters_.emplace_back(id, std::move(bytes));
    return std::nullopt;
}

std::optional<RewriteFailure> MasterRewriter::CheckUnchanged(const TopElement& old, uint32_t id) {
    struct stat now = {};
    if (::fstat(fd_, &now) != 0) return RewriteFailure{"Файл не прочитан: ", Reason(path_, errno), errno};
    bool same = now.st_size == seen_.st_size && now.st_mtim.tv_sec == seen_.st_mtim.tv_sec &&
                now.st_mtim.tv_nsec == seen_.st_mtim.tv_nsec;
    std::vector<uint8_t> bytes;
    if (same) {
        file_.ResetReadCache();
        if (!file_.ReadAt(old.position, size_t(old.Length()), bytes))
            return RewriteFailure{"Файл не прочитан: ", Reason(path_, file_.LastError()), file_.LastError()};
        for (const auto& [seenId, seenBytes] : masters_)
            if (seenId == id) same = same && seenBytes == bytes;
    }
    if (!same) return RewriteFailure{"файл изменился во время правки, он не тронут: ", path_};
    return std::nullopt;
}

std::optional<RewriteFailure> MasterRewriter::WriteAt(uint64_t position, const std::vector<uint8_t>& bytes) {
    if (!PwriteAll(fd_, bytes.data(), bytes.size(), position))
        return RewriteFailure{"Не удалось записать изменение в файл: ", Reason(path_, errno), errno};
    return std::nullopt;
}

std::optional<RewriteFailure> MasterRewriter::Sync() {
    if (::fdatasync(fd_) != 0) return RewriteFailure{"Не удалось записать изменение в файл: ", Reason(path_, errno), errno};
    return std::nullopt;
}

std::optional<RewriteFailure> MasterRewriter::Rewrite(uint32_t id, const EbmlNode& master, bool& moved) {
    const TopElement* found = layout_.Find(id);
    if (!found) return RewriteFailure{"в файле нет элемента ", ElementName(id)};
    const TopElement old = *found;
    const std::optional<TopElement> pad = VoidAfter(file_, layout_, old);
    const uint64_t room = old.Length() + (pad ? pad->Length() : 0);
    moved = false;
    // A master of the same length is written alone: the Void after it keeps its bytes.
    std::optional<std::vector<uint8_t>> fitted = SerializeElement(master);
    if (fitted->size() != old.Length()) fitted = FitInRoom(master, room);
    if (fitted) {
        if (auto failure = CheckUnchanged(old, id)) return failure;
        if (auto failure = WriteAt(old.position, *fitted)) return failure;
        if (auto failure = Sync()) return failure;
    } else {
        if (auto failure = Move(&old, master)) return failure;
        moved = true;
    }
    return ReadLayout();
}

std::optional<RewriteFailure> MasterRewriter::ReadTree(const TopElement& element, EbmlNode& tree) {
    std::vector<uint8_t> bytes;
    if (!file_.ReadAt(element.position, size_t(element.Length()), bytes))
        return RewriteFailure{"Файл не прочитан: ", Reason(path_, file_.LastError()), file_.LastError()};
    ParsedMaster parsed = ParseMasterElement(bytes);
    if (!parsed.node) return NoRoom(ElementName(element.id));
    tree = std::move(*parsed.node);
    return std::nullopt;
}

uint64_t MasterRewriter::RoomOf(const TopElement& element) {
    const std::optional<TopElement> pad = VoidAfter(file_, layout_, element);
    return element.Length() + (pad ? pad->Length() : 0);
}

namespace {

// Points every entry of `seekHead` at `from` (a position in the Segment) to `to`.
bool Redirect(EbmlNode& seekHead, uint64_t from, uint64_t to) {
    bool any = false;
    for (EbmlNode& seek : seekHead.children) {
        const EbmlNode* position = seek.Child(kSeekPosition);
        if (seek.id != kSeek || !position || position->data.size() > 8 ||
            UIntValue(position->data, position->data.size()) != from)
            continue;
        seek.SetChild(kSeekPosition, Unsigned(to));
        any = true;
    }
    return any;
}

}  // namespace

std::optional<RewriteFailure> MasterRewriter::Move(const TopElement* oldOrNull, const EbmlNode& master) {
    const TopElement head = layout_.elements[*layout_.seekHead];
    const uint64_t start = layout_.dataStart;
    const uint64_t append = layout_.end;
    std::vector<uint8_t> tail = SerializeElement(master);  // what goes behind the last element
    std::vector<std::pair<uint64_t, std::vector<uint8_t>>> laterWrites;  // SeekHeads rewritten in their rooms
    std::vector<TopElement> voids;                                        // made Voids last
    if (oldOrNull) voids.push_back(*oldOrNull);
    // A new master (none stood before) is listed from the front SeekHead.
    const TopElement old = oldOrNull ? *oldOrNull : TopElement{master.id, append, 0, 0};

    EbmlNode front;
    if (auto failure = ReadTree(head, front)) return failure;
    bool listed = oldOrNull && Redirect(front, old.position - start, append - start);

    // A SeekHead behind the front one (a muxer's, or another editor's) that
    // lists the old master is pointed to the new one too: in its own room,
    // or moved behind the master with the front one pointing to its copy.
    for (const TopElement& e : layout_.elements) {
        if (e.id != kSeekHead || e.position == head.position) continue;
        EbmlNode later;
        if (auto failure = ReadTree(e, later)) return failure;
        if (!oldOrNull || !Redirect(later, old.position - start, append - start)) continue;
        listed = true;
        if (std::optional<std::vector<uint8_t>> fitted = FitInRoom(later, RoomOf(e))) {
            laterWrites.emplace_back(e.position, std::move(*fitted));
            continue;
        }
        const uint64_t copyAt = append + tail.size();
        const std::vector<uint8_t> copy = SerializeElement(later);
        tail.insert(tail.end(), copy.begin(), copy.end());
        if (!Redirect(front, e.position - start, copyAt - start)) front.children.push_back(SeekFor(kSeekHead, copyAt - start));
        voids.push_back(e);
    }

    // A master no SeekHead listed is found from the front one from now on.
    if (!listed) front.children.push_back(SeekFor(old.id, append - start));
    const uint64_t headRoom = RoomOf(head);
    std::optional<std::vector<uint8_t>> frontBytes = FitInRoom(front, headRoom);
    if (!frontBytes) {
        // The full SeekHead goes behind the master too; the front one points to it.
        const uint64_t movedHead = append + tail.size();
        const std::vector<uint8_t> full = SerializeElement(front);
        tail.insert(tail.end(), full.begin(), full.end());
        EbmlNode pointer{kSeekHead, true, {}, {}};
        pointer.children.push_back(SeekFor(kSeekHead, movedHead - start));
        frontBytes = FitInRoom(pointer, headRoom);
        if (!frontBytes) return NoRoom("SeekHead");
    }

    const uint64_t newSize = append + tail.size() - start;
    if (!layout_.unknownSize && VintWidth(newSize) > layout_.segmentSizeLength) return NoRoom("Segment");
    // The switch: the Segment's size, the SeekHead and, when it stands near
    // enough (it usually follows the SeekHead) and nothing else points to it,
    // the old master made a Void, all in one write: a reader sees either the
    // old master or the new one.
    const std::vector<uint8_t> voided = oldOrNull ? VoidHeader(old.Length()) : std::vector<uint8_t>{};
    uint64_t from = layout_.unknownSize ? head.position : std::min(layout_.segmentSizeAt, head.position);
    uint64_t to = head.position + frontBytes->size();
    if (to - from > kLongestSwitch) return NoRoom("SeekHead");
    const uint64_t withOldFrom = std::min(from, old.position), withOldTo = std::max(to, old.position + voided.size());
    const bool voidInSwitch =
        oldOrNull && voids.size() == 1 && laterWrites.empty() && withOldTo - withOldFrom <= kLongestSwitch;
    if (voidInSwitch) from = withOldFrom, to = withOldTo;
    std::vector<uint8_t> switchBytes;
    if (!file_.ReadAt(from, size_t(to - from), switchBytes))
        return RewriteFailure{"Файл не прочитан: ", Reason(path_, file_.LastError()), file_.LastError()};
    if (!layout_.unknownSize) PutVint(newSize, layout_.segmentSizeLength, switchBytes, size_t(layout_.segmentSizeAt - from));
    std::copy(frontBytes->begin(), frontBytes->end(), switchBytes.begin() + long(head.position - from));
    if (voidInSwitch) std::copy(voided.begin(), voided.end(), switchBytes.begin() + long(old.position - from));

    // 1: the new master (and moved SeekHeads) where nothing points yet; 2: the
    // switch; 3: the SeekHeads behind rewritten in their rooms; 4: the old
    // master and the moved SeekHeads' old places made Voids, unless the switch
    // did it. Each is on the disk before the next.
    if (auto failure = oldOrNull ? CheckUnchanged(old, old.id) : CheckUnchanged(head, kSeekHead)) return failure;
    if (auto failure = WriteAt(append, tail)) return failure;
    if (auto failure = Sync()) return failure;
    if (auto failure = WriteAt(from, switchBytes)) return failure;
    if (auto failure = Sync()) return failure;
    if (voidInSwitch || voids.empty()) return std::nullopt;
    for (const auto& [position, bytes] : laterWrites) {
        if (auto failure = WriteAt(position, bytes)) return failure;
        if (auto failure = Sync()) return failure;
    }
    for (const TopElement& gone : voids)
        if (auto failure = WriteAt(gone.position, VoidHeader(gone.Length()))) return failure;
    return Sync();
}

std::optional<RewriteFailure> MasterRewriter::Add(const EbmlNode& master) {
    if (layout_.Find(master.id)) return RewriteFailure{"правка на месте невозможна, нужен новый файл (remux): ", ElementName(master.id)};
    if (auto failure = Move(nullptr, master)) return failure;
    return ReadLayout();
}

std::optional<RewriteFailure> MasterRewriter::Remove(uint32_t id) {
    const TopElement* found = layout_.Find(id);
    if (!found) return std::nullopt;
    const TopElement old = *found;
    const uint64_t relative = old.position - layout_.dataStart;
    // Every SeekHead entry that points to it goes (a SeekHead only shrinks: it fits its room).
    std::vector<std::pair<TopElement, std::vector<uint8_t>>> heads;
    for (const TopElement& e : layout_.elements) {
        if (e.id != kSeekHead) continue;
        EbmlNode tree;
        if (auto failure = ReadTree(e, tree)) return failure;
        const size_t before = tree.children.size();
        std::erase_if(tree.children, [&](const EbmlNode& seek) {
            const EbmlNode* position = seek.Child(kSeekPosition);
            return seek.id == kSeek && position && position->data.size() <= 8 &&
                   UIntValue(position->data, position->data.size()) == relative;
        });
        if (tree.children.size() == before) continue;
        std::optional<std::vector<uint8_t>> fitted = FitInRoom(tree, RoomOf(e));
        if (!fitted) return NoRoom("SeekHead");
        heads.emplace_back(e, std::move(*fitted));
    }
    // The SeekHeads first, then the master made a Void: nothing ever points into a Void.
    if (auto failure = CheckUnchanged(old, id)) return failure;
    for (const auto& [head, bytes] : heads)
        if (auto failure = WriteAt(head.position, bytes)) return failure;
    if (!heads.empty())
        if (auto failure = Sync()) return failure;
    if (auto failure = WriteAt(old.position, VoidHeader(old.Length()))) return failure;
    if (auto failure = Sync()) return failure;
    return ReadLayout();
}

}  // namespace quillon
