#include "export/annexb_writer.h"

#include "export/export_driver.h"
#include "export/nal_units.h"

namespace quillon {
namespace {

constexpr uint8_t kLongStartCode[] = {0, 0, 0, 1};
constexpr uint8_t kShortStartCode[] = {0, 0, 1};

// The frame walk both codecs share; a codec says how each unit is written
// and what goes before a frame.
class AnnexBWriter : public TrackWriter {
public:
    bool Block(const WalkBlock& block, ExportSink& out) override {
        size_t at = 0;
        for (uint32_t size : block.frameSizes) {
            if (!SplitNalUnits(block.data.subspan(at, size), config_.lengthSize, units_)) ++damagedFrames_;
            Frame(block.keyframe, out);
            at += size;
        }
        return true;
    }
    void Report(Host& host) const override {
        if (damagedFrames_ > 0)
            host.AddLog("• кадров, где длина NAL-блока выходит за конец кадра (записано то, что до неё): ",
                        std::to_string(damagedFrames_));
    }
    bool HasWarnings() const override { return damagedFrames_ > 0; }

protected:
    virtual void Frame(bool keyframe, ExportSink& out) = 0;

    void PutUnit(std::span<const uint8_t> unit, bool longStartCode, ExportSink& out) {
        if (longStartCode) out.Put(kLongStartCode, sizeof kLongStartCode);
        else out.Put(kShortStartCode, sizeof kShortStartCode);
        out.Put(unit);
    }

    NalConfig config_;
    std::vector<std::span<const uint8_t>> units_;  // of the frame at hand

private:
    uint64_t damagedFrames_ = 0;
};

class AvcWriter : public AnnexBWriter {
public:
    bool Prepare(const ExportTrack& track) override {
        if (!ReadAvcConfig(track.codecPrivate, config_))
            return Fail("CodecPrivate дорожки H.264 не читается (нужна запись avcC). Экспорт прерван.");
        return true;
    }
    bool Begin(ExportSink& out) override {
        for (const auto& unit : config_.units) PutUnit(unit, true, out);
        return true;
    }

protected:
    void Frame(bool, ExportSink& out) override {
        for (const auto& unit : units_) PutUnit(unit, true, out);
    }
};

class HevcWriter : public AnnexBWriter {
public:
    bool Prepare(const ExportTrack& track) override {
        if (!ReadHevcConfig(track.codecPrivate, config_))
            return Fail("CodecPrivate дорожки HEVC не читается (нужна запись hvcC). Экспорт прерван.");
        return true;
    }

protected:
    void Frame(bool keyframe, ExportSink& out) override {
        bool bringsSets = false, irap = false;
        for (const auto& unit : units_) {
            bringsSets = bringsSets || IsParameterSet(HevcNalType(unit));
            irap = irap || IsIrap(HevcNalType(unit));
        }
        if (first_) {
            if (!bringsSets)
                for (const auto& unit : config_.units) Put(unit, out);
            first_ = false;
        } else if ((keyframe || irap) && !bringsSets) {
            for (const auto& unit : config_.units)
                if (IsParameterSet(HevcNalType(unit))) Put(unit, out);
        }
        for (const auto& unit : units_) Put(unit, out);
    }

private:
    static bool IsParameterSet(int type) { return type >= 32 && type <= 34; }  // VPS, SPS, PPS
    static bool IsIrap(int type) { return type >= 16 && type <= 23; }

    void Put(std::span<const uint8_t> unit, ExportSink& out) {
        PutUnit(unit, !anyWritten_ || IsParameterSet(HevcNalType(unit)), out);
        anyWritten_ = true;
    }

    bool first_ = true;
    bool anyWritten_ = false;
};

}  // namespace

SaveOutcome SaveH264(Document& doc, Host& host, const ExportRequest& request) {
    AvcWriter writer;
    return RunTrackExport(doc, host, request, TrackKind::Video, writer);
}

SaveOutcome SaveHevc(Document& doc, Host& host, const ExportRequest& request) {
    HevcWriter writer;
    return RunTrackExport(doc, host, request, TrackKind::Video, writer);
}

}  // namespace quillon
