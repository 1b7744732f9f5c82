#include <gtest/gtest.h>

#include <numeric>

#include "core/app_info.h"
#include "core/link/link.h"
#include "core/program_end.h"
#include "tests/fakes/fakes.h"

namespace vx470 {
namespace {

using namespace std::chrono_literals;
using test::Bytes;
using test::frame;
using test::FrameList;

Bytes sequence(std::size_t n, std::uint8_t first) {
    Bytes b(n);
    std::iota(b.begin(), b.end(), first);
    return b;
}

constexpr FrameArgs kZero{};

class LinkTest : public ::testing::Test {
  protected:
    LinkTest() : link(p.port, p.clock, p.dialogs) {
        link.CommPortNumber = 1;
        link.OpenCommPort();
        link.ReopenWithBufferSize(10);
    }
    // Every write answered by `replies` after their delays.
    void answer(std::vector<std::pair<Bytes, Clock::Duration>> replies) {
        p.port.onWrite = [replies](test::FakeSerialPort& port, const Bytes&) {
            for (const auto& [reply, delay] : replies) port.arrive(reply, delay);
        };
    }
    Bytes rx(std::size_t n = 10) const {
        return Bytes(link.RxBuffer.begin(), link.RxBuffer.begin() + n);
    }
    FrameList written() const { return test::framesOn(p.port); }

    test::FakePlatform p;
    Link link;
};

// Frames and acknowledgements on the line: every blackbox_* group.
TEST_F(LinkTest, AProbeLooksOnlyAtByteThreeAndIsNotResent) {
    for (auto [filler, marker, found] : {std::tuple(0xAA, 0x5B, true), {0x5B, 0x5C, false}}) {
        Bytes reply(10, static_cast<std::uint8_t>(filler));
        reply[3] = static_cast<std::uint8_t>(marker);
        answer({{reply, 0ms}});
        EXPECT_EQ(link.ProbeDevice(kZero), found);
    }
    p.port.onWrite = nullptr;
    const auto start = p.clock.now();
    EXPECT_FALSE(link.ProbeDevice(kZero));
    EXPECT_EQ(std::tuple(p.port.writes.size(), p.clock.now() - start, p.dialogs.shown.size()),
              std::tuple(3u, kReplyTimeout, 0u));
}

TEST_F(LinkTest, NoAnswerARefusedWriteOrAnIncompleteBlockWritesSixFramesThenTimesOut) {
    const auto start = p.clock.now();
    EXPECT_THROW(link.SendFrame({15, 0, 0, 0, 0, 0, 0}), ProgramEnd);
    EXPECT_EQ(written(), FrameList(6, frame({15})));
    for (std::size_t i = 0; i < p.port.writes.size(); ++i)
        EXPECT_EQ(p.port.writes[i].at - start, i * kReplyTimeout) << i;
    const test::Texts timeOut{std::string(kApplicationTitle) + ": Time out (!) [OK]"};
    EXPECT_EQ(test::boxesOn(p.dialogs, true), timeOut);

    p.dialogs.shown.clear();
    p.port.writeFails = true;  // a write the line refuses is a line that does not answer
    EXPECT_FALSE(link.ProbeDevice(kZero));
    EXPECT_THROW(link.SendFrame({7, 0, 0, 0, 0, 0, 0}), ProgramEnd);
    EXPECT_EQ(test::boxesOn(p.dialogs, true), timeOut);

    link.ReopenWithBufferSize(160);
    p.port.writes.clear();
    p.port.writeFails = false;
    answer({{sequence(20, 0), 0ms}});  // six partial answers stay below 160 bytes in all
    EXPECT_THROW(link.ReadImageBlock({11, 3, 0, 0, 0, 0, 0}), ProgramEnd);
    ASSERT_EQ(written(), FrameList(6, frame({11, 3})));
    EXPECT_EQ(p.port.writes[1].at - p.port.writes[0].at, kBlockTimeout);
}

TEST_F(LinkTest, SlowRepliesWithinTheLimitAreAcceptedLaterOnesResentExtraBytesDropped) {
    // The reply's delay, the writes of the transaction.
    for (auto [delay, writes] : {std::pair(3500ms, 1u), {4500ms, 2u}}) {
        p.port.writes.clear();
        answer({{sequence(10, 1), delay}});
        link.SendFrame(kZero);
        EXPECT_EQ(p.port.writes.size(), writes);
    }
    EXPECT_TRUE(p.dialogs.shown.empty());
    answer({{sequence(12, 1), 0ms}});
    link.SendFrame({16, 0, 48, 0, 0, 0, 0});
    EXPECT_EQ(std::tuple(rx(), p.port.queued()), std::tuple(sequence(10, 1), 0u));
    answer({{sequence(10, 50), 0ms}});
    link.SendFrame({16, 0, 49, 0, 0, 0, 0});
    EXPECT_EQ(link.RxBuffer[0], 50);  // not the stale 11, 12
}

TEST_F(LinkTest, AShortReplyIsResentAndItsBytesOrAReportCountAsTheReply) {
    int writes = 0;
    p.port.onWrite = [&](test::FakeSerialPort& port, const Bytes&) {
        port.arrive(++writes == 1 ? sequence(7, 1) : sequence(10, 100));
    };
    link.SendFrame(kZero);
    EXPECT_EQ(written(), FrameList(2, frame({0})));
    EXPECT_EQ(rx(), (Bytes{1, 2, 3, 4, 5, 6, 7, 100, 101, 102}));
    const Bytes report{0xFD, 0, 0, 0, 0, 0, 0x2D, 0, 0, 0};  // arriving while the link waits
    answer({{report, 100ms}, {sequence(10, 1), 200ms}});
    link.SendFrame({7, 0, 0, 1, 10, 2, 45});
    EXPECT_EQ(rx(), report);
}

TEST_F(LinkTest, ABlockArrivingInPiecesIsReadWhenComplete) {
    link.ReopenWithBufferSize(160);
    const Bytes block = sequence(160, 0);
    link.RxBuffer.fill(0xEE);
    answer({{Bytes(block.begin(), block.begin() + 60), 1s},
            {Bytes(block.begin() + 60, block.begin() + 159), 2s},
            {Bytes(block.begin() + 159, block.end()), 15s}});
    EXPECT_TRUE(link.ReadImageBlock({11, 255, 0, 0, 0, 0, 0}));
    EXPECT_EQ(p.port.writes.size(), 1u);
    EXPECT_EQ(rx(160), block);
    EXPECT_EQ(Bytes(link.RxBuffer.begin() + 160, link.RxBuffer.end()), Bytes(49, 0xEE));
    // A 10-byte reply leaves the rest of the block where it was.
    link.ReopenWithBufferSize(10);
    answer({{Bytes(10, 0x11), 0ms}});
    link.SendFrame(kZero);
    EXPECT_EQ(std::tuple(rx(), link.RxBuffer[10], link.RxBuffer[159]),
              std::tuple(Bytes(10, 0x11), 10, 159));
}

TEST(OpenCommPort, SetsBothFlagsFromTheOutcome) {
    test::FakePlatform p;
    Link link(p.port, p.clock, p.dialogs);
    p.port.openable = {3};
    const auto open = [&](int port) {
        link.CommPortNumber = static_cast<std::int16_t>(port);
        link.OpenCommPort();
        return std::pair{link.PortOpened, link.DeviceFound};
    };
    EXPECT_EQ(open(2), std::pair(false, false));
    EXPECT_EQ(open(3), std::pair(true, true));
    // Opening again closes the port first rather than failing as "in use".
    EXPECT_EQ(open(3), std::pair(true, true));
    EXPECT_EQ(p.port.currentPort(), 3);
    EXPECT_FALSE(open(0).first || p.port.isOpen());
}

}  // namespace
}  // namespace vx470
