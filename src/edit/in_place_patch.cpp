#include "edit/in_place_patch.h"

#include <fcntl.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "core/crc32.h"
#include "core/dictionary.h"
#include "core/ebml.h"
#include "core/file_io.h"
#include "reader/element_queries.h"
#include "core/generated/element_ids.h"

namespace quillon {
namespace {

class WritableFile {
public:
    explicit WritableFile(const std::string& path) : fd_(::open(path.c_str(), O_RDWR | O_CLOEXEC)), error_(fd_ < 0 ? errno : 0) {}
    ~WritableFile() {
        if (fd_ >= 0) ::close(fd_);
    }
    bool IsOpen() const { return fd_ >= 0; }
    bool Read(uint64_t at, std::vector<uint8_t>& out, size_t size) {
        out.resize(size);
        return PreadAll(fd_, out.data(), size, at) == static_cast<int64_t>(size);
    }
    bool Write(uint64_t at, const uint8_t* data, size_t size) { return Note(PwriteAll(fd_, data, size, at)); }
    // Closing reports what a delayed write could not do.
    bool Close() {
        const bool ok = Note(::fsync(fd_) == 0);
        const bool closed = Note(::close(fd_) == 0);
        fd_ = -1;
        return ok && closed;
    }
    // The system's error number of the open or the first write that failed.
    int Error() const { return error_; }

private:
    bool Note(bool ok) {
        if (!ok && error_ == 0) error_ = errno;
        return ok;
    }
    int fd_;
    int error_;
};

bool IsElement(const Document& doc, int element, uint32_t id) {
    return element >= 0 && static_cast<size_t>(element) < doc.lista.size() &&
           doc.lista[element].id() == id;
}

// Reads the element as the scan saw it and checks that the file still holds
// it there: same ID bytes and the same size field.
PatchResult ReadCurrent(WritableFile& file, const Tbrick& row, std::vector<uint8_t>& bytes) {
    if (row.totalSize > 4096 || !file.Read(row.position, bytes, static_cast<size_t>(row.totalSize)))
        return PatchResult::FileChanged;
    const uint32_t idLength = row.idLength();
    const uint32_t id = row.id();
    for (uint32_t i = 0; i < idLength; ++i)
        if (bytes[i] != static_cast<uint8_t>(id >> (8 * (idLength - 1 - i)))) return PatchResult::FileChanged;
    uint64_t size = bytes[idLength] & (0xFF >> row.sizeLen);
    for (uint32_t i = 1; i < row.sizeLen; ++i) size = size << 8 | bytes[idLength + i];
    const uint8_t marker = static_cast<uint8_t>(0x80 >> (row.sizeLen - 1));
    if ((bytes[idLength] & ~(0xFF >> row.sizeLen)) != marker || size != row.dataSize) return PatchResult::FileChanged;
    return PatchResult::Written;
}

}  // namespace

// `error` is the system's error number of a failed open or write.
PatchResult Report(Host& host, PatchResult result, const std::string& path, int error) {
    const std::string reason = path + ": " + std::strerror(error);
    switch (result) {
        case PatchResult::OpenFailed:
            if (error == EBUSY || error == ETXTBSY) host.Inform("файл занят другим приложением");
            else host.Inform("Файл не открыт для записи: ", reason);
            break;
        case PatchResult::WriteFailed: host.Inform("Не удалось записать изменение в файл: ", reason); break;
        case PatchResult::FileChanged: host.Inform("Файл изменился после чтения: откройте его заново."); break;
        case PatchResult::TooLong: host.Inform("Новый код языка длиннее старого: его можно задать только в новом файле."); break;
        case PatchResult::BadCode: host.Inform("Неизвестный код языка: нужен код ISO 639-2 (rus, ger) или BCP 47 (ru, de-AT)."); break;
        case PatchResult::NoElement:
            host.Inform("У трека нет этого элемента, а места для него в файле нет: это можно задать только в новом файле (remux).");
            break;
        default: break;
    }
    return result;
}

namespace {

// The CRC-32 elements of the patched element's ancestors (innermost first:
// an outer CRC covers the inner one's bytes) are recomputed over what the
// file now holds and written in place, so the file stays valid. Ancestors
// at the top level are left alone: no muxer puts a CRC-32 in a Segment.
bool UpdateCrcs(const tabrick& list, int element, WritableFile& file) {
    std::vector<uint8_t> data;
    for (int32_t at = list[element].parent; at >= 0 && list[at].parent >= 0; at = list[at].parent) {
        const int crc = FindChildElement(list, kCRC32, at);
        if (crc < 0 || list[crc].dataSize != 4 || list[crc].damage) continue;
        const uint64_t from = list[crc].end(), to = list[at].end();
        if (to < from || !file.Read(from, data, static_cast<size_t>(to - from))) return false;
        const uint32_t value = Crc32(data.data(), data.size());
        const uint8_t bytes[4] = {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16), uint8_t(value >> 24)};
        if (!file.Write(list[crc].dataStart(), bytes, 4)) return false;
    }
    return true;
}

PatchResult Patch(Document& doc, Host& host, int element, uint64_t offset, const std::vector<uint8_t>& bytes,
                  std::vector<uint8_t>& current) {
    const Tbrick& row = doc.lista[element];
    WritableFile file(doc.sourcePath);
    if (!file.IsOpen()) return Report(host, PatchResult::OpenFailed, doc.sourcePath, file.Error());
    if (const PatchResult check = ReadCurrent(file, row, current); check != PatchResult::Written) return Report(host, check);
    if (!file.Write(row.position + offset, bytes.data(), bytes.size()) || !UpdateCrcs(doc.lista, element, file) ||
        !file.Close())
        return Report(host, PatchResult::WriteFailed, doc.sourcePath, file.Error());
    return PatchResult::Written;
}

}  // namespace

PatchResult VerifyElement(Document& doc, Host& host, int element) {
    if (element < 0 || static_cast<size_t>(element) >= doc.lista.size()) return PatchResult::NotThatElement;
    WritableFile file(doc.sourcePath);
    if (!file.IsOpen()) return Report(host, PatchResult::OpenFailed, doc.sourcePath, file.Error());
    std::vector<uint8_t> current;
    return Report(host, ReadCurrent(file, doc.lista[element], current));
}

PatchResult TrackSetDef(Document& doc, Host& host, int element, uint8_t value) {
    if (!IsElement(doc, element, kFlagDefault) || doc.lista[element].dataSize == 0 || doc.lista[element].dataSize > 8)
        return PatchResult::NotThatElement;
    Tbrick& row = doc.lista[element];
    // The data bytes only, big-endian in the element's own width.
    std::vector<uint8_t> data(static_cast<size_t>(row.dataSize), 0);
    data.back() = value;
    std::vector<uint8_t> current;
    const PatchResult result = Patch(doc, host, element, row.idLength() + row.sizeLen, data, current);
    if (result == PatchResult::Written) row.number = value;
    return result;
}

bool LanguageFits(const Tbrick& row, const std::string& code) {
    return !code.empty() && code.size() <= row.dataSize && row.sizeLen + (row.dataSize - code.size()) <= 8;
}

PatchResult TrackSetLang(Document& doc, Host& host, int element, const std::string& code) {
    if (!IsElement(doc, element, kLanguage) && !IsElement(doc, element, kLanguageBCP47)) return PatchResult::NotThatElement;
    Tbrick& row = doc.lista[element];
    if (code.empty()) return Report(host, PatchResult::BadCode);
    for (char c : code)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-') return Report(host, PatchResult::BadCode);
    if (!LanguageFits(row, code)) return Report(host, PatchResult::TooLong);
    // The bytes saved by a shorter code widen the size field instead of
    // padding the code: "de" is a language, "de " is not.
    const uint64_t saved = row.dataSize - code.size();
    const uint64_t width = row.sizeLen + saved;
    std::vector<uint8_t> bytes(static_cast<size_t>(width + code.size()), 0);
    PutVint(code.size(), static_cast<int>(width), bytes, 0);
    std::copy(code.begin(), code.end(), bytes.begin() + static_cast<long>(width));
    std::vector<uint8_t> current;
    const PatchResult result = Patch(doc, host, element, row.idLength(), bytes, current);
    if (result == PatchResult::Written) {
        row.sizeLen = static_cast<uint8_t>(width);
        row.dataSize = code.size();
        row.bytes = code;
    }
    return result;
}

}  // namespace quillon
