#include <gtest/gtest.h>

#include <fstream>

#include "core/program.h"
#include "core/program_end.h"
#include "core/shell/tables.h"
#include "tests/unit/mini_unit.h"

namespace vx470 {
namespace {

using test::Bytes;
using test::frame;

class Startup : public ::testing::Test {
  protected:
    Startup() { p.host.directory = dir.path().string(); }

    void writeConfig(Bytes bytes) {
        std::ofstream f(dir.path() / "init.cfg", std::ios::binary);
        f.write(reinterpret_cast<const char*>(bytes.data()),
                static_cast<std::streamsize>(bytes.size()));
    }
    Bytes config() const {
        std::ifstream f(dir.path() / "init.cfg", std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(f), {});
    }
    // The splash window, its timer, and the main window's start-up.
    void start() {
        program.Start();
        EXPECT_EQ(p.host.timers[TimerId::Splash], 2000);
        program.OnTimer(TimerId::Splash);
    }
    std::vector<Bytes> frames() const {
        std::vector<Bytes> f;
        for (const auto& w : p.port.writes) f.push_back(w.bytes);
        return f;
    }

    test::TempDir dir;
    test::FakePlatform p;
    test::MiniUnit unit;
    Program program{Platform{p.port, p.clock, p.dialogs, p.fileDialogs, p.host}};
};

TEST_F(Startup, SmallScreensAreWarnedAboutAndStartUpGoesOn) {
    for (ScreenSize s : {ScreenSize{640, 480}, ScreenSize{1024, 500}, ScreenSize{1024, 768}}) {
        p.dialogs.shown.clear();
        p.host.screen = s;
        program.frmSplash.Form_Load();
        const bool small = s.height < 600 || s.width < 800;
        ASSERT_EQ(p.dialogs.shown.size(), small ? 1u : 0u) << s.width << "x" << s.height;
        if (small) {
            EXPECT_EQ(p.dialogs.shown[0].text, "Minimum display resolution is 800x600");
            EXPECT_EQ(p.dialogs.shown[0].title, "Warning");
        }
        EXPECT_EQ(p.host.timers[TimerId::Splash], 2000);
        EXPECT_EQ(program.ProgramDir, dir.path().string());
    }
}

TEST_F(Startup, AUnitOnTheStoredPortIsProbedOnceAndReadOut) {
    unit.port = 3;
    unit.usePreset(5, " Vocal  ");
    unit.usePreset(9, "Stage 09");
    for (std::size_t i = 0; i < 8; ++i)
        unit.memory[112 + i] = static_cast<std::uint8_t>("Preset01"[i]);
    for (std::size_t i = 0; i < 160; ++i) unit.running[i] = DefaultImage[i];
    unit.running[76] = 4;
    unit.running[156] = 9;
    unit.running[159] = 12;
    unit.attach(p.port);
    writeConfig({3, 0});
    start();

    std::vector<Bytes> expected{frame({0})};
    for (int a = 48; a <= 63; ++a) expected.push_back(frame({16, 0, a}));
    for (int a : {3872, 3904}) {
        for (int i = 0; i < 8; ++i) expected.push_back(frame({16, (a + i) >> 8, (a + i) & 0xFF}));
    }
    for (int a = 112; a < 120; ++a) expected.push_back(frame({16, 0, a}));
    expected.push_back(frame({11, 255}));
    expected.push_back(frame({10, 0, 4, 2, 0, 6, 0}));
    expected.push_back(frame({10, 1, 4, 2, 0, 6, 0}));
    expected.push_back(frame({10, 2, 9, 2, 0, 12, 0}));
    EXPECT_EQ(frames(), expected);
    EXPECT_EQ(p.port.opens.front(), 3);

    const PresetList& presets = program.presets;
    EXPECT_EQ(presets.PresetNames[0], "Preset01");
    EXPECT_EQ(presets.PresetNames[4], " Vocal  ");
    EXPECT_EQ(presets.PresetNames[8], "Stage 09");
    EXPECT_EQ(presets.PresetNames[5], " Empty  ");
    EXPECT_TRUE(presets.PresetUsed[3]);
    EXPECT_TRUE(presets.PresetUsed[8]);
    EXPECT_FALSE(presets.PresetUsed[9]);
    EXPECT_EQ(presets.CurrentName, "");
    EXPECT_EQ(program.frmEq.Label3[1].Caption(), "9");
    EXPECT_EQ(program.frmEq.Label7.Caption(), "Preset loaded from Device");
    EXPECT_EQ(program.frmEq.Label8.Caption(), "");
    EXPECT_EQ(program.mainWindow.Caption(), "VX-470 - Remote Control Software");
    EXPECT_EQ(program.mainWindow.State(), Form::WindowState::Maximized);
    EXPECT_TRUE(program.mainWindow.Visible());
    EXPECT_TRUE(program.frmSplash.Unloaded());
    EXPECT_EQ(p.host.timers[TimerId::Timer3], 3000);
    EXPECT_EQ(p.port.inBufferSize, 10u);
    EXPECT_FALSE(program.link.SuppressSend);
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
    for (const auto& w : p.port.writes) {
        if (w.bytes == frame({0})) probed.push_back(w.port);
    }
    EXPECT_EQ(probed, (std::vector<int>{3, 2, 5}));
    const std::vector<int> firstOpens(p.port.opens.begin(), p.port.opens.begin() + 2);
    EXPECT_EQ(firstOpens.front(), 3);
    EXPECT_EQ(config(), (Bytes{5, 0}));
    EXPECT_FALSE(program.link.DemoMode);
}

TEST_F(Startup, NoUnitAndYesGivesDemoModeWithoutAByteOnAnyLine) {
    p.port.openable = {1, 2, 7};  // ports that open but never answer
    p.dialogs.answers = {Answer::Yes};
    start();
    ASSERT_EQ(p.dialogs.shown.size(), 1u);
    EXPECT_EQ(p.dialogs.shown[0].text, "COM not found, do you want continue in demo mode?");
    EXPECT_EQ(p.dialogs.shown[0].title, "Warning");
    EXPECT_TRUE(program.link.DemoMode);
    EXPECT_EQ(program.mainWindow.Caption(), "VX-470 - DEMO - Remote Control Software");
    EXPECT_EQ(program.presets.PresetNames[3], "Preset04");
    EXPECT_EQ(program.presets.PresetNames[4], " Empty  ");
    EXPECT_TRUE(program.presets.PresetUsed[0]);
    EXPECT_FALSE(program.presets.PresetUsed[19]);
    EXPECT_TRUE(
        std::equal(DefaultImage.begin(), DefaultImage.end(), program.channels.image.begin()));
    EXPECT_EQ(config(), (Bytes{35, 0}));
    EXPECT_EQ(program.frmEq.Label7.Caption(), "Preset loaded from Device");
    EXPECT_FALSE(program.frmEq.HScroll20[10].Enabled());
    EXPECT_TRUE(program.frmEq.HScroll20[11].Enabled());
    EXPECT_EQ(program.graph.Picture1[0].Pixel(300, 32), ResponseGraph::CurveColor[0]);
    // Every frame after the probes is kept off the line.
    const std::size_t probes = p.port.writes.size();
    program.frmEq.HScroll20[11].UserSetValue(0);
    program.mainWindow.Command1_Click(7);
    EXPECT_EQ(p.port.writes.size(), probes);
    for (const auto& w : p.port.writes) EXPECT_EQ(w.bytes, frame({0}));
}

TEST_F(Startup, NoUnitAndNoEndsTheProgramWithoutAskingAgain) {
    p.port.openable = {};
    p.dialogs.answers = {Answer::No};
    program.Start();
    EXPECT_THROW(program.OnTimer(TimerId::Splash), ProgramEnd);
    EXPECT_EQ(p.dialogs.shown.size(), 1u);
    EXPECT_TRUE(p.port.writes.empty());
    EXPECT_THROW(program.mainWindow.MDIForm_QueryUnload(), ProgramEnd);
    EXPECT_EQ(p.dialogs.shown.size(), 1u);
}

TEST_F(Startup, AStoredThirtyFiveIsTriedFirstAndThirtyFourIsTheLastTried) {
    p.port.openable = {};
    writeConfig({35, 0});
    p.dialogs.answers = {Answer::Yes};
    start();
    EXPECT_EQ(p.port.opens.front(), 35);
    EXPECT_EQ(p.port.opens.back(), 34);
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
        writeConfig({1, 0});
        start();
        p.port.writes.clear();
    }
};

TEST_F(Running, ExitAsksWithNoAsDefaultAndYesSendsTheClosingFrame) {
    EXPECT_TRUE(program.mainWindow.MDIForm_QueryUnload());  // Enter takes the default: No
    ASSERT_EQ(p.dialogs.shown.size(), 1u);
    EXPECT_EQ(p.dialogs.shown[0].text, "               Are you sure ? ");
    EXPECT_EQ(p.dialogs.shown[0].title, "Exit");
    EXPECT_EQ(p.dialogs.shown[0].defaultButton, 1);
    EXPECT_TRUE(p.port.writes.empty());
    p.dialogs.answers = {Answer::Yes};
    EXPECT_THROW(program.mainWindow.MDIForm_QueryUnload(), ProgramEnd);
    EXPECT_EQ(frames(), (std::vector<Bytes>{frame({15})}));
    EXPECT_TRUE(program.QuitLoop);
}

TEST_F(Running, ClosingDuringASearchIsRefusedSilently) {
    program.frmEq.Check1[1].UserClick();
    EXPECT_TRUE(program.mainWindow.MDIForm_QueryUnload());
    EXPECT_TRUE(p.dialogs.shown.empty());
    EXPECT_FALSE(program.mainWindow.Command1[0].EffectiveEnabled());
    program.frmEq.Check1[1].UserClick();
    EXPECT_TRUE(program.mainWindow.MDIForm_QueryUnload());
    EXPECT_EQ(p.dialogs.shown.size(), 1u);
}

TEST_F(Running, CopyButtonsAskFirstAndNoLeavesEverything) {
    std::vector<MousePointer> pointers;
    program.mainWindow.View = [&](ViewUpdate) { pointers.push_back(program.mainWindow.Pointer()); };
    p.dialogs.answers = {Answer::No};
    program.mainWindow.Command1[8].UserClick();
    EXPECT_EQ(p.dialogs.shown.back().title, "Copy Right to Left");
    EXPECT_EQ(p.dialogs.shown.back().text, "Copy Channel Right to Left, Are you sure ?");
    EXPECT_TRUE(p.port.writes.empty());
    EXPECT_TRUE(pointers.empty());
    p.dialogs.answers = {Answer::Yes};
    program.mainWindow.Command1[7].UserClick();
    EXPECT_EQ(p.dialogs.shown.back().text, "Copy Channel Left to Right, Are you sure ?");
    EXPECT_EQ(frames().size(), 18u);
    EXPECT_EQ(pointers,
              (std::vector<MousePointer>{MousePointer::ArrowHourglass, MousePointer::Default}));
}

TEST_F(Running, TheTimerOnlyComparesTheChannels) {
    program.channels.image[90] ^= 1;
    program.OnTimer(TimerId::Timer3);
    EXPECT_TRUE(program.channels.ChannelsDiffer);
    EXPECT_EQ(p.host.timers[TimerId::Timer3], 3000);
    EXPECT_TRUE(p.port.writes.empty());
}

}  // namespace
}  // namespace vx470
