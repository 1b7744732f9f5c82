#pragma once

#include <string>

#include "core/graph/response_graph.h"
#include "core/model/channel_state.h"

namespace vx470 {

// What a channel's graph shows under the pointer: the frequency at a column (on the graph's
// own log scale), the channel's summed response there, and the channel's nearest notch.
struct GraphReadout {
    double frequency = 0;  // Hz
    double response = 0;   // dB, at the grid frequency nearest to `frequency`
    int notch = 0;         // the nearest notch, 0..11 within the channel
    bool automatic = false;
    std::string text;  // all of it in one line, as the status line shows it
};

// `x` is a column of the 576-pixel canvas (fractions allowed); outside it, the nearest edge.
GraphReadout ReadGraph(const ResponseGraph& graph, const ChannelModel& model, int ch, double x);

}  // namespace vx470
