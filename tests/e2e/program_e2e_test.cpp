#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>

#include "core/presets/frm_read.h"
#include "core/presets/frm_store.h"
#include "core/program.h"
#include "core/program_end.h"
#include "desktop/qt_serial_port.h"
#include "sim/pty_server.h"
#include "tests/fakes/fakes.h"
#include "tests/support/scaled_clock.h"
#include "tests/unit/mini_unit.h"

namespace vx470 {
namespace {

using namespace std::chrono_literals;

// The whole program core with the real serial adapter, against simulated units on
// pseudo-terminals; dialogs and the host are scripted.
class ProgramOnPtys : public ::testing::Test {
  protected:
    ProgramOnPtys() { host.directory = dir.path().string(); }

    // Adds a port: a simulated unit, or nothing at all (nullptr config).
    vxsim::PtyServer* addUnit(const vxsim::Config& config) {
        const int number = static_cast<int>(ports.size()) + 1;
        servers.push_back(
            std::make_unique<vxsim::PtyServer>(config, [this, number](const vxsim::Frame&) {
                std::lock_guard lock(orderMutex);
                order.push_back(number);
            }));
        ports.append(QString::fromStdString(servers.back()->path()));
        return servers.back().get();
    }
    void addMissingPort() { ports.append(QString()); }

    void writeConfig(std::uint8_t port) {
        std::ofstream f(dir.path() / "init.cfg", std::ios::binary);
        const char bytes[2] = {static_cast<char>(port), 0};
        f.write(bytes, 2);
    }
    std::vector<std::uint8_t> config() const {
        std::ifstream f(dir.path() / "init.cfg", std::ios::binary);
        return {std::istreambuf_iterator<char>(f), {}};
    }

    // Starts the program; a clock factor above 1 shortens the probe time-outs.
    void start(int clockFactor = 1) {
        port = std::make_unique<desktop::QtSerialPort>(ports);
        clock = std::make_unique<test::ScaledClock>(clockFactor);
        program = std::make_unique<Program>(Platform{*port, *clock, dialogs, fileDialogs, host});
        program->Start();
        program->OnTimer(TimerId::Splash);
    }

    std::vector<int> frameOrder() {
        std::lock_guard lock(orderMutex);
        return order;
    }

    test::TempDir dir;
    test::FakeDialogs dialogs;
    test::FakeFileDialogs fileDialogs;
    test::FakeHost host;
    QStringList ports;
    std::vector<std::unique_ptr<vxsim::PtyServer>> servers;
    std::unique_ptr<desktop::QtSerialPort> port;
    std::unique_ptr<Clock> clock;
    std::unique_ptr<Program> program;
    std::mutex orderMutex;
    std::vector<int> order;
};

TEST_F(ProgramOnPtys, AUnitOnTheStoredPortIsReadOutAtStartUp) {
    vxsim::PtyServer* unit = addUnit(vxsim::Config{.userPresets = {5, 9}});
    writeConfig(1);
    start();
    const auto frames = unit->receivedFrames();
    ASSERT_EQ(frames.size(), 1u + 16 + 16 + 8 + 1 + 3);
    EXPECT_EQ(frames[0][2], 0);  // the probe
    EXPECT_EQ(frames[41][2], 11);
    EXPECT_EQ(frames[41][3], 255);
    for (std::size_t i = 42; i < 45; ++i) EXPECT_EQ(frames[i][2], 10);
    EXPECT_EQ(frames[42][3], 0);
    EXPECT_EQ(frames[43][4], frames[42][4]);  // both with the Left bytes
    const auto image = unit->runningImage();
    EXPECT_TRUE(std::equal(image.begin(), image.end(), program->channels.image.begin()));
    const auto name = vxsim::userSlotName(0);
    EXPECT_EQ(program->presets.PresetNames[4], std::string(name.begin(), name.end()));
    EXPECT_EQ(program->presets.PresetNames[5], " Empty  ");
    EXPECT_EQ(program->mainWindow.Caption(), "VX-470 - Remote Control Software");
    EXPECT_EQ(config(), (std::vector<std::uint8_t>{1, 0}));
}

TEST_F(ProgramOnPtys, ThePortSearchTriesTheStoredPortThenTheOthersInOrder) {
    addMissingPort();                                                       // 1
    addUnit(vxsim::Config{.faults = {{vxsim::FaultKind::NoReply, 0, 0}}});  // 2: silent
    addUnit(vxsim::Config{.faults = {{vxsim::FaultKind::NoReply, 0, 0}}});  // 3: silent
    addMissingPort();                                                       // 4
    vxsim::PtyServer* unit = addUnit({});                                   // 5
    writeConfig(3);
    start(100);
    const std::vector<int> seen = frameOrder();
    ASSERT_GE(seen.size(), 3u);
    EXPECT_EQ(std::vector<int>(seen.begin(), seen.begin() + 3), (std::vector<int>{3, 2, 5}));
    EXPECT_EQ(unit->frameCount(), 29u);  // probe, 16 marks, 8 name bytes, block, 3 settings
    EXPECT_EQ(config(), (std::vector<std::uint8_t>{5, 0}));
    EXPECT_FALSE(program->link.DemoMode);
}

TEST_F(ProgramOnPtys, WithoutAUnitDemoModeSendsNothing) {
    vxsim::PtyServer* silent =
        addUnit(vxsim::Config{.faults = {{vxsim::FaultKind::NoReply, 0, 0}}});
    dialogs.answers = {Answer::Yes};
    start(100);
    EXPECT_TRUE(program->link.DemoMode);
    EXPECT_EQ(program->mainWindow.Caption(), "VX-470 - DEMO - Remote Control Software");
    EXPECT_EQ(config(), (std::vector<std::uint8_t>{35, 0}));
    EXPECT_EQ(silent->frameCount(), 1u);  // its probe
    program->frmEq.HScroll20[11].UserSetValue(3);
    program->frmEq.Check1[0].UserClick();
    program->frmEq.Check1[0].UserClick();
    dialogs.answers = {Answer::Yes};
    EXPECT_THROW(program->mainWindow.MDIForm_QueryUnload(), ProgramEnd);
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(silent->frameCount(), 1u);
}

TEST_F(ProgramOnPtys, RefusingDemoModeEndsAtOnce) {
    addMissingPort();
    dialogs.answers = {Answer::No};
    EXPECT_THROW(start(100), ProgramEnd);
    EXPECT_EQ(dialogs.shown.size(), 1u);
}

TEST_F(ProgramOnPtys, AStoredPresetReadsBackTheSame) {
    vxsim::PtyServer* unit = addUnit(vxsim::Config{.userPresets = {5}});
    start();
    program->frmEq.HScroll20[11].UserSetValue(12);
    const PresetImage stored = program->channels.image;
    dialogs.answers = {Answer::Yes};
    host.onStore = [](FrmStore& f) {
        f.Combo1.UserSelect(15);  // "20"
        f.Text1.SetText("");
        f.Text1.UserType("ab");
        f.Command1[1].UserClick();
    };
    program->mainWindow.Command1[2].UserClick();
    EXPECT_EQ(unit->memoryByte(63), 0x55);
    std::string name;
    for (int a = 3992; a < 4000; ++a)
        name.push_back(static_cast<char>(unit->memoryByte(static_cast<std::size_t>(a))));
    EXPECT_EQ(name, "   ab   ");

    program->frmEq.HScroll20[11].UserSetValue(40);
    dialogs.answers = {Answer::Yes};
    host.onRead = [](FrmRead& f) {
        EXPECT_EQ(f.List1.Items()[19], "ab");
        f.List1.UserDoubleClick(19);
    };
    program->mainWindow.Command1[3].UserClick();
    EXPECT_TRUE(std::equal(stored.begin(), stored.begin() + 160, program->channels.image.begin()));
    EXPECT_EQ(program->frmEq.Label8.Caption(), "20: ab");
}

TEST_F(ProgramOnPtys, AStoreCutOffByADeadLineEndsInTimeOutWithTheSlotUnmarked) {
    // Start-up takes 29 frames with no preset used; the line dies 50 frames into the store.
    vxsim::PtyServer* unit =
        addUnit(vxsim::Config{.faults = {{vxsim::FaultKind::DieAfter, 29 + 50, 0}}});
    start(100);
    dialogs.answers = {Answer::Yes};
    host.onStore = [](FrmStore& f) { f.Command1[1].UserClick(); };
    EXPECT_THROW(program->mainWindow.Command1[2].UserClick(), ProgramEnd);
    EXPECT_EQ(dialogs.shown.back().text, "Time out");
    EXPECT_NE(unit->memoryByte(48), 0x55);
}

TEST_F(ProgramOnPtys, AFeedbackSearchFillsTheAutomaticRows) {
    vxsim::PtyServer* unit = addUnit(vxsim::Config{.searchInterval = 10ms});
    start();
    const PresetImage before = program->channels.image;
    program->frmEq.Check1[1].UserClick();  // Left
    ASSERT_TRUE(program->SearchActive);
    const int automatic = program->channels.model.NumNotchAuto[0];
    // Each report is acknowledged before the next comes: poll until they all arrived.
    for (int i = 0; i < 2000 && unit->withUnit([](vxsim::Unit& u) {
             return std::count_if(u.receivedFrames().begin(), u.receivedFrames().end(),
                                  [](const vxsim::Frame& f) { return f[2] == 48; });
         }) < automatic;
         ++i) {
        port->waitForInput(20ms);
        program->reports.PollDeviceReports();
    }
    program->frmEq.Check1[1].UserClick();
    EXPECT_FALSE(program->SearchActive);
    const auto image = unit->runningImage();
    for (int k = 0; k < automatic; ++k) {
        const std::size_t r = static_cast<std::size_t>(NotchOffset[static_cast<std::size_t>(k)]);
        EXPECT_EQ(program->channels.image[r], image[r]) << k;
        EXPECT_EQ(program->frmEq.HScroll20[static_cast<std::size_t>(k)].Value(), image[r]) << k;
    }
    EXPECT_NE(program->channels.image, before);
    // The Right notches were not searched: unit and program still agree on them.
    EXPECT_TRUE(std::equal(image.begin() + 108, image.begin() + 156,
                           program->channels.image.begin() + 108));
}

}  // namespace
}  // namespace vx470
