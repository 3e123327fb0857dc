#include "core/model_bindings.h"

#include "core/generated/element_ids.h"

namespace quillon {

std::span<const Binding<tebml>> EbmlBindings() {
    static const Binding<tebml> table[] = {
        {kEBMLVersion, &tebml::ebmlVersion},       {kEBMLReadVersion, &tebml::ebmlReadVersion},
        {kEBMLMaxIDLength, &tebml::ebmlMaxIDLength}, {kEBMLMaxSizeLength, &tebml::ebmlMaxSizeLength},
        {kDocType, &tebml::docType},               {kDocTypeVersion, &tebml::docTypeVersion},
        {kDocTypeReadVersion, &tebml::docTypeReadVersion},
    };
    return table;
}

std::span<const Binding<tinfo>> InfoBindings() {
    static const Binding<tinfo> table[] = {
        {kTimecodeScale, &tinfo::timecodeScale}, {kMuxingApp, &tinfo::muxingApp}, {kWritingApp, &tinfo::writingApp},
        {kDuration, &tinfo::duration},           {kDateUTC, &tinfo::dateUTC},     {kTitle, &tinfo::title},
        {kSegmentUID, &tinfo::segmentUID},
    };
    return table;
}

std::span<const Binding<tTrackEntry>> EntryBindings() {
    static const Binding<tTrackEntry> table[] = {
        {kTrackNumber, &tTrackEntry::trackNumber},
        {kTrackUID, &tTrackEntry::trackUID},
        {kTrackType, &tTrackEntry::trackType},
        {kFlagEnabled, &tTrackEntry::flagEnabled},
        {kFlagDefault, &tTrackEntry::flagDefault},
        {kFlagForced, &tTrackEntry::flagForced},
        {kFlagLacing, &tTrackEntry::flagLacing},
        {kMinCache, &tTrackEntry::minCache},
        {kTrackTimecodeScale, &tTrackEntry::trackTimecodeScale},
        {kMaxBlockAdditionID, &tTrackEntry::maxBlockAdditionID},
        {kCodecID, &tTrackEntry::codecID},
        {kCodecDecodeAll, &tTrackEntry::codecDecodeAll},
        {kCodecPrivate, &tTrackEntry::codecPrivate},
        {kDefaultDuration, &tTrackEntry::defaultDuration},
        {kLanguage, &tTrackEntry::language},
        {kLanguageBCP47, &tTrackEntry::languageBCP47},
        {kName, &tTrackEntry::name},
    };
    return table;
}

std::span<const Binding<tTrackEntry>> VideoBindings() {
    static const Binding<tTrackEntry> table[] = {
        {kPixelWidth, &tTrackEntry::pixelWidth},     {kPixelHeight, &tTrackEntry::pixelHeight},
        {kFlagInterlaced, &tTrackEntry::flagInterlaced}, {kDisplayWidth, &tTrackEntry::displayWidth},
        {kDisplayHeight, &tTrackEntry::displayHeight},
    };
    return table;
}

std::span<const Binding<tTrackEntry>> AudioBindings() {
    static const Binding<tTrackEntry> table[] = {
        {kSamplingFrequency, &tTrackEntry::samplingFrequency},
        {kChannels, &tTrackEntry::channels},
    };
    return table;
}

std::span<const Binding<tAttachedFile>> AttachedFileBindings() {
    static const Binding<tAttachedFile> table[] = {
        {kFileName, &tAttachedFile::fileName}, {kFileMimeType, &tAttachedFile::fileMimeType},
        {kFileUID, &tAttachedFile::fileUID},   {kFileDescription, &tAttachedFile::fileDescription},
    };
    return table;
}

}  // namespace quillon
