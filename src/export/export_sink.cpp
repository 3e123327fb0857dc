#include "export/export_sink.h"

namespace quillon {

void ExportSink::Put(const void* data, size_t size) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    if (buffer_.size() + size > kChunk) {
        Flush();
        if (size >= kChunk) {  // a big frame goes straight out
            file_.Write(bytes, size);
            return;
        }
    }
    buffer_.insert(buffer_.end(), bytes, bytes + size);
}

bool ExportSink::Flush() {
    if (!buffer_.empty()) file_.Write(buffer_.data(), buffer_.size());
    buffer_.clear();
    return !file_.Failed();
}

}  // namespace quillon
