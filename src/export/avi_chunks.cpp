#include "export/avi_chunks.h"

#include <algorithm>

namespace quillon {

const char* ChunkId(AviStream stream) { return stream == AviStream::Video ? "00dc" : "01wb"; }

void TimePofixMOVI(std::vector<AviChunk>& chunks) {
    struct Group {
        int64_t time;
        std::vector<size_t> members;
    };
    std::vector<Group> groups;
    for (size_t i = 0; i < chunks.size(); ++i) {
        if (chunks[i].stream != AviStream::Audio) continue;
        if (groups.empty() || groups.back().time != chunks[i].time) groups.push_back({chunks[i].time, {}});
        groups.back().members.push_back(i);
    }
    int64_t step = 0;
    for (size_t g = 0; g < groups.size(); ++g) {
        const Group& group = groups[g];
        if (group.members.size() < 2) continue;
        if (g + 1 < groups.size()) step = (groups[g + 1].time - group.time) / int64_t(group.members.size());
        for (size_t k = 0; k < group.members.size(); ++k)
            chunks[group.members[k]].time = group.time + int64_t(k + 1) * step;
    }
}

std::vector<uint32_t> InterleaveByTime(const std::vector<AviChunk>& chunks) {
    // Each stream keeps its order; between the streams the earlier time goes
    // first, the one listed first on a tie. The video's time is the largest
    // seen so far, so a B-frame's earlier time does not pull the video ahead.
    std::vector<uint32_t> order;
    order.reserve(chunks.size());
    const auto next = [&](size_t from, AviStream stream) {
        while (from < chunks.size() && chunks[from].stream != stream) ++from;
        return from;
    };
    size_t v = next(0, AviStream::Video), a = next(0, AviStream::Audio);
    int64_t videoTime = INT64_MIN;
    while (v < chunks.size() || a < chunks.size()) {
        const int64_t nextVideo = v < chunks.size() ? std::max(videoTime, chunks[v].time) : INT64_MAX;
        const bool videoFirst = v < chunks.size() && (a >= chunks.size() || nextVideo < chunks[a].time ||
                                                      (nextVideo == chunks[a].time && v < a));
        if (videoFirst) {
            videoTime = nextVideo;
            order.push_back(uint32_t(v));
            v = next(v + 1, AviStream::Video);
        } else {
            order.push_back(uint32_t(a));
            a = next(a + 1, AviStream::Audio);
        }
    }
    return order;
}

}  // namespace quillon
