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

std::vector<AviChunk> InterleaveByTime(const std::vector<AviChunk>& chunks) {
    // Each stream keeps its order; between the streams the earlier time goes
    // first, the one listed first on a tie. The video's time is the largest
    // seen so far, so a B-frame's earlier time does not pull the video ahead.
    std::vector<const AviChunk*> video, audio;
    for (const AviChunk& c : chunks) (c.stream == AviStream::Video ? video : audio).push_back(&c);
    std::vector<AviChunk> out;
    out.reserve(chunks.size());
    size_t v = 0, a = 0;
    int64_t videoTime = INT64_MIN;
    while (v < video.size() || a < audio.size()) {
        const int64_t nextVideo = v < video.size() ? std::max(videoTime, video[v]->time) : INT64_MAX;
        const bool videoFirst = v < video.size() && (a >= audio.size() || nextVideo < audio[a]->time ||
                                                     (nextVideo == audio[a]->time && video[v] < audio[a]));
        if (videoFirst) {
            videoTime = nextVideo;
            out.push_back(*video[v++]);
        } else {
            out.push_back(*audio[a++]);
        }
    }
    return out;
}

}  // namespace quillon
