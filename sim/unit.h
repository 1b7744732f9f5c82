// The simulated VX-470: bytes in, bytes out, on a clock the caller supplies.
// No threads and no I/O; PtyServer puts it on a pseudo-terminal.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "sim/images.h"

namespace vxsim {

using Clock = std::chrono::steady_clock;
using TimePoint = Clock::time_point;
using Frame = std::array<std::uint8_t, 10>;
using Memory = std::array<std::uint8_t, kMemorySize>;

// One byte on the line at 4800 baud, 10 bits per byte.
inline constexpr std::chrono::nanoseconds kByteTime{1'000'000'000 / 480};

enum class FaultKind {
    NoReply,        // no reply; on every frame (frame 0) the unit sends nothing at all
    ShortReply,     // only the first `amount` bytes of the reply
    ExtraBytes,     // `amount` junk bytes after the reply
    Garbage,        // `amount` junk bytes before the reply
    Delay,          // the reply leaves `amount` ms late
    ReportBefore,   // a gain report just before the reply
    DieAfter,       // after `frame` frames the unit neither reads nor writes
    HangUpAfter,    // as DieAfter, then the line is closed (see Unit::hangUpDue)
    SearchGarbage,  // `amount` junk bytes halfway between the reports of a search
};

struct Fault {
    FaultKind kind = FaultKind::NoReply;
    std::size_t frame = 0;   // 1-based number of the received frame it hits; 0 = every frame
    std::size_t amount = 0;  // bytes, or milliseconds for Delay
};

// What answers on the line: the unit, or a device that is not one.
enum class Peer {
    Unit,
    Echo,       // every byte comes straight back; nothing is executed
    WrongBaud,  // replies leave at 9600 baud: a host at 4800 reads them garbled, half as long
    Replay,     // the unit's side of a recorded session (Config::replay), nothing executed
};

// One frame the host sent in a recorded session, and what the unit sent after it before the
// host's next frame, each part as long after the frame as it was then.
struct ReplayStep {
    struct Answer {
        std::chrono::microseconds after;
        std::vector<std::uint8_t> bytes;
    };
    Frame frame;
    std::vector<Answer> answers;
};

struct Config {
    std::vector<int> userPresets{};  // as the user numbers them, 5..20
    std::uint64_t seed = 1;
    std::chrono::milliseconds searchInterval{700};
    bool paced = false;  // emulate 4800 baud on both directions
    std::vector<Fault> faults{};
    Peer peer = Peer::Unit;
    std::vector<ReplayStep> replay{};  // the session Peer::Replay plays
};

class Unit {
  public:
    // Throws std::invalid_argument for a user preset number outside 5..20.
    explicit Unit(const Config& config = {});

    void addFault(const Fault& fault);
    void setPaced(bool paced) { paced_ = paced; }
    // Another device in the unit's place from now on (a cable moved to it, say).
    void setPeer(Peer peer) { peer_ = peer; }

    // Bytes from the host, arrived at `now`.
    void receive(std::span<const std::uint8_t> bytes, TimePoint now);
    // Runs what is due by `now` and returns the bytes that leave by then, in order.
    std::vector<std::uint8_t> takeOutput(TimePoint now);
    // When takeOutput next has something to do; empty when only new input can change that.
    std::optional<TimePoint> nextWake() const;

    const std::vector<Frame>& receivedFrames() const { return frames_; }
    const Memory& memory() const { return memory_; }
    std::uint8_t memoryByte(std::size_t address) const;
    const Image& runningImage() const { return running_; }
    bool searching() const { return search_.active; }
    // Frames a replay found nowhere from its place in the session on, and left unanswered.
    std::size_t replayMisses() const { return replayMisses_; }
    bool awaitingAck() const { return search_.awaitingAck; }
    bool lineDead() const { return dead_; }
    // The line should now be closed: hang-up fault reached and all output gone.
    bool hangUpDue() const { return dead_ && hangUp_ && outHead_ == out_.size(); }

  private:
    struct Search {
        bool active = false;
        bool awaitingAck = false;
        std::array<bool, kChannels> target{};
        std::array<std::size_t, kChannels> placed{};
        std::size_t deepenCursor = 0;
    };
    struct Timed {
        std::uint8_t byte;
        TimePoint at;
    };
    using Bytes = std::vector<std::uint8_t>;

    void handleFrame(const Frame& frame, TimePoint at);
    void replayFrame(const Frame& frame, TimePoint at);
    std::optional<Bytes> execute(const Frame& frame, bool& searchStarted);
    void setNotchCommand(const Frame& f);
    void sectionCommand(const Frame& f, bool& searchStarted);
    Bytes readBlockCommand(std::uint8_t preset);
    void releaseCommand(const Frame& f);
    void acknowledge(TimePoint at);
    void scheduleReport(TimePoint base);
    void runTimers(TimePoint now);
    std::optional<Bytes> nextReport();
    Bytes gainReportBeforeReply();
    Bytes junk(std::size_t count);
    TimePoint send(const Bytes& bytes, TimePoint ready);
    bool matches(const Fault& fault, std::size_t frameNumber) const;
    bool silent() const;
    void checkLineEnd();
    std::uint8_t numAuto(std::size_t channel) const;

    Memory memory_{};
    Image running_{};
    std::array<Image, kFixedPresets> fixed_{};
    std::vector<Fault> faults_;
    std::vector<Frame> frames_;
    std::vector<std::uint8_t> rx_;
    std::optional<TimePoint> lastInput_;
    // Bytes on their way out from outHead_ on; a vector that keeps its room, since the unit
    // answers every frame.
    std::vector<Timed> out_;
    std::size_t outHead_ = 0;
    std::optional<TimePoint> lastEmit_;
    Search search_;
    std::optional<TimePoint> reportAt_;
    std::optional<TimePoint> sprayAt_;
    std::chrono::milliseconds interval_;
    std::uint64_t searchRng_;
    std::uint64_t junkRng_;
    bool paced_ = false;
    Peer peer_ = Peer::Unit;
    std::vector<ReplayStep> replay_;
    std::size_t replayNext_ = 0;
    std::size_t replayMisses_ = 0;
    bool dead_ = false;
    bool hangUp_ = false;
};

}  // namespace vxsim
