#pragma once

#include <chrono>

namespace vx470 {

// Monotonic time for the link's time-outs.
class Clock {
  public:
    using Duration = std::chrono::nanoseconds;
    virtual ~Clock() = default;
    virtual Duration now() = 0;
    // How long a wait of `d` on this clock lasts in real time; a clock that runs faster than
    // real time lets tests reach the time-outs quickly.
    virtual Duration realTime(Duration d) const { return d; }
};

class SteadyClock final : public Clock {
  public:
    Duration now() override { return std::chrono::steady_clock::now().time_since_epoch(); }
};

}  // namespace vx470
