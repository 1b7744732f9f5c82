// How long transactions wait and how they end. What the replies hold (short, long, late, in
// pieces, a report in their place) is fuzz_link_replies', whose corpus runs in ctest; a
// write the line refuses is the e2e tests' unplugged line.
#include <gtest/gtest.h>

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

class LinkTest : public ::testing::Test {
  protected:
    LinkTest() : link(p.port, p.clock, p.dialogs) {
        link.CommPortNumber = 1;
        link.OpenCommPort();
        link.ReopenWithBufferSize(10);
    }
    // Every write answered with `n` bytes after `delay`.
    void answer(std::size_t n, Clock::Duration delay = 0ms) {
        p.port.onWrite = [=](test::FakeSerialPort& port, const Bytes&) {
            port.arrive(Bytes(n, 1), delay);
        };
    }
    // The time from the first write to each write.
    std::vector<Clock::Duration> writeTimes() const {
        std::vector<Clock::Duration> t;
        for (const auto& w : p.port.writes) t.push_back(w.at - p.port.writes[0].at);
        return t;
    }

    test::FakePlatform p;
    Link link;
};

TEST_F(LinkTest, SilenceOrAnIncompleteBlockWritesSixTimesThenTimesOut) {
    const auto sixWrites = [](Clock::Duration apart) {
        std::vector<Clock::Duration> t;
        for (int i = 0; i < 6; ++i) t.push_back(i * apart);
        return t;
    };
    EXPECT_THROW(link.SendFrame({15}), ProgramEnd);
    EXPECT_EQ(test::framesOn(p.port), FrameList(6, frame({15})));
    EXPECT_EQ(writeTimes(), sixWrites(kReplyTimeout));
    EXPECT_EQ(test::boxesOn(p.dialogs, true),
              test::Texts{std::string(kApplicationTitle) + ": Time out (!) [OK]"});

    link.ReopenWithBufferSize(160);
    p.port.writes.clear();
    answer(20);  // six partial answers stay below 160 bytes in all
    EXPECT_THROW(link.ReadImageBlock({11, 3}), ProgramEnd);
    EXPECT_EQ(writeTimes(), sixWrites(kBlockTimeout));
}

TEST_F(LinkTest, AReplyWithinTheLimitIsTakenALaterOneIsResentForAndAProbeIsNot) {
    // The operation, the reply's size and delay, the writes it takes. A reply is taken as soon
    // as it is whole; a probe gives up after one wait.
    const std::tuple<int, std::size_t, Clock::Duration, std::size_t> cases[] = {
        {0, 10, 3500ms, 1}, {0, 10, 4500ms, 2}, {1, 160, 18s, 1}, {2, 10, 5s, 1}};
    for (auto [operation, size, delay, writes] : cases) {
        link.ReopenWithBufferSize(size);
        p.port.writes.clear();
        answer(size, delay);
        const auto start = p.clock.now();
        const bool done = operation == 0   ? (link.SendFrame({}), true)
                          : operation == 1 ? link.ReadImageBlock({11, 255})
                                           : !link.ProbeDevice({});
        EXPECT_EQ(std::tuple(done, p.port.writes.size(), p.clock.now() - start),
                  std::tuple(true, writes, operation == 2 ? kReplyTimeout : delay))
            << operation << " " << delay.count();
    }
    EXPECT_TRUE(p.dialogs.shown.empty());
}

}  // namespace
}  // namespace vx470
