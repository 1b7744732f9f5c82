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
    void writeConfig(const Bytes& bytes) { test::writeFile(dir.path() / "init.cfg", bytes); }
    Bytes config() const { return test::readFile(dir.path() / "init.cfg"); }
};

TEST_F(Startup, SmallScreensAreWarnedAboutAndStartUpGoesOn) {
    for (ScreenSize s : {ScreenSize{640, 480}, ScreenSize{1024, 500}, ScreenSize{1024, 768}}) {
        p.dialogs.shown.clear();
        p.host.screen = s;
        program.frmSplash.Form_Load();
        EXPECT_EQ(boxes(), s.width < 800 || s.height < 600
                               ? Texts{"Warning: Minimum display resolution is 800x600"}
                               : Texts{})
            << s.width << "x" << s.height;
        EXPECT_EQ(p.host.timers[TimerId::Splash], 2000);
        EXPECT_EQ(program.ProgramDir, dir.path().string());
    }
}

TEST_F(Startup, AUnitOnTheStoredPortIsProbedOnceAndReadOut) {
    unit.port = 3;
    unit.usePreset(5, " Vocal  ");
    unit.usePreset(9, "Stage 09");
    std::copy_n("Preset01", 8, unit.memory.begin() + 112);
    unit.running[76] = 4;
    unit.running[156] = 9;
    unit.running[159] = 12;
    unit.attach(p.port);
    writeConfig({3, 0});
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
    EXPECT_EQ((Texts{n[0], n[4], n[5], n[8]}),
              (Texts{"Preset01", " Vocal  ", " Empty  ", "Stage 09"}));
    EXPECT_TRUE(presets.PresetUsed[3] && presets.PresetUsed[8]);
    EXPECT_FALSE(presets.PresetUsed[9]);
    EXPECT_EQ(presets.CurrentName, "");
    EXPECT_EQ(shown(eq().Label3[1], eq().Label7, eq().Label8, program.mainWindow),
              (Texts{"9", "Preset loaded from Device", "", "VX-470 - Remote Control Software"}));
    EXPECT_EQ(program.mainWindow.State(), Form::WindowState::Maximized);
    EXPECT_TRUE(program.mainWindow.Visible() && program.frmSplash.Unloaded());
    EXPECT_EQ(p.host.timers[TimerId::Timer3], 3000);
    EXPECT_TRUE(p.port.inBufferSize == 10u && !program.link.SuppressSend);
    EXPECT_EQ(config(), (Bytes{3, 0}));
    EXPECT_TRUE(p.dialogs.shown.empty());
}

TEST_F(Startup, TheStoredPortIsTriedFirstThenOneToThirtyFive) {
    unit.port = 5;
    unit.attach(p.port);
    p.port.openable = {2, 3, 5};  // 1 and 4 missing; 2 and 3 open but stay silent
    writeConfig({3, 0});
    start();
    std::vector<int> probed;
    for (const auto& w : p.port.writes)
        if (w.bytes == frame({0})) probed.push_back(w.port);
    EXPECT_EQ(probed, (std::vector<int>{3, 2, 5}));
    EXPECT_EQ(p.port.opens.front(), 3);
    EXPECT_EQ(config(), (Bytes{5, 0}));
    EXPECT_FALSE(program.link.DemoMode);
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
    EXPECT_EQ(program.channels.image, defaultImage());
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

TEST_F(Startup, AStoredThirtyFiveIsTriedFirstAndThirtyFourIsTheLastTried) {
    p.port.openable = {};
    writeConfig({35, 0});
    p.dialogs.answers = {Answer::Yes};
    start();
    EXPECT_EQ(std::pair(p.port.opens.front(), p.port.opens.back()), std::pair(35, 34));
    EXPECT_EQ(config(), (Bytes{34, 0}));
}

TEST_F(Startup, ABrokenConfigFileMeansPortZero) {
    unit.attach(p.port);
    writeConfig({});
    start();
    EXPECT_EQ(p.port.opens.front(), 0);
    EXPECT_EQ(config(), (Bytes{1, 0}));
}

class Running : public Startup {
  protected:
    Running() {
        unit.attach(p.port);
        start();
        p.port.writes.clear();
    }
};

TEST_F(Running, ExitAsksWithNoAsDefaultAndYesSendsTheClosingFrame) {
    EXPECT_TRUE(program.mainWindow.MDIForm_QueryUnload());  // Enter takes the default: No
    EXPECT_EQ(boxes(true), Texts{"Exit:                Are you sure ?  [Yes/No*]"});
    EXPECT_TRUE(p.port.writes.empty());
    p.dialogs.answers = {Answer::Yes};
    EXPECT_THROW(program.mainWindow.MDIForm_QueryUnload(), ProgramEnd);
    EXPECT_EQ(frames(), FrameList{frame({15})});
    EXPECT_TRUE(program.QuitLoop);
}

TEST_F(Running, ClosingDuringASearchIsRefusedSilently) {
    eq().Check1[1].UserClick();
    EXPECT_TRUE(program.mainWindow.MDIForm_QueryUnload());
    EXPECT_TRUE(p.dialogs.shown.empty());
    EXPECT_FALSE(program.mainWindow.Command1[0].EffectiveEnabled());
    eq().Check1[1].UserClick();
    EXPECT_TRUE(program.mainWindow.MDIForm_QueryUnload());
    EXPECT_EQ(p.dialogs.shown.size(), 1u);
}

TEST_F(Running, TheTimerOnlyComparesTheChannelsAndCopyButtonsAskFirst) {
    program.channels.image[90] ^= 1;
    program.OnTimer(TimerId::Timer3);
    EXPECT_TRUE(program.channels.ChannelsDiffer);
    EXPECT_EQ(p.host.timers[TimerId::Timer3], 3000);
    std::vector<MousePointer> pointers;
    program.mainWindow.View = [&](ViewUpdate) { pointers.push_back(program.mainWindow.Pointer()); };
    p.dialogs.answers = {Answer::No, Answer::Yes};
    click(8);
    EXPECT_TRUE(p.port.writes.empty());
    EXPECT_TRUE(pointers.empty());
    click(7);
    EXPECT_EQ(boxes(), (Texts{"Copy Right to Left: Copy Channel Right to Left, Are you sure ?",
                              "Copy Left to Right: Copy Channel Left to Right, Are you sure ?"}));
    EXPECT_EQ(frames().size(), 18u);
    EXPECT_EQ(pointers,
              (std::vector<MousePointer>{MousePointer::ArrowHourglass, MousePointer::Default}));
}

}  // namespace
}  // namespace vx470
