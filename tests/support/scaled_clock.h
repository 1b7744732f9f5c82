#pragma once

#include "core/platform/clock.h"

namespace vx470::test {

// Real time, running `factor` times faster: the link's 4 s and 19 s limits pass in a few
// tens of milliseconds, so time-out paths can be tested against real ports.
class ScaledClock final : public Clock {
  public:
    explicit ScaledClock(int factor) : factor_(factor) {}
    Duration now() override { return real_.now() * factor_; }
    Duration realTime(Duration d) const override { return d / factor_; }

  private:
    SteadyClock real_;
    int factor_;
};

}  // namespace vx470::test
