#include <set>

#include "core/program_end.h"
#include "tests/unit/program_fixture.h"

namespace vx470 {
namespace {

using test::Bytes;
using test::frame;
using test::FrameList;
using test::Texts;

TEST(StartupSearch, TheStoredPortIsTriedFirstThenOneToThirtyFiveAndABrokenFileMeansZero) {
    // init.cfg as found, the ports that open, the unit's port (0: none, demo mode), the screen;
    // the first and last port opened, the ports probed, init.cfg afterwards.
    const struct {
        Bytes cfg;
        std::set<int> openable;
        int unit;
        ScreenSize screen;
        int first, last;
        std::vector<int> probed;
        Bytes after;
    } cases[] = {
        // 1 and 4 missing; 2 and 3 open but stay silent.
        {{3, 0}, {2, 3, 5}, 5, {640, 480}, 3, 5, {3, 2, 5}, {5, 0}},
        {{35, 0}, {2, 7}, 0, {1024, 500}, 35, 34, {2, 7}, {34, 0}},
        {{}, {}, 1, {1024, 768}, 0, 1, {1}, {1, 0}},
        {{7}, {}, 1, {800, 600}, 7, 1, {1}, {1, 0}},  // one byte: that port
    };
    for (const auto& c : cases) {
        test::Starting s;
        s.p.port.openable = c.openable;
        s.unit.port = c.unit;
        if (c.unit != 0) s.unit.attach(s.p.port);
        s.p.host.screen = c.screen;
        test::writeFile(s.file("init.cfg"), c.cfg);
        s.start();
        std::vector<int> probed;
        for (const auto& w : s.p.port.writes)
            if (w.bytes == frame({0})) probed.push_back(w.port);
        EXPECT_EQ(std::pair(s.p.port.opens.front(), s.p.port.opens.back()),
                  std::pair(c.first, c.last));
        EXPECT_EQ(probed, c.probed);
        EXPECT_EQ(test::readFile(s.file("init.cfg")), c.after);
        EXPECT_EQ(s.program.ProgramDir, s.dir.path().string());
        Texts boxes;
        if (c.screen.width < 800 || c.screen.height < 600)
            boxes.push_back("Warning: Minimum display resolution is 800x600");
        if (c.unit == 0)
            boxes.push_back("Warning: COM not found, do you want continue in demo mode?");
        EXPECT_EQ(s.boxes(), boxes);
        if (c.unit != 0) continue;
        // Demo mode from the default image, and every frame after the probes is kept off the
        // line.
        EXPECT_TRUE(s.program.link.DemoMode);
        EXPECT_EQ(s.program.channels.image, test::defaultImage());
        s.eq().HScroll20[11].UserSetValue(0);
        s.program.mainWindow.Command1_Click(7);
        EXPECT_EQ(s.frames(), FrameList(c.probed.size(), frame({0})));
    }
}

using Startup = test::StartingProgram;

TEST_F(Startup, NoUnitAndNoEndsTheProgramWithoutAskingAgain) {
    p.port.openable = {};
    p.dialogs.answers = {Answer::No};
    program.Start();
    EXPECT_THROW(program.OnTimer(TimerId::Splash), ProgramEnd);
    EXPECT_THROW(program.mainWindow.MDIForm_QueryUnload(), ProgramEnd);
    EXPECT_EQ(std::tuple(p.dialogs.shown.size(), p.port.writes.size()), std::tuple(1u, 0u));
}

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
