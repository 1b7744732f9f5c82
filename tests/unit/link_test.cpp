// How long transactions wait and how they end. What the replies hold (short, long, late, in
// pieces, a report in their place) is fuzz_link_replies', whose corpus runs in ctest; a
// write the line refuses is the e2e tests' unplugged line.
#include <gtest/gtest.h>

#include <cstdio>

#include "core/app_info.h"
#include "core/link/link.h"
#include "core/link/traffic_log.h"
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
    // What the log says of it: blackbox_log, whose user's log ends so.
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

std::string hexOf(const Bytes& bytes) {
    std::string text;
    for (std::uint8_t b : bytes) {
        char two[4];
        std::snprintf(two, sizeof two, "%02X ", b);
        text += two;
    }
    return text;
}

// Probes answered, bytes read and written, sections, the running image, a reopen and bytes
// dropped are in the user's log that blackbox_log replays; here is the rest.
TEST_F(LinkTest, TheLogTellsWhatEachFrameReplyAndReportMeansByTheProgramsOwnTables) {
    TrafficLog log(p.clock);
    link.setObserver(&log);
    const auto reply = [](int byte6) { return frame({0, 0x5B, 0, 0, byte6}); };
    const Bytes report = {0xFE, 1, 3, 1, 10, 2, 30, 0, 0, 0};
    // A frame, the unit's answer, what the log says of each.
    const std::tuple<FrameArgs, Bytes, const char*, const char*> cases[] = {
        {Frames::Probe(), Bytes(10, 0), "probe", "not the unit's answer"},
        {Frames::NotchFilter(0, 2, 1, 0x9D, 2, 39), reply(0),
         "write L notch 3 gain -6 dB 1003 Hz Q 1/10", "reply"},
        {Frames::NotchFilter(1, 11, 2, 0xD9, 0, 0), reply(0),
         "write R notch 12 gain -45 dB 20000 Hz Q 1/70", "reply"},
        {Frames::NotchFilter(2, 0, 0, 0, 0, 0), reply(0), "write notch, out of range", "reply"},
        {Frames::AutoSection(SectionTarget::Right, 12, 3, 1, 15, 1), reply(0),
         "auto section R: 12 automatic notches Q 1/5 Variable sensitivity 16, search on", "reply"},
        {Frames::AutoSection(SectionTarget::Both, 11, 2, 0, 6, 0), report,
         "auto section both: 11 automatic notches Q 1/10 Fixed sensitivity 7",
         "reply (a report R notch 4 placed: gain -15 dB 247.9 Hz Q 1/10)"},
        {Frames::ReleaseMode(1, 1, 0), reply(0), "release R Fast, search mode Sharp", "reply"},
        {Frames::Closing(), reply(0), "closing", "reply"},
        {{99, 1}, reply(0), "command 99", "reply"},
    };
    for (const auto& [args, answer, sent, read] : cases) {
        p.port.onWrite = [&answer](test::FakeSerialPort& port, const Bytes&) {
            port.arrive(answer);
        };
        args[0] == Command::Probe ? (void)link.ProbeDevice(args) : link.SendFrame(args);
        EXPECT_EQ(
            std::pair(log.line(log.size() - 2).substr(10), log.line(log.size() - 1).substr(10)),
            std::pair("  >  " + hexOf(p.port.writes.back().bytes) + " " + sent,
                      "  <  " + hexOf(answer) + " " + read));
    }
    // Reports, as the poll takes them; then blocks.
    p.port.onWrite = nullptr;
    const std::pair<Bytes, const char*> reports[] = {
        {report, "report R notch 4 placed: gain -15 dB 247.9 Hz Q 1/10"},
        {{0xFD, 0, 0, 0, 0, 0, 45, 0, 0, 0}, "report L notch 1 gain 0 dB"},
        {{0xFD, 0, 12, 0, 0, 0, 45, 0, 0, 0}, "report out of range, ignored"},
        {{0xFE, 0, 1, 2, 0xDA, 0, 45, 0, 0, 0}, "report out of range, ignored"},
        {{0x12, 0, 1, 2, 0, 0, 45, 0, 0, 0}, "no report, ignored"}};
    for (const auto& [bytes, meaning] : reports) {
        p.port.arrive(bytes);
        std::array<std::uint8_t, kReplySize> into{};
        ASSERT_TRUE(link.ReadReport(into));
        EXPECT_EQ(log.line(log.size() - 1).substr(10), "  <  " + hexOf(bytes) + " " + meaning);
    }
    link.ReopenWithBufferSize(kBlockReplySize);
    answer(kBlockReplySize);
    ASSERT_TRUE(link.ReadImageBlock(Frames::ReadBlock(4)));
    EXPECT_TRUE(log.line(log.size() - 2).ends_with("read block preset 5"));
    EXPECT_TRUE(log.line(log.size() - 1).ends_with(hexOf(Bytes(160, 1)) + " block preset 5"));
}

TEST_F(LinkTest, TheLogKeepsTheLastEntriesAndItsFileEveryLineAsItHappens) {
    test::TempDir dir;
    const auto path = dir.path() / "traffic.log";
    ASSERT_TRUE(test::writeFile(path, Bytes{'o', 'l', 'd', '\n'}));
    const auto file = [&] {
        const Bytes b = test::readFile(path);
        return std::string(b.begin(), b.end());
    };
    TrafficLog log(p.clock, 3);
    ASSERT_TRUE(log.writeTo(path.string()));
    EXPECT_FALSE(log.writeTo((dir.path() / "no" / "such.log").string()));
    link.setObserver(&log);
    const FrameArgs frames[] = {Frames::Closing(), Frames::ReadBlock(1), Frames::Acknowledge(),
                                Frames::ReadBlock(2), Frames::Acknowledge()};
    for (const FrameArgs& f : frames) {
        p.clock.advance(1500us);
        link.SendFrameNoReply(f);
        // The line is in the file before the link goes on, without the log being closed.
        EXPECT_TRUE(file().ends_with(log.line(log.size() - 1) + "\n"));
    }
    EXPECT_EQ(std::pair(log.size(), log.forgotten()), std::pair(3ul, 2ul));
    EXPECT_EQ(log.line(0), "       4.5  >  F0 5B 30 00 00 00 00 00 00 F7  acknowledge");
    EXPECT_EQ(log.lines("PRESET read"), std::vector{log.line(1)});
    EXPECT_EQ(log.lines(" \n"), (std::vector{log.line(0), log.line(1), log.line(2)}));
    const std::string text = file();
    EXPECT_TRUE(text.starts_with("old\n# VX-470 Remote ")) << text;
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 7);
    EXPECT_NE(log.text().find("\n# 2 earlier entries are no longer kept\n" + log.line(0)),
              std::string::npos);
}

}  // namespace
}  // namespace vx470
