#include <set>

#include "core/program_end.h"
#include "tests/unit/program_fixture.h"

namespace vx470 {
namespace {

using test::Bytes;
using test::frame;
using test::FrameList;
using test::shown;
using test::Texts;

class Startup : public test::StartingProgram {
  protected:
    Bytes config() const { return test::readFile(file("init.cfg")); }
};

TEST_F(Startup, AUnitOnTheStoredPortIsProbedOnceAndReadOut) {
    unit.port = 3;
    unit.usePreset(5, " Vocal  ");
    unit.usePreset(9, "Stage 09");
    std::copy_n("Preset01", 8, unit.memory.begin() + 112);
    unit.running[76] = 4;
    unit.running[156] = 9;
    unit.running[159] = 12;
    unit.attach(p.port);
    test::writeFile(file("init.cfg"), {3, 0});
    start();

    FrameList expected{frame({0})};
    for (int a = 48; a <= 63; ++a) expected.push_back(frame({16, 0, a}));
    for (int a : {3872, 3904, 112})
        for (int i = a; i < a + 8; ++i) expected.push_back(frame({16, i >> 8, i & 0xFF}));
    expected.insert(expected.end(),
                    {frame({11, 255}), frame({10, 0, 4, 2, 0, 6, 0}), frame({10, 1, 4, 2, 0, 6, 0}),
                     frame({10, 2, 9, 2, 0, 12, 0})});
    EXPECT_EQ(frames(), expected);
    EXPECT_EQ(p.port.opens.front(), 3);
    const PresetList& presets = program.presets;
    const auto& n = presets.PresetNames;
    EXPECT_EQ((Texts{n[0], n[4], n[5], n[8], presets.CurrentName}),
              (Texts{"Preset01", " Vocal  ", " Empty  ", "Stage 09", ""}));
    EXPECT_TRUE(presets.PresetUsed[3] && presets.PresetUsed[8] && !presets.PresetUsed[9]);
    EXPECT_EQ(shown(eq().Label3[1], eq().Label7, eq().Label8, program.mainWindow),
              (Texts{"9", "Preset loaded from Device", "", "VX-470 - Remote Control Software"}));
    EXPECT_EQ(program.mainWindow.State(), Form::WindowState::Maximized);
    EXPECT_TRUE(program.mainWindow.Visible() && program.frmSplash.Unloaded());
    EXPECT_TRUE(p.port.inBufferSize == 10u && !program.link.SuppressSend);
    EXPECT_EQ(config(), (Bytes{3, 0}));
    EXPECT_TRUE(p.dialogs.shown.empty());
    // The periodic timer only compares the channels.
    EXPECT_EQ(p.host.timers[TimerId::Timer3], 3000);
    p.port.writes.clear();
    program.channels.image[90] ^= 1;
    program.OnTimer(TimerId::Timer3);
    EXPECT_TRUE(program.channels.ChannelsDiffer && p.port.writes.empty());
}

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
        {{35, 0}, {}, 0, {1024, 500}, 35, 34, {}, {34, 0}},
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
        EXPECT_EQ(s.program.link.DemoMode, c.unit == 0);
        Texts boxes;
        if (c.screen.width < 800 || c.screen.height < 600)
            boxes.push_back("Warning: Minimum display resolution is 800x600");
        if (c.unit == 0)
            boxes.push_back("Warning: COM not found, do you want continue in demo mode?");
        EXPECT_EQ(s.boxes(), boxes);
        EXPECT_EQ(s.program.ProgramDir, s.dir.path().string());
    }
}

TEST_F(Startup, NoUnitAndYesGivesDemoModeWithoutAByteOnAnyLine) {
    p.port.openable = {1, 2, 7};  // ports that open but never answer
    p.dialogs.answers = {Answer::Yes};
    start();
    EXPECT_EQ(boxes(), Texts{"Warning: COM not found, do you want continue in demo mode?"});
    EXPECT_TRUE(program.link.DemoMode);
    EXPECT_EQ(shown(program.mainWindow, eq().Label7),
              (Texts{"VX-470 - DEMO - Remote Control Software", "Preset loaded from Device"}));
    const auto& n = program.presets.PresetNames;
    EXPECT_EQ((Texts{n[3], n[4]}), (Texts{"Preset04", " Empty  "}));
    EXPECT_TRUE(program.presets.PresetUsed[0] && !program.presets.PresetUsed[19]);
    EXPECT_EQ(program.channels.image, test::defaultImage());
    EXPECT_EQ(config(), (Bytes{35, 0}));
    EXPECT_TRUE(!eq().HScroll20[10].Enabled() && eq().HScroll20[11].Enabled());
    EXPECT_EQ(program.graph.Picture1[0].Pixel(300, 32), ResponseGraph::CurveColor[0]);
    // Every frame after the probes is kept off the line.
    const std::size_t probes = p.port.writes.size();
    eq().HScroll20[11].UserSetValue(0);
    program.mainWindow.Command1_Click(7);
    EXPECT_EQ(frames(), FrameList(probes, frame({0})));
}

TEST_F(Startup, NoUnitAndNoEndsTheProgramWithoutAskingAgain) {
    p.port.openable = {};
    p.dialogs.answers = {Answer::No};
    program.Start();
    EXPECT_THROW(program.OnTimer(TimerId::Splash), ProgramEnd);
    EXPECT_THROW(program.mainWindow.MDIForm_QueryUnload(), ProgramEnd);
    EXPECT_EQ(p.dialogs.shown.size(), 1u);
    EXPECT_TRUE(p.port.writes.empty());
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

class Running : public Startup {
  protected:
    Running() {
        unit.attach(p.port);
        start();
        p.port.writes.clear();
    }
};

TEST_F(Running, ClosingDuringASearchIsRefusedSilentlyOtherwiseNoIsTheDefault) {
    eq().Check1[1].UserClick();
    EXPECT_TRUE(program.mainWindow.MDIForm_QueryUnload());
    EXPECT_TRUE(p.dialogs.shown.empty());
    EXPECT_FALSE(program.mainWindow.Command1[0].EffectiveEnabled());
    eq().Check1[1].UserClick();
    p.port.writes.clear();
    EXPECT_TRUE(program.mainWindow.MDIForm_QueryUnload());  // Enter takes the default: No
    EXPECT_EQ(boxes(true), Texts{"Exit:                Are you sure ?  [Yes/No*]"});
    EXPECT_TRUE(p.port.writes.empty());
    p.dialogs.answers = {Answer::Yes};
    EXPECT_THROW(program.mainWindow.MDIForm_QueryUnload(), ProgramEnd);
    EXPECT_EQ(frames(), FrameList{frame({15})});
    EXPECT_TRUE(program.QuitLoop);
}

}  // namespace
}  // namespace vx470
