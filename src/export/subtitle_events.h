// Subtitle events collected from a track's blocks, their times in the two
// text forms, and the writer base the SRT and ASS/SSA writers share.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/subtitle_event.h"
#include "export/export_driver.h"

namespace quillon {

// Milliseconds of a time in ticks of `scale` nanoseconds, to the nearest
// millisecond: with a scale that is not a whole number of microseconds (the
// sample-exact scales of audio files) cutting would put every time a
// millisecond early.
int64_t TicksToMs(int64_t ticks, int64_t timecodeScale);

// "01:02:03,045"; empty for a negative time. Hours take more digits past 99.
std::string SrtTime(int64_t ms);
// "01:02:03.04" (hundredths cut, not rounded); empty for a negative time.
std::string AssTime(int64_t ms);

// Events without a duration last until 1 ms before the next event starts;
// the last one lasts 3000 ms.
void FillDurations(std::vector<Tsrt>& events);

// The lines of a text: a line ends at CR, LF or CR LF; each is trimmed of
// surrounding blanks.
std::vector<std::string_view> TextLines(std::string_view text);

// Gathers the events of the track's blocks, then writes the whole file at
// the end.
class SubtitleWriter : public TrackWriter {
public:
    bool Prepare(const ExportTrack& track) override;
    bool Block(const WalkBlock& block, ExportSink& out) override;
    bool Finish(ExportSink& out) override;
    const char* EndStatus() const override { return "ok"; }

protected:
    virtual void WriteEvents(const std::vector<Tsrt>& events, ExportSink& out) = 0;

    ExportTrack track_;

private:
    std::vector<Tsrt> events_;
};

}  // namespace quillon
