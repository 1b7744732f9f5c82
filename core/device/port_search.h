#pragma once

#include <chrono>
#include <span>
#include <vector>

#include "core/link/link.h"

namespace vx470 {

// How a port answered the probe.
enum class PortAnswer { NotTried, CannotOpen, Silent, Unit };

// Looks for the unit on the ports `candidates`, in their order of preference. Each port that
// opens gets the one probe frame, and they all wait for their replies at once, so a search
// lasts one probe time-out however many ports stay silent; the first of the candidates that
// answers wins. The first candidate is probed alone for `grace` first: when the unit is where
// it was last time, no other port hears anything. Where the line cannot have several ports
// open, the ports are probed one after another.
// Returns the index of the unit's port, then open on `link` for 10-byte replies, or -1 with
// the link's port closed. `answers` gets each candidate's answer; with `everyPort` every
// candidate is probed to the end, also after the unit has answered.
int SearchPorts(Link& link, std::span<const int> candidates,
                std::vector<PortAnswer>* answers = nullptr, bool everyPort = false,
                Clock::Duration grace = std::chrono::milliseconds(250));

}  // namespace vx470
