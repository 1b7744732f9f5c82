// Whatever the line brings back to a transaction: replies of any length and content, in
// chunks that arrive at any time, against SendFrame, ReadImageBlock and ProbeDevice.
//
// Input, repeated until it runs out: an operation byte, a command byte, a chunk count, then
// per chunk a delay (in quarter seconds after the operation starts), a length and the bytes.

#include <algorithm>
#include <map>

#include "core/program_end.h"
#include "fuzz/harness.h"

namespace vx470::fuzz {
namespace {

using Duration = Clock::Duration;

constexpr int kMaxOperations = 48;

enum class Operation { SendFrame, ReadImageBlock, ProbeDevice };

// The harness's own account of the line: what is on its way and what waits unread.
struct Line {
    std::multimap<Duration, Bytes> coming;
    Bytes waiting;

    void deliverUntil(Duration now) {
        while (!coming.empty() && coming.begin()->first <= now) {
            const Bytes& b = coming.begin()->second;
            waiting.insert(waiting.end(), b.begin(), b.end());
            coming.erase(coming.begin());
        }
    }
};

void checkFrames(const std::vector<test::FakeSerialPort::Write>& writes, std::size_t first,
                 const FrameArgs& args) {
    Bytes expected{0xF0, 0x5B};
    expected.insert(expected.end(), args.begin(), args.end());
    expected.push_back(0xF7);
    for (std::size_t i = first; i < writes.size(); ++i) {
        Require(writes[i].bytes == expected, "a written frame differs from its arguments");
    }
}

void checkReply(const Link& link, const Line& line, std::size_t count) {
    Require(line.waiting.size() >= count, "a reply was taken before it was complete");
    Require(std::equal(line.waiting.begin(), line.waiting.begin() + static_cast<long>(count),
                       link.RxBuffer.begin()),
            "RxBuffer does not hold the first bytes that arrived");
}

}  // namespace
}  // namespace vx470::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vx470;
    using namespace vx470::fuzz;

    FuzzInput in(data, size);
    test::FakeClock clock;
    test::FakeSerialPort port(clock);
    test::FakeDialogs dialogs;
    Link link(port, clock, dialogs);
    link.CommPortNumber = 1;
    link.OpenCommPort();
    link.ReopenWithBufferSize(kReplySize);
    Require(link.PortOpened, "port 1 did not open");

    Line line;
    // Close and open again: the port forgets what it had received.
    const auto reopen = [&](std::size_t bufferSize) {
        line.deliverUntil(clock.now());
        line.waiting.clear();
        link.ReopenWithBufferSize(bufferSize);
    };

    for (int op = 0; op < kMaxOperations && !in.empty(); ++op) {
        const auto operation = static_cast<Operation>(in.byte() % 3);
        FrameArgs args{};
        args[0] = in.byte();
        args[1] = static_cast<std::uint8_t>(op);

        // A block read opens the port again first; its reply comes after that.
        if (operation == Operation::ReadImageBlock) reopen(kBlockReplySize);
        const int chunks = in.byte() % 5;
        for (int c = 0; c < chunks; ++c) {
            const Duration delay = std::chrono::milliseconds(250) * in.byte();
            const Bytes bytes = in.bytes(in.byte());
            port.arrive(bytes, delay);
            line.coming.emplace(clock.now() + delay, bytes);
        }

        const std::array<std::uint8_t, kRxBufferSize> before = link.RxBuffer;
        const std::size_t first = port.writes.size();
        const std::size_t count =
            operation == Operation::ReadImageBlock ? kBlockReplySize : kReplySize;
        try {
            switch (operation) {
                case Operation::SendFrame:
                    link.SendFrame(args);
                    line.deliverUntil(clock.now());
                    checkReply(link, line, count);
                    line.waiting.clear();
                    break;
                case Operation::ReadImageBlock:
                    Require(link.ReadImageBlock(args), "ReadImageBlock did nothing");
                    line.deliverUntil(clock.now());
                    checkReply(link, line, count);
                    line.waiting.clear();
                    reopen(kReplySize);
                    break;
                case Operation::ProbeDevice: {
                    const bool found = link.ProbeDevice(args);
                    Require(port.writes.size() - first == 1, "a probe is written once");
                    line.deliverUntil(clock.now());
                    if (line.waiting.size() >= count) {
                        checkReply(link, line, count);
                        Require(found == (link.RxBuffer[kProbeReplyIndex] == kFrameMarker),
                                "probe result does not follow reply byte 3");
                        line.waiting.clear();
                    } else {
                        Require(!found, "a probe without a whole reply found a unit");
                        Require(link.RxBuffer == before, "a probe that timed out touched RxBuffer");
                    }
                    break;
                }
            }
        } catch (const ProgramEnd&) {
            // "Time out" is a normal end: six writes without a whole reply.
            Require(operation != Operation::ProbeDevice, "a probe ended the program");
            Require(port.writes.size() - first == std::size_t{kMaxWrites},
                    "the program ended before six writes");
            Require(!dialogs.shown.empty() && dialogs.shown.back().text == "Time out",
                    "the program ended without the \"Time out\" box");
            line.deliverUntil(clock.now());
            Require(line.waiting.size() < count, "the program ended with a whole reply waiting");
            checkFrames(port.writes, first, args);
            return 0;
        }
        Require(port.writes.size() > first, "nothing was written");
        Require(port.writes.size() - first <= std::size_t{kMaxWrites}, "more than six writes");
        checkFrames(port.writes, first, args);
        Require(dialogs.shown.empty(), "a message box without a time-out");
        // Bytes beyond the reply keep what they held; beyond a block nothing ever writes.
        Require(std::equal(link.RxBuffer.begin() + static_cast<long>(count), link.RxBuffer.end(),
                           before.begin() + static_cast<long>(count)),
                "RxBuffer changed beyond the reply");
    }
    return 0;
}
