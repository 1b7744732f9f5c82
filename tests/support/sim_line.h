#pragma once

#include <algorithm>
#include <deque>

#include "core/link/commands.h"
#include "core/platform/clock.h"
#include "core/platform/serial_port.h"
#include "sim/unit.h"

namespace vx470::test {

// Writes `bytes` into the unit's memory from `address` on, as a store would, behind the
// program's back: the replies go nowhere.
template <typename Range>
void poke(vxsim::Unit& unit, int address, const Range& bytes) {
    for (std::uint8_t b : bytes) {
        const auto high = std::uint8_t(address >> 8), low = std::uint8_t(address++);
        const std::uint8_t f[] = {0xF0, 0x5B, Command::WriteByte, high, low, 0, b, 0, 0, 0xF7};
        unit.receive(f, {});
    }
    unit.takeOutput(vxsim::TimePoint::max());
}

// The simulated unit in-process as the program's serial line and clock. Time is virtual: it
// moves only when the program waits for input (to the unit's next event) or when the caller
// lets the program idle, so a session runs at full speed and the same way every time.
class SimLine final : public SerialPort, public Clock {
  public:
    explicit SimLine(vxsim::Unit& unit) : unit_(unit) {}

    bool openable = true;  // false: no port opens, as on a PC without the unit

    Duration now() override { return now_; }
    bool open(int number) override {
        if (open_ || !openable || number != 1) return false;
        open_ = true;
        input_.clear();
        return true;
    }
    void close() override { open_ = false; }
    bool isOpen() const override { return open_; }
    void setBufferSizes(std::size_t inBuffer, std::size_t inputLen) override {
        inBuffer_ = inBuffer;
        inputLen_ = inputLen;
    }
    bool write(std::span<const std::uint8_t> bytes) override {
        if (!open_) return false;
        unit_.receive(bytes, at());
        pull();
        return true;
    }
    std::size_t bytesWaiting() override {
        pull();
        return std::min(input_.size(), inBuffer_);
    }
    std::size_t read(std::span<std::uint8_t> into) override {
        const std::size_t n = std::min({into.size(), inputLen_, bytesWaiting()});
        std::copy_n(input_.begin(), n, into.begin());
        input_.erase(input_.begin(), input_.begin() + static_cast<std::ptrdiff_t>(n));
        return n;
    }
    void dropInput() override {
        pull();
        input_.clear();
    }
    void waitForInput(std::chrono::nanoseconds limit) override {
        Duration until = now_ + limit;
        if (const auto wake = unit_.nextWake()) until = std::min(until, wake->time_since_epoch());
        now_ = std::max(now_, until);
        pull();
    }
    // The program idles until the unit's next event, as between two polls of a search; false
    // when the unit has nothing more to do by itself.
    bool idle() {
        const auto wake = unit_.nextWake();
        if (!wake) return false;
        now_ = std::max(now_, Duration(wake->time_since_epoch()));
        pull();
        return true;
    }

  private:
    vxsim::TimePoint at() const {
        return vxsim::TimePoint(std::chrono::duration_cast<vxsim::Clock::duration>(now_));
    }
    // What the unit sends reaches only an open port.
    void pull() {
        const auto bytes = unit_.takeOutput(at());
        if (open_) input_.insert(input_.end(), bytes.begin(), bytes.end());
    }

    vxsim::Unit& unit_;
    Duration now_{std::chrono::hours(1)};
    bool open_ = false;
    std::size_t inBuffer_ = 1024, inputLen_ = 1024;
    std::deque<std::uint8_t> input_;
};

}  // namespace vx470::test
