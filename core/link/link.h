#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

#include "core/link/commands.h"
#include "core/platform/clock.h"
#include "core/platform/dialogs.h"
#include "core/platform/serial_port.h"

namespace vx470 {

inline constexpr std::size_t kFrameSize = 10;
inline constexpr std::size_t kReplySize = 10;
inline constexpr std::size_t kBlockReplySize = 160;
inline constexpr std::size_t kRxBufferSize = 209;

// An attempt is abandoned this long after its write; a transaction writes its frame at most
// kMaxWrites times before the program gives up with "Time out".
inline constexpr Clock::Duration kReplyTimeout = std::chrono::seconds(4);
inline constexpr Clock::Duration kBlockTimeout = std::chrono::seconds(19);
inline constexpr int kMaxWrites = 6;

// What the link tells an observer (a traffic log) about the line.
enum class Traffic : std::uint8_t {
    Sent,          // a frame written: its `attempt` 1..kMaxWrites, the reply size it `awaits`
    Reply,         // a 10-byte reply (a probe's too) to `frame`
    Block,         // a block reply to `frame`
    Report,        // 10 bytes the report poll took
    Dropped,       // bytes behind a reply or a report, dropped with the clear
    TimedOut,      // an attempt abandoned with `count` of the `awaits` bytes waiting
    NoAnswer,      // a transaction given up after its last write
    WriteRefused,  // the line refused a write
    Opened,        // `port` opened
    OpenFailed,    // `port` could not be opened
    Reopened,      // `port` opened again for replies of `count` bytes
    ProgramEnds,   // the "Time out" box; the program ends after it
};

struct TrafficEvent {
    Traffic kind;
    std::span<const std::uint8_t> bytes{};  // what was written or read
    FrameArgs frame{};                      // the frame the event concerns
    int attempt = 0;
    std::size_t awaits = 0;
    std::size_t count = 0;
    int port = 0;
};

class LinkObserver {
  public:
    virtual ~LinkObserver() = default;
    virtual void onTraffic(const TrafficEvent& event) = 0;
};

// The only code that touches the serial line. Every transaction blocks in the port's wait
// (no spinning) and delivers no user-interface events, so no two ever overlap.
class Link {
  public:
    Link(SerialPort& port, Clock& clock, Dialogs& dialogs);

    std::array<std::uint8_t, kFrameSize> TxFrame{};
    // A reply lands in 0..9, a block in 0..159; the other bytes keep what they held.
    std::array<std::uint8_t, kRxBufferSize> RxBuffer{};
    std::int16_t CommPortNumber = 0;
    bool DemoMode = false;
    // Set while whole images are loaded into the editor so that nothing is echoed.
    bool SuppressSend = false;
    bool PortOpened = false;
    bool DeviceFound = false;

    // (Re)opens port CommPortNumber at 4800 8N1; sets PortOpened and DeviceFound.
    void OpenCommPort();
    // Close the port, set its receive buffer and read length to `bytes`, open it again. The
    // callers do this around block reads (160) and before probing (10).
    void ReopenWithBufferSize(std::size_t bytes);

    // Sends and waits for a 10-byte reply in RxBuffer[0..9]. Ends the program ("Time out")
    // after six writes without one. Does nothing in demo mode or while sending is suppressed.
    void SendFrame(const FrameArgs& args);
    // The same, for callers that report a silent unit themselves: false after six writes
    // without a reply, and nothing shown.
    bool TrySendFrame(const FrameArgs& args);
    // Sends once and waits for 10 bytes; true when reply byte 3 is '['.
    bool ProbeDevice(const FrameArgs& args);
    // The same probe in two halves, so that several ports can wait for theirs at once: the
    // frame goes out (false when it could not), then each poll tells how it stands.
    enum class ProbeState { Waiting, Answered, Silent };
    bool StartProbe(const FrameArgs& args);
    ProbeState PollProbe();
    // Waits for the probe under way to be answered or to time out; true when it was answered.
    bool FinishProbe();
    // Until the probe under way times out.
    Clock::Duration ProbeTimeLeft();
    // Sends and waits for a 160-byte reply in RxBuffer[0..159]; false when it did nothing.
    // A unit that never answers ends the program with "Time out".
    bool ReadImageBlock(const FrameArgs& args);
    // The same, but false (nothing shown) when the unit never answers or the port is closed.
    bool TryReadImageBlock(const FrameArgs& args);
    // Sends without waiting; used for the acknowledgement of a unit report.
    void SendFrameNoReply(const FrameArgs& args);
    // Takes the 10 bytes of a report the unit sent by itself, once they all wait, and drops
    // whatever came with them. False (nothing read) while fewer wait.
    bool ReadReport(std::span<std::uint8_t, kReplySize> into);

    // Everything the link writes and reads from now on is told to `observer` (nullptr: to
    // nobody, which costs one test of this pointer per event).
    void setObserver(LinkObserver* observer) { observer_ = observer; }
    LinkObserver* observer() const { return observer_; }

    // Run after each frame is written, before its reply is awaited: views the program does not
    // otherwise tell (the graphs) can show what was drawn so far while the line is busy.
    std::function<void()> OnWait;

    SerialPort& port() { return port_; }
    Clock& clock() { return clock_; }
    Dialogs& dialogs() { return dialogs_; }

    // The unit stopped answering: the "Time out" box, then the end of the program.
    [[noreturn]] void TimeOut();

  private:
    // The argument bytes of the frame last written.
    FrameArgs sentArgs() const;
    bool writeFrame(const FrameArgs& args, int attempt, std::size_t awaits);
    // Waits until `count` bytes wait or `limit` has passed since `sentAt`.
    bool waitForBytes(std::size_t count, Clock::Duration limit, Clock::Duration sentAt);
    // Writes the frame until `count` bytes answer it; false after the sixth silent attempt.
    bool transact(const FrameArgs& args, std::size_t count, Clock::Duration limit);
    std::size_t readInto(std::size_t count, Traffic kind);
    void tell(const TrafficEvent& event) { observer_->onTraffic(event); }
    // Tells what was read, then reads out and tells what waits behind it before the clear.
    void tellRead(Traffic kind, std::span<const std::uint8_t> bytes);

    SerialPort& port_;
    Clock& clock_;
    Dialogs& dialogs_;
    Clock::Duration probeSent_{};
    LinkObserver* observer_ = nullptr;
};

}  // namespace vx470
