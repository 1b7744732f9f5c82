#pragma once

#include <array>
#include <cstdint>

#include "core/model/preset_image.h"

namespace vx470 {

// The decoded model of both channels, kept equal to the image by the send functions.
struct ChannelModel {
    std::array<std::int16_t, kChannels> NumNotchAuto{};
    std::array<std::int16_t, kChannels> NumNotchManual{};
    std::array<std::int16_t, kChannels> QNotchAuto{};
    std::array<std::int16_t, kChannels> AttenuationNotch{};
    std::array<std::int16_t, kChannels> Sensitivity{};
    std::array<std::int16_t, kChannels> ReleaseNotch{};
    std::array<std::int16_t, kChannels> ModeSearch{};
    std::array<double, kNotches> NotchFrequency{};
    std::array<double, kNotches> NotchGainDb{};
    std::array<double, kNotches> NotchQ{};
};

// The working image, its decoded model and the channel flags.
struct ChannelState {
    PresetImage image{};
    ChannelModel model{};
    bool ChannelsDiffer = false;
    // 1 = linked: every editor change is mirrored onto the other channel.
    int LinkChannels = 0;

    // Sets ChannelsDiffer when the Left and Right blocks differ anywhere; the spare byte 160
    // takes no part.
    void CompareChannels();
};

}  // namespace vx470
