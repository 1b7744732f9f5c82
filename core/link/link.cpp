#include "core/link/link.h"

#include <algorithm>
#include <span>
#include <string>

#include "core/app_info.h"
#include "core/program_end.h"

namespace vx470 {

namespace {
constexpr std::uint8_t kStartOfFrame = 0xF0;
constexpr std::uint8_t kEndOfFrame = 0xF7;
}  // namespace

Link::Link(SerialPort& port, Clock& clock, Dialogs& dialogs)
    : port_(port), clock_(clock), dialogs_(dialogs) {}

void Link::OpenCommPort() {
    if (port_.isOpen()) port_.close();
    const bool opened = port_.open(CommPortNumber);
    PortOpened = opened;
    DeviceFound = opened;
    if (observer_ != nullptr) [[unlikely]]
        tell({.kind = opened ? Traffic::Opened : Traffic::OpenFailed, .port = CommPortNumber});
}

void Link::ReopenWithBufferSize(std::size_t bytes) {
    port_.close();
    port_.setBufferSizes(bytes, bytes);
    PortOpened = port_.open(CommPortNumber);
    if (observer_ != nullptr) [[unlikely]]
        tell({.kind = PortOpened ? Traffic::Reopened : Traffic::OpenFailed,
              .count = bytes,
              .port = CommPortNumber});
}

bool Link::writeFrame(const FrameArgs& args, int attempt, std::size_t awaits) {
    TxFrame[0] = kStartOfFrame;
    TxFrame[1] = kFrameMarker;
    for (std::size_t i = 0; i < args.size(); ++i) TxFrame[2 + i] = args[i];
    TxFrame[9] = kEndOfFrame;
    const bool written = port_.write(TxFrame);
    if (observer_ != nullptr) [[unlikely]] {
        tell({.kind = Traffic::Sent,
              .bytes = TxFrame,
              .frame = args,
              .attempt = attempt,
              .awaits = awaits});
        if (!written) tell({.kind = Traffic::WriteRefused, .frame = args});
    }
    return written;
}

bool Link::waitForBytes(std::size_t count, Clock::Duration limit, Clock::Duration sentAt) {
    for (;;) {
        if (port_.bytesWaiting() >= count) return true;
        const Clock::Duration elapsed = clock_.now() - sentAt;
        if (elapsed >= limit) return false;
        port_.waitForInput(clock_.realTime(limit - elapsed));
    }
}

bool Link::transact(const FrameArgs& args, std::size_t count, Clock::Duration limit) {
    // Stale bytes are not dropped before a resend: they count toward the next reply.
    for (int writes = 1; writes <= kMaxWrites; ++writes) {
        writeFrame(args, writes, count);
        if (OnWait) OnWait();
        if (waitForBytes(count, limit, clock_.now())) return true;
        if (observer_ != nullptr) [[unlikely]]
            tell({.kind = Traffic::TimedOut,
                  .frame = args,
                  .attempt = writes,
                  .awaits = count,
                  .count = port_.bytesWaiting()});
    }
    if (observer_ != nullptr) [[unlikely]]
        tell({.kind = Traffic::NoAnswer, .frame = args, .attempt = kMaxWrites});
    return false;
}

void Link::TimeOut() {
    if (observer_ != nullptr) [[unlikely]]
        tell({.kind = Traffic::ProgramEnds});
    dialogs_.show(MessageBox{"Time out", std::string(kApplicationTitle), MessageButtons::Ok,
                             MessageIcon::Exclamation, 0});
    throw ProgramEnd(1);
}

std::size_t Link::readInto(std::size_t count, Traffic kind) {
    const std::size_t got = port_.read(std::span(RxBuffer.data(), count));
    if (observer_ != nullptr) [[unlikely]]
        tellRead(kind, std::span(RxBuffer.data(), got));
    // Whatever else arrived (extra bytes of a long reply) goes with the clear.
    port_.dropInput();
    return got;
}

FrameArgs Link::sentArgs() const {
    FrameArgs frame{};
    std::copy_n(TxFrame.begin() + 2, frame.size(), frame.begin());
    return frame;
}

void Link::tellRead(Traffic kind, std::span<const std::uint8_t> bytes) {
    const FrameArgs frame = sentArgs();
    tell({.kind = kind, .bytes = bytes, .frame = frame});
    // The bytes the clear would drop are read out first, so that a log shows (and a replay
    // sends) everything the unit sent; at most a buffer's worth, the rest goes unseen.
    std::array<std::uint8_t, kRxBufferSize> extra{};
    std::size_t n = 0;
    while (n < extra.size()) {
        const std::size_t waiting = std::min(port_.bytesWaiting(), extra.size() - n);
        const std::size_t got = waiting == 0 ? 0 : port_.read(std::span(extra.data() + n, waiting));
        if (got == 0) break;
        n += got;
    }
    if (n > 0)
        tell({.kind = Traffic::Dropped, .bytes = std::span(extra.data(), n), .frame = frame});
}

void Link::SendFrame(const FrameArgs& args) {
    if (!TrySendFrame(args)) TimeOut();
}

bool Link::TrySendFrame(const FrameArgs& args) {
    if (DemoMode || SuppressSend) return true;
    if (!transact(args, kReplySize, kReplyTimeout)) return false;
    readInto(kReplySize, Traffic::Reply);
    return true;
}

bool Link::ProbeDevice(const FrameArgs& args) {
    return StartProbe(args) && FinishProbe();
}

bool Link::FinishProbe() {
    for (;;) {
        const ProbeState state = PollProbe();
        if (state != ProbeState::Waiting) return state == ProbeState::Answered;
        port_.waitForInput(clock_.realTime(ProbeTimeLeft()));
    }
}

bool Link::StartProbe(const FrameArgs& args) {
    if (DemoMode || SuppressSend || !PortOpened) return false;
    probeSent_ = clock_.now();
    return writeFrame(args, 1, kReplySize);
}

Link::ProbeState Link::PollProbe() {
    if (port_.bytesWaiting() >= kReplySize) {
        const std::size_t got = readInto(kReplySize, Traffic::Reply);
        return got > kProbeReplyIndex && RxBuffer[kProbeReplyIndex] == kFrameMarker
                   ? ProbeState::Answered
                   : ProbeState::Silent;
    }
    if (ProbeTimeLeft() > Clock::Duration::zero()) return ProbeState::Waiting;
    if (observer_ != nullptr) [[unlikely]] {
        tell({.kind = Traffic::TimedOut,
              .frame = sentArgs(),
              .attempt = 1,
              .awaits = kReplySize,
              .count = port_.bytesWaiting()});
    }
    return ProbeState::Silent;
}

Clock::Duration Link::ProbeTimeLeft() {
    return std::max(Clock::Duration::zero(), kReplyTimeout - (clock_.now() - probeSent_));
}

bool Link::ReadImageBlock(const FrameArgs& args) {
    if (DemoMode || SuppressSend || !PortOpened) return false;
    if (!transact(args, kBlockReplySize, kBlockTimeout)) TimeOut();
    return readInto(kBlockReplySize, Traffic::Block) == kBlockReplySize;
}

bool Link::TryReadImageBlock(const FrameArgs& args) {
    if (DemoMode || SuppressSend || !PortOpened) return false;
    return transact(args, kBlockReplySize, kBlockTimeout) &&
           readInto(kBlockReplySize, Traffic::Block) == kBlockReplySize;
}

void Link::SendFrameNoReply(const FrameArgs& args) {
    if (DemoMode || SuppressSend) return;
    writeFrame(args, 1, 0);
}

bool Link::ReadReport(std::span<std::uint8_t, kReplySize> into) {
    if (port_.bytesWaiting() < kReplySize) return false;
    const std::size_t got = port_.read(into);
    if (observer_ != nullptr) [[unlikely]]
        tellRead(Traffic::Report, into.first(got));
    port_.dropInput();
    return true;
}

}  // namespace vx470
