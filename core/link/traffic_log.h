#pragma once

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/link/link.h"
#include "core/platform/clock.h"

namespace vx470 {

// Everything that went over the serial line, one line of text per frame, reply, report or
// event, with what it means:
//
//     1234.5  >  F0 5B 10 01 20 00 00 00 00 F7  read byte 288
//     1234.6  <  F0 5B 10 5B 01 20 1E 00 00 F7  byte 288 = 1E
//     5234.6  -  time out: 0 of 10 bytes
//
// milliseconds since the log began, the direction (> to the unit, < from it, - an event),
// the bytes in hex, the meaning (always starting with a lower-case word). Lines starting
// with '#' are comments; each log written to a file begins with one.
//
// The log keeps the last entries in memory as the link reported them and writes a text only
// when one is asked for, or for a file or a follower while one is attached.
class TrafficLog final : public LinkObserver {
  public:
    // The start-up read-out takes about 100 entries and storing a preset 340, so this keeps a
    // dozen stores or some 2,000 search reports, in about 300 KB.
    static constexpr std::size_t kCapacity = 4096;

    explicit TrafficLog(Clock& clock, std::size_t capacity = kCapacity);

    void onTraffic(const TrafficEvent& event) override;

    // From now on every entry is also added to the end of the file at `path` (UTF-8), each
    // line handed to the system before the link goes on, so that a crash loses none. The
    // file starts with a comment line and the entries kept so far. False when it cannot be
    // opened for writing.
    bool writeTo(const std::string& path);

    // Entries kept, oldest first, and how many older ones the ring has let go.
    std::size_t size() const { return entries_.size(); }
    std::size_t forgotten() const { return total_ - entries_.size(); }
    std::string line(std::size_t index) const;
    // The lines that hold every word of `filter`, in any case; all of them for no words.
    std::vector<std::string> lines(std::string_view filter = {}) const;
    static bool Matches(std::string_view line, std::string_view filter);
    // The comment lines and every entry kept, as a file holds them.
    std::string text() const;

    // Called with the text of each new entry while set; the log window follows the line so.
    std::function<void(const std::string& line)> Follow;

  private:
    struct Entry {
        Clock::Duration at;
        Traffic kind;
        std::uint8_t attempt;
        std::uint16_t awaits;
        std::uint16_t count;
        int port;
        FrameArgs frame;
        std::vector<std::uint8_t> bytes;
    };

    const Entry& entry(std::size_t index) const;
    std::string format(const Entry& e) const;
    std::string header() const;

    Clock& clock_;
    Clock::Duration start_;
    Clock::Duration last_{};
    std::size_t capacity_;
    std::vector<Entry> entries_;
    std::size_t oldest_ = 0;  // where the ring starts once it is full
    std::size_t total_ = 0;
    std::ofstream file_;
};

}  // namespace vx470
