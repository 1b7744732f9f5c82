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
}

void Link::ReopenWithBufferSize(std::size_t bytes) {
    port_.close();
    port_.setBufferSizes(bytes, bytes);
    PortOpened = port_.open(CommPortNumber);
}

bool Link::writeFrame(const FrameArgs& args) {
    TxFrame[0] = kStartOfFrame;
    TxFrame[1] = kFrameMarker;
    for (std::size_t i = 0; i < args.size(); ++i) TxFrame[2 + i] = args[i];
    TxFrame[9] = kEndOfFrame;
    return port_.write(TxFrame);
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
        writeFrame(args);
        if (waitForBytes(count, limit, clock_.now())) return true;
    }
    return false;
}

void Link::TimeOut() {
    dialogs_.show(MessageBox{"Time out", std::string(kApplicationTitle), MessageButtons::Ok,
                             MessageIcon::Exclamation, 0});
    throw ProgramEnd(1);
}

std::size_t Link::readInto(std::size_t count) {
    const std::size_t got = port_.read(std::span(RxBuffer.data(), count));
    // Whatever else arrived (extra bytes of a long reply) goes with the clear.
    port_.dropInput();
    return got;
}

void Link::SendFrame(const FrameArgs& args) {
    if (!TrySendFrame(args)) TimeOut();
}

bool Link::TrySendFrame(const FrameArgs& args) {
    if (DemoMode || SuppressSend) return true;
    if (!transact(args, kReplySize, kReplyTimeout)) return false;
    readInto(kReplySize);
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
    return writeFrame(args);
}

Link::ProbeState Link::PollProbe() {
    if (port_.bytesWaiting() >= kReplySize) {
        const std::size_t got = readInto(kReplySize);
        return got > kProbeReplyIndex && RxBuffer[kProbeReplyIndex] == kFrameMarker
                   ? ProbeState::Answered
                   : ProbeState::Silent;
    }
    return ProbeTimeLeft() > Clock::Duration::zero() ? ProbeState::Waiting : ProbeState::Silent;
}

Clock::Duration Link::ProbeTimeLeft() {
    return std::max(Clock::Duration::zero(), kReplyTimeout - (clock_.now() - probeSent_));
}

bool Link::ReadImageBlock(const FrameArgs& args) {
    if (DemoMode || SuppressSend || !PortOpened) return false;
    if (!transact(args, kBlockReplySize, kBlockTimeout)) TimeOut();
    return readInto(kBlockReplySize) == kBlockReplySize;
}

bool Link::TryReadImageBlock(const FrameArgs& args) {
    if (DemoMode || SuppressSend || !PortOpened) return false;
    return transact(args, kBlockReplySize, kBlockTimeout) &&
           readInto(kBlockReplySize) == kBlockReplySize;
}

void Link::SendFrameNoReply(const FrameArgs& args) {
    if (DemoMode || SuppressSend) return;
    writeFrame(args);
}

}  // namespace vx470
