// Whatever the line brings back to a transaction: replies of any length and content, in
// chunks that arrive at any time, against SendFrame, ReadImageBlock and ProbeDevice.
//
// Input, repeated until it runs out: an operation byte, a command byte, a chunk count, then
// per chunk a delay (in quarter seconds after the operation starts), a length and the bytes.

#include <algorithm>
#include <map>

#include "core/program_end.h"
#include "fuzz/harness.h"

using namespace vx470;
using namespace vx470::fuzz;

int vx470::fuzz::FuzzOneInput(const std::uint8_t* data, std::size_t size) {
    constexpr int kMaxOperations = 48;
    enum class Operation { SendFrame, ReadImageBlock, ProbeDevice };
    FuzzInput in{data, size};
    FuzzProgram& fp = FuzzProgram::Fresh();
    test::FakePlatform& f = fp.fakes;
    Link& link = fp.program.link;
    link.CommPortNumber = 1;
    link.OpenCommPort();
    link.ReopenWithBufferSize(kReplySize);
    Require(link.PortOpened, "port 1 did not open");

    // The harness's own account of the line: what is on its way and what waits unread.
    std::multimap<Clock::Duration, Bytes> coming;
    Bytes waiting;
    const auto deliver = [&] {
        const auto due = coming.upper_bound(f.clock.now());
        for (auto b = coming.begin(); b != due; ++b) {
            waiting.insert(waiting.end(), b->second.begin(), b->second.end());
        }
        coming.erase(coming.begin(), due);
    };
    // Close and open again: the port forgets what it had received.
    const auto reopen = [&](std::size_t bufferSize) {
        deliver();
        waiting.clear();
        link.ReopenWithBufferSize(bufferSize);
    };

    for (int op = 0; op < kMaxOperations && !in.empty(); ++op) {
        const auto operation = static_cast<Operation>(in.byte() % 3);
        const FrameArgs args{in.byte(), static_cast<std::uint8_t>(op)};
        // A block read opens the port again first; its reply comes after that.
        if (operation == Operation::ReadImageBlock) reopen(kBlockReplySize);
        for (int chunks = in.byte() % 5; chunks > 0; --chunks) {
            const Clock::Duration delay = std::chrono::milliseconds(250) * in.byte();
            const auto span = in.bytes(in.byte());
            const Bytes bytes(span.begin(), span.end());
            f.port.arrive(bytes, delay);
            coming.emplace(f.clock.now() + delay, bytes);
        }

        const std::array<std::uint8_t, kRxBufferSize> before = link.RxBuffer;
        const std::size_t first = f.port.writes.size();
        const bool probe = operation == Operation::ProbeDevice;
        const std::size_t count =
            operation == Operation::ReadImageBlock ? kBlockReplySize : kReplySize;
        bool found = false, ended = false;
        try {
            if (operation == Operation::SendFrame) link.SendFrame(args);
            if (probe) found = link.ProbeDevice(args);
            if (count == kBlockReplySize)
                Require(link.ReadImageBlock(args), "ReadImageBlock did nothing");
        } catch (const ProgramEnd&) {
            ended = true;
        }
        deliver();
        const std::size_t writes = f.port.writes.size() - first;
        for (std::size_t i = first; i < f.port.writes.size(); ++i) {
            Require(f.port.writes[i].bytes == test::frame({args[0], args[1]}),
                    "a written frame differs from its arguments");
        }
        if (ended) {
            // "Time out" is a normal end: six writes without a whole reply.
            Require(!probe && writes == std::size_t{kMaxWrites} && waiting.size() < count, [&] {
                return "the program ended after " + std::to_string(writes) +
                       " writes, on a probe or with a whole reply waiting";
            });
            Require(!f.dialogs.shown.empty() && f.dialogs.shown.back().text == "Time out",
                    "the program ended without the \"Time out\" box");
            return 0;
        }
        // One to six writes, a probe exactly one.
        Require(writes >= 1 && writes <= std::size_t{kMaxWrites} && (!probe || writes == 1),
                [&] { return std::to_string(writes) + " writes"; });
        Require(f.dialogs.shown.empty(), "a message box without a time-out");
        // Bytes beyond the reply keep what they held; beyond a block nothing ever writes.
        Require(std::equal(link.RxBuffer.begin() + static_cast<long>(count), link.RxBuffer.end(),
                           before.begin() + static_cast<long>(count)),
                "RxBuffer changed beyond the reply");
        if (probe && waiting.size() < count) {
            Require(!found && link.RxBuffer == before,
                    "a probe without a whole reply found a unit or touched RxBuffer");
            continue;
        }
        Require(waiting.size() >= count, "a reply was taken before it was complete");
        Require(std::equal(waiting.begin(), waiting.begin() + static_cast<long>(count),
                           link.RxBuffer.begin()),
                "RxBuffer does not hold the first bytes that arrived");
        Require(!probe || found == (link.RxBuffer[kProbeReplyIndex] == kFrameMarker),
                "probe result does not follow reply byte 3");
        waiting.clear();
        if (count == kBlockReplySize) reopen(kReplySize);
    }
    return 0;
}
