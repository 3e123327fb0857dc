// The export types of the save panel and what one single-track export is
// asked to do.
#pragma once

#include <string>

namespace quillon {

// In the order the save command checks the type buttons.
enum class ExportType { None, Ac3, Aac, Ogg, Flac, Mp3, WavMp3, WavPcm, Srt, Ass, H264, Hevc, Ivf, Sup, Mka, Mks };

struct ExportRequest {
    std::string outputPath;
    std::string assExtension = "ass";  // "ass" or "ssa" for ExportType::Ass
    bool overwriteConfirmed = false;   // the front has already agreed to replace the output
};

}  // namespace quillon
