// Drives a Unit on an invented clock.
#pragma once

#include <chrono>
#include <cstdint>
#include <vector>

#include "sim/unit.h"

namespace vxsim::test {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

inline Frame frame(std::uint8_t cmd, std::uint8_t b3 = 0, std::uint8_t b4 = 0, std::uint8_t b5 = 0,
                   std::uint8_t b6 = 0, std::uint8_t b7 = 0, std::uint8_t b8 = 0) {
    return {0xF0, 0x5B, cmd, b3, b4, b5, b6, b7, b8, 0xF7};
}

struct Bench {
    explicit Bench(const Config& config = {}) : unit(config) {}

    // Sends one frame and returns what leaves at once.
    Bytes send(const Frame& f) { return sendRaw(Bytes(f.begin(), f.end())); }
    Bytes sendRaw(const Bytes& bytes) {
        unit.receive(bytes, now);
        return unit.takeOutput(now);
    }
    Bytes advance(std::chrono::nanoseconds d) {
        now += d;
        return unit.takeOutput(now);
    }

    Unit unit;
    TimePoint now = TimePoint{} + 1h;
};

}  // namespace vxsim::test
