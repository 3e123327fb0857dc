// AAC in ADTS: every frame of the track (laced frames each on their own)
// behind a 7-byte ADTS header without CRC.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "core/document.h"
#include "core/host.h"
#include "core/save_outcome.h"
#include "export/export_type.h"

namespace quillon {

using AdtsHeader = std::array<uint8_t, 7>;

// The 13-bit frame length counts the header: a frame may hold this much.
constexpr uint32_t kMaxAdtsPayload = 8191 - 7;

// ADTS sampling_frequency_index of a frequency; -1 when ADTS cannot state it.
int AdtsFrequencyIndex(uint32_t hz);
// ADTS channel configuration of a channel count: 1 to 6 as they are, 8 as 7;
// other counts keep their low three bits.
uint8_t AdtsChannelConfig(uint32_t channels);
// The 2-bit profile: the audio object type of an AudioSpecificConfig
// (CodecPrivate) when it names Main, LC, SSR or LTP, minus 1; else 1 (LC).
uint8_t AdtsProfile(std::span<const uint8_t> codecPrivate);

// Header with frame length 0; PutAdtsFrameLength fills it in.
AdtsHeader AdtsHeaderTemplate(uint8_t profile, uint8_t frequencyIndex, uint8_t channelConfig);
// frameLength = payload + 7; its 13 bits go into bytes 3 to 5.
void PutAdtsFrameLength(AdtsHeader& header, uint32_t frameLength);

SaveOutcome SaveADTS(Document& doc, Host& host, const ExportRequest& request);

}  // namespace quillon
