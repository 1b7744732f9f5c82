#include "core/program_end.h"
#include "tests/unit/program_fixture.h"

namespace vx470 {
namespace {

using test::Bytes;
using test::frame;
using test::FrameList;
using test::Texts;

// The order of the search and init.cfg of any content without a unit: fuzz_replay_fuzz_init_cfg.
TEST(StartupSearch, SilentPortsAreSkippedTheUnitsPortIsStoredAndASmallScreenIsWarnedOf) {
    test::Starting s;
    s.p.port.openable = {2, 3, 5};  // 1 and 4 missing; 2 and 3 open but stay silent
    s.unit.port = 5;
    s.unit.attach(s.p.port);
    s.p.host.screen = {640, 480};
    test::writeFile(s.file("init.cfg"), {3, 0});
    s.start();
    std::vector<int> probed;
    for (const auto& w : s.p.port.writes)
        if (w.bytes == frame({0})) probed.push_back(w.port);
    EXPECT_EQ(std::tuple(s.p.port.opens.front(), probed, test::readFile(s.file("init.cfg"))),
              std::tuple(3, std::vector{3, 2, 5}, Bytes{5, 0}));
    EXPECT_EQ(std::pair(s.program.ProgramDir, s.program.link.DemoMode),
              std::pair(s.dir.path().string(), false));
    EXPECT_EQ(s.boxes(), Texts{"Warning: Minimum display resolution is 800x600"});
}

using Startup = test::StartingProgram;

TEST_F(Startup, ALineThatDiesDuringTheReadOutEndsInTimeOut) {
    unit.answers = 20;
    unit.attach(p.port);
    program.Start();
    EXPECT_THROW(program.OnTimer(TimerId::Splash), ProgramEnd);
    EXPECT_EQ(boxes(), Texts{"VX-470 Remote: Time out"});
    const FrameList f = frames();
    ASSERT_EQ(f.size(), 20u + 6u);  // the first frame left unanswered, written six times
    EXPECT_EQ(FrameList(f.begin() + 20, f.end()), FrameList(6, f[20]));
    EXPECT_FALSE(program.mainWindow.Visible());
}

}  // namespace
}  // namespace vx470
