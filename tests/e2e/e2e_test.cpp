// The program core and the link with the real serial adapter, against simulated units on
// pseudo-terminals; dialogs and the host are scripted. Suites: ProgramOnPtys (start-up,
// demo mode, presets, search), LineFaults (a unit that misbehaves on purpose), LinkOnPty
// (what the program-level tests do not reach), QtSerialPortOpen.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <algorithm>
#include <fstream>
#include <memory>
#include <mutex>
#include <thread>

#include "core/link/commands.h"
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
using vxsim::FaultKind;

// Frames of a start-up against a unit with presets 5 and 9: 1 probe, 16 marks, 16 name bytes,
// 8 current-name bytes, the image, 3 settings frames.
constexpr std::size_t kStartupFrames = 45;
constexpr std::size_t kFirstNameFrame = 18;  // the first name byte of preset 5

struct ProgramOnPtys : ::testing::Test {
    ProgramOnPtys() { host.directory = dir.path().string(); }

    // Adds a port with a simulated unit; each frame it receives logs the port's number.
    vxsim::PtyServer& addUnit(const vxsim::Config& config = {}) {
        const int number = static_cast<int>(ports.size()) + 1;
        servers.push_back(
            std::make_unique<vxsim::PtyServer>(config, [this, number](const vxsim::Frame&) {
                std::lock_guard lock(orderMutex);
                order.push_back(number);
            }));
        ports.append(QString::fromStdString(servers.back()->path()));
        return *servers.back();
    }
    vxsim::PtyServer& unit() { return *servers.at(0); }

    void writeConfig(char port) { std::ofstream(dir.path() / "init.cfg") << port << '\0'; }
    std::vector<std::uint8_t> config() const {
        std::ifstream f(dir.path() / "init.cfg", std::ios::binary);
        return {std::istreambuf_iterator<char>(f), {}};
    }

    // A clock factor above 1 shortens the link's time-outs.
    void start(int clockFactor = 1) {
        port = std::make_unique<desktop::QtSerialPort>(ports);
        clock = std::make_unique<test::ScaledClock>(clockFactor);
        program = std::make_unique<Program>(Platform{*port, *clock, dialogs, fileDialogs, host});
        program->Start();
        program->OnTimer(TimerId::Splash);
    }
    // The program against one unit with presets 5 and 9 and the given faults.
    void startWithFaults(std::vector<vxsim::Fault> faults, int clockFactor = 1) {
        addUnit({.userPresets = {5, 9}, .searchInterval = 10ms, .faults = std::move(faults)});
        start(clockFactor);
    }

    // The start-up read the unit's names and image as they are, showed nothing, and the
    // next transaction is answered at once: `resends` frames were sent twice.
    void expectCleanReadOut(std::size_t resends = 0) {
        EXPECT_EQ(program->presets.PresetNames[4], "  Vocal ");
        EXPECT_EQ(program->presets.PresetNames[5], " Empty  ");
        const auto image = unit().runningImage();
        EXPECT_TRUE(std::equal(image.begin(), image.end(), program->channels.image.begin()));
        EXPECT_TRUE(dialogs.shown.empty());
        program->frmEq.HScroll20[11].UserSetValue(5);
        EXPECT_EQ(unit().frameCount(), kStartupFrames + resends + 1);
    }

    // A preset read on a line that no longer answers: "Time out", the image untouched.
    void expectPresetReadTimesOut(int row) {
        const PresetImage before = program->channels.image;
        dialogs.answers = {Answer::Yes};
        host.onRead = [row](FrmRead& f) { f.List1.UserDoubleClick(row); };
        EXPECT_THROW(program->mainWindow.Command1[3].UserClick(), ProgramEnd);
        EXPECT_EQ(dialogs.shown.back().text, "Time out");
        EXPECT_EQ(program->channels.image, before);
    }

    // Polls reports until `done` holds for the unit.
    void pollReportsUntil(const std::function<bool(const vxsim::Unit&)>& done) {
        for (int i = 0; i < 2000 && !unit().withUnit(done); ++i) {
            port->waitForInput(20ms);
            program->reports.PollDeviceReports();
        }
    }

    test::TempDir dir;
    test::FakeDialogs dialogs;
    test::FakeFileDialogs fileDialogs;
    test::FakeHost host;
    QStringList ports;
    // Before the servers: their threads log into it until they are stopped.
    std::mutex orderMutex;
    std::vector<int> order;
    std::vector<std::unique_ptr<vxsim::PtyServer>> servers;
    std::unique_ptr<desktop::QtSerialPort> port;
    std::unique_ptr<Clock> clock;
    std::unique_ptr<Program> program;
};

using LineFaults = ProgramOnPtys;
using LinkOnPty = ProgramOnPtys;

TEST_F(ProgramOnPtys, AUnitOnTheStoredPortIsReadOutAtStartUp) {
    writeConfig(1);
    startWithFaults({}, 1);
    const auto frames = unit().receivedFrames();
    ASSERT_EQ(frames.size(), kStartupFrames);
    EXPECT_EQ(frames[0][2], 0);  // the probe
    EXPECT_EQ(frames[41][2], 11);
    EXPECT_EQ(frames[41][3], 255);
    for (std::size_t i = 42; i < 45; ++i) EXPECT_EQ(frames[i][2], 10);
    EXPECT_EQ(frames[42][3], 0);
    EXPECT_EQ(frames[43][4], frames[42][4]);  // both with the Left bytes
    EXPECT_EQ(program->mainWindow.Caption(), "VX-470 - Remote Control Software");
    EXPECT_EQ(config(), (std::vector<std::uint8_t>{1, 0}));
    expectCleanReadOut();
}

TEST_F(ProgramOnPtys, ThePortSearchTriesTheStoredPortThenTheOthersInOrder) {
    ports.append(QString());                            // 1: missing
    addUnit({.faults = {{FaultKind::NoReply, 0, 0}}});  // 2: silent
    addUnit({.faults = {{FaultKind::NoReply, 0, 0}}});  // 3: silent
    ports.append(QString());                            // 4: missing
    addUnit();                                          // 5
    writeConfig(3);
    start(20);
    // One probe each on 3 and 2, then the start-up on 5: probe, 16 marks, 8 name bytes, the
    // block, 3 settings frames.
    std::vector<int> expected{3, 2};
    expected.insert(expected.end(), 29, 5);
    std::lock_guard lock(orderMutex);
    EXPECT_EQ(order, expected);
    EXPECT_EQ(config(), (std::vector<std::uint8_t>{5, 0}));
}

TEST_F(ProgramOnPtys, WithoutAUnitDemoModeSendsNothing) {
    addUnit({.faults = {{FaultKind::NoReply, 0, 0}}});
    dialogs.answers = {Answer::Yes};
    start(20);
    EXPECT_EQ(program->mainWindow.Caption(), "VX-470 - DEMO - Remote Control Software");
    EXPECT_EQ(config(), (std::vector<std::uint8_t>{35, 0}));
    program->frmEq.HScroll20[11].UserSetValue(3);
    program->frmEq.Check1[0].UserClick();
    program->frmEq.Check1[0].UserClick();
    dialogs.answers = {Answer::Yes};
    EXPECT_THROW(program->mainWindow.MDIForm_QueryUnload(), ProgramEnd);
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(unit().frameCount(), 1u);
}

TEST_F(ProgramOnPtys, RefusingDemoModeEndsAtOnce) {
    ports.append(QString());
    dialogs.answers = {Answer::No};
    EXPECT_THROW(start(100), ProgramEnd);
    EXPECT_EQ(dialogs.shown.size(), 1u);
}

TEST_F(ProgramOnPtys, AStoredPresetReadsBackTheSame) {
    addUnit({.userPresets = {5}});
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
    EXPECT_EQ(unit().memoryByte(63), 0x55);
    std::string name;
    for (std::size_t a = 3992; a < 4000; ++a) name += static_cast<char>(unit().memoryByte(a));
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
    addUnit({.faults = {{FaultKind::DieAfter, 29 + 50, 0}}});
    start(100);
    dialogs.answers = {Answer::Yes};
    host.onStore = [](FrmStore& f) { f.Command1[1].UserClick(); };
    EXPECT_THROW(program->mainWindow.Command1[2].UserClick(), ProgramEnd);
    EXPECT_EQ(dialogs.shown.back().text, "Time out");
    EXPECT_NE(unit().memoryByte(48), 0x55);
}

TEST_F(ProgramOnPtys, AFeedbackSearchFillsTheAutomaticRows) {
    addUnit({.searchInterval = 10ms});
    start();
    program->frmEq.Check1[1].UserClick();  // Left
    ASSERT_TRUE(program->SearchActive);
    const int automatic = program->channels.model.NumNotchAuto[0];
    // Each report is acknowledged before the next comes.
    pollReportsUntil([n = automatic](const vxsim::Unit& u) {
        return std::ranges::count(u.receivedFrames(), 48, [](auto& f) { return f[2]; }) >= n;
    });
    program->frmEq.Check1[1].UserClick();
    EXPECT_FALSE(program->SearchActive);
    const auto image = unit().runningImage();
    for (std::size_t k = 0; k < static_cast<std::size_t>(automatic); ++k) {
        const auto r = static_cast<std::size_t>(NotchOffset[k]);
        EXPECT_EQ(program->channels.image[r], image[r]) << k;
        EXPECT_EQ(program->frmEq.HScroll20[k].Value(), image[r]) << k;
    }
    // The Right notches were not searched: unit and program still agree on them.
    EXPECT_TRUE(std::equal(image.begin() + 108, image.begin() + 156,
                           program->channels.image.begin() + 108));
}

TEST_F(LineFaults, ALostReplyIsRecoveredByAResend) {
    startWithFaults({{FaultKind::NoReply, kFirstNameFrame, 0}}, 20);
    expectCleanReadOut(1);
}

TEST_F(LineFaults, AShortReplyIsResentAndItsBytesCountTowardTheNext) {
    // Reply byte 6, the name byte, came in the short reply: the name is still right.
    startWithFaults({{FaultKind::ShortReply, kFirstNameFrame, 7}}, 20);
    expectCleanReadOut(1);
}

TEST_F(LineFaults, ExtraBytesAfterRepliesAreDropped) {
    startWithFaults({{FaultKind::ExtraBytes, 0, 4}});
    expectCleanReadOut();
}

TEST_F(LineFaults, GarbageBeforeAReplyShiftsThatReplyOnly) {
    // Twelve junk bytes: the first ten are taken as the reply to the last settings frame,
    // whose reply nobody reads; the clear drops the rest.
    startWithFaults({{FaultKind::Garbage, kStartupFrames, 12}});
    expectCleanReadOut();
}

TEST_F(LineFaults, ASlowUnitIsStillAccepted) {
    // A reply 3.5 s late on the real clock: within the 4 s an attempt may take.
    startWithFaults({{FaultKind::Delay, 2, 3500}}, 1);
    expectCleanReadOut();
}

TEST_F(LineFaults, AReportWhileWaitingIsTakenAsTheReply) {
    startWithFaults({{FaultKind::ReportBefore, kStartupFrames, 0}});
    // The report was taken for the reply: its notch change never reached the editor.
    EXPECT_EQ(program->link.RxBuffer[0], 0xFD);
    EXPECT_NE(program->channels.image[28], unit().runningImage()[28]);
    EXPECT_EQ(program->frmEq.HScroll20[0].Value(), program->channels.image[28]);
    // The real reply went with the clear: the next transaction gets its own.
    program->link.SendFrame(Frames::ReadByte(0, 48));
    EXPECT_EQ(program->link.RxBuffer[kReadByteReplyIndex], 0x55);
}

TEST_F(LineFaults, GarbageDuringASearchIsAcknowledgedAndChangesNothingItCannotShow) {
    startWithFaults({{FaultKind::SearchGarbage, 0, 10}});
    program->frmEq.Check1[2].UserClick();
    pollReportsUntil(
        [](const vxsim::Unit& u) { return u.receivedFrames().size() >= kStartupFrames + 1 + 12; });
    program->frmEq.Check1[2].UserClick();
    const PresetImage& image = program->channels.image;
    for (std::size_t n = 0; n < static_cast<std::size_t>(kNotches); ++n) {
        const auto r = static_cast<std::size_t>(NotchOffset[n]);
        EXPECT_LE(image[r], kMaxGainCode);
        EXPECT_LE(image[r + 1] * 256 + image[r + 2], kMaxFrequencyIndex);
        EXPECT_EQ(program->frmEq.HScroll20[n].Value(), image[r]) << n;
        EXPECT_EQ(program->frmEq.HScroll30[n].Value(), image[r + 3]) << n;
    }
}

TEST_F(LineFaults, ALineThatDiesDuringTheStartUpEndsInTimeOut) {
    EXPECT_THROW(startWithFaults({{FaultKind::DieAfter, 20, 0}}, 100), ProgramEnd);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, "Time out");
    EXPECT_EQ(unit().frameCount(), 20u);
}

TEST_F(LineFaults, ALineThatDiesDuringAPresetReadEndsInTimeOutAndKeepsTheImage) {
    startWithFaults({{FaultKind::DieAfter, kStartupFrames, 0}}, 100);
    expectPresetReadTimesOut(4);
}

TEST_F(LineFaults, ALineThatHangsUpDuringAPresetReadNeverBecomesTheImage) {
    startWithFaults({{FaultKind::HangUpAfter, kStartupFrames, 0}});
    ASSERT_TRUE(unit().waitForHangUp(2s));
    expectPresetReadTimesOut(0);
}

// The program's link after a start-up against a unit with preset 5 (37 frames).
TEST_F(LinkOnPty, MemoryBytesTheBlockReadAndReportsWithTheirAcknowledgements) {
    addUnit({.userPresets = {5}, .searchInterval = 20ms});
    start();
    Link& link = program->link;
    link.SendFrame(Frames::ReadByte(0, 48));  // the mark of preset 5
    EXPECT_EQ(link.RxBuffer[kReadByteReplyIndex], 0x55);
    link.SendFrame(Frames::WriteByte(0x0F, 0x28, 'Q'));  // 3880: first name byte of preset 6
    EXPECT_EQ(unit().memoryByte(3880), 'Q');

    link.RxBuffer.fill(0xEE);
    link.ReopenWithBufferSize(kBlockReplySize);
    ASSERT_TRUE(link.ReadImageBlock(Frames::ReadBlock(kRunningImage)));
    link.ReopenWithBufferSize(kReplySize);
    const auto image = unit().runningImage();
    EXPECT_TRUE(std::equal(image.begin(), image.end(), link.RxBuffer.begin()));
    EXPECT_EQ(link.RxBuffer[160], 0xEE);

    // After the reopen: a search, each report read off the port and acknowledged.
    link.SendFrame(Frames::AutoSection(SectionTarget::Left, 3, 2, 0, 6, 1));
    ASSERT_TRUE(unit().searching());
    for (int report = 0; report < 2; ++report) {
        while (port->bytesWaiting() < kReplySize) port->waitForInput(2s);
        std::array<std::uint8_t, kReplySize> bytes{};
        ASSERT_EQ(port->read(bytes), kReplySize);
        EXPECT_EQ(bytes[0], 0xFE);
        EXPECT_EQ(bytes[1], 0);  // Left
        link.SendFrameNoReply(Frames::Acknowledge());
    }
    ASSERT_TRUE(unit().waitForFrames(37 + 6, 2s));
    EXPECT_EQ(unit().receivedFrames()[37 + 5][2], Command::Acknowledge);
}

TEST(QtSerialPortOpen, PortsThatCannotBeOpenedFailQuietly) {
    // From VX470_PORTS: a missing device, an empty entry, not a tty; then number 0 and 4.
    qputenv("VX470_PORTS", "/dev/does-not-exist::/dev/null");
    const QStringList ports = desktop::QtSerialPort::systemPorts();
    qunsetenv("VX470_PORTS");
    EXPECT_EQ(ports, (QStringList{"/dev/does-not-exist", "", "/dev/null"}));
    desktop::QtSerialPort port(ports);
    for (int n = 0; n <= 4; ++n) EXPECT_FALSE(port.open(n)) << n;
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(port.bytesWaiting(), 0u);
    std::array<std::uint8_t, 4> b{};
    EXPECT_FALSE(port.write(b));
    EXPECT_EQ(port.read(b), 0u);
}

}  // namespace
}  // namespace vx470

int main(int argc, char** argv) {
    // QSerialPort wants an application object for its notifiers, even when used blocking.
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
