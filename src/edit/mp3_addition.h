// An MPEG audio file as a new track: its frames, eight to a laced block,
// merged by time among the blocks of the other tracks. Only each block's
// lace head is held in memory; the frames are copied from the MP3 file when
// a new file is written.
#pragma once

#include <string>

#include "core/document.h"
#include "core/host.h"

namespace quillon {

// Frames per laced block.
inline constexpr size_t kMp3FramesPerBlock = 8;

// Parse and add; false (told through the host) when the file cannot be read
// or parsed, and then nothing changes.
bool AddMP32TrackList(Document& doc, const std::string& path, Host& host);

// By the file's extension: anything but .mp3 is refused with "умею только MP3".
bool AddMp3File(Document& doc, const std::string& path, Host& host);

}  // namespace quillon
