#pragma once

#include "core/model/channel_state.h"
#include "core/shell/tables.h"

namespace vx470 {

// Both channels with twelve notches spread over the band at assorted depths and widths.
inline ChannelModel busyModel() {
    ChannelModel model;
    for (int n = 0; n < kNotches; ++n) {
        model.NotchFrequency[n] = FrequencyGrid[static_cast<std::size_t>(30 + 55 * (n % 12))];
        model.NotchGainDb[n] = -static_cast<double>(3 * n % 46);
        model.NotchQ[n] = n % 4;
    }
    return model;
}

}  // namespace vx470
