// The program core and the link with the real serial adapter, against a simulated unit on a
// pseudo-terminal that misbehaves on purpose; dialogs and the host are scripted. What the
// user sees of it is left to the black-box tests of the real program.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <algorithm>

#include "core/link/commands.h"
#include "core/presets/frm_read.h"
#include "core/program.h"
#include "core/program_end.h"
#include "desktop/qt_serial_port.h"
#include "sim/pty_server.h"
#include "tests/fakes/fakes.h"
#include "tests/support/scaled_clock.h"

namespace vx470 {
namespace {

using namespace std::chrono_literals;
using vxsim::FaultKind;

// Frames of a start-up against a unit with presets 5 and 9: 1 probe, 16 marks, 16 name bytes,
// 8 current-name bytes, the image, 3 settings frames.
constexpr std::size_t kStartupFrames = 45;
constexpr std::size_t kFirstNameFrame = 18;  // the first name byte of preset 5

// The program started against a unit with presets 5 and 9 and the given faults; a clock
// factor above 1 shortens the link's time-outs.
struct OnPty {
    explicit OnPty(std::vector<vxsim::Fault> faults, int clockFactor = 1)
        : unit({.userPresets = {5, 9}, .searchInterval = 10ms, .faults = std::move(faults)}),
          port(QStringList{QString::fromStdString(unit.path())}),
          clock(clockFactor) {
        host.directory = dir.path().string();
        program.Start();
        program.OnTimer(TimerId::Splash);
    }

    // The start-up read the unit's names and image as they are, showed nothing, and the
    // next transaction is answered at once: `resends` frames were sent twice.
    void expectCleanReadOut(std::size_t resends) {
        EXPECT_EQ(std::pair(program.presets.PresetNames[4], program.presets.PresetNames[5]),
                  std::pair(std::string("  Vocal "), std::string(" Empty  ")));
        const auto image = unit.runningImage();
        EXPECT_TRUE(std::equal(image.begin(), image.end(), program.channels.image.begin()));
        EXPECT_TRUE(dialogs.shown.empty());
        program.frmEq.HScroll20[11].UserSetValue(5);
        EXPECT_EQ(unit.frameCount(), kStartupFrames + resends + 1);
    }

    test::TempDir dir;
    test::FakeDialogs dialogs;
    test::FakeFileDialogs fileDialogs;
    test::FakeHost host;
    vxsim::PtyServer unit;
    desktop::QtSerialPort port;
    test::ScaledClock clock;
    Program program{Platform{port, clock, dialogs, fileDialogs, host}};
};

TEST(LineFaults, LostShortPaddedOrShiftedRepliesAreRecovered) {
    // A lost reply and a short one are resent (the short reply's bytes count toward the
    // next); extra bytes go with the clear; of twelve junk bytes before a reply the first ten
    // are taken as the reply to the last settings frame, whose reply nobody reads.
    const std::tuple<vxsim::Fault, int, std::size_t> cases[] = {
        {{FaultKind::NoReply, kFirstNameFrame, 0}, 20, 1},
        {{FaultKind::ShortReply, kFirstNameFrame, 7}, 20, 1},
        {{FaultKind::ExtraBytes, 0, 4}, 1, 0},
        {{FaultKind::Garbage, kStartupFrames, 12}, 1, 0}};
    for (const auto& [fault, clockFactor, resends] : cases) {
        SCOPED_TRACE(static_cast<int>(fault.kind));
        OnPty(std::vector{fault}, clockFactor).expectCleanReadOut(resends);
    }
}

TEST(LineFaults, AReportWhileWaitingIsTakenAsTheReply) {
    OnPty r({{FaultKind::ReportBefore, kStartupFrames, 0}});
    // The report was taken for the reply: its notch change never reached the editor.
    EXPECT_EQ(r.program.link.RxBuffer[0], 0xFD);
    EXPECT_NE(r.program.channels.image[28], r.unit.runningImage()[28]);
    EXPECT_EQ(r.program.frmEq.HScroll20[0].Value(), r.program.channels.image[28]);
    // The real reply went with the clear: the next transaction gets its own.
    r.program.link.SendFrame(Frames::ReadByte(0, 48));
    EXPECT_EQ(r.program.link.RxBuffer[kReadByteReplyIndex], 0x55);
}

TEST(LineFaults, SearchReportsAndGarbageBetweenThemAreReadAcknowledgedAndShown) {
    OnPty r({{FaultKind::SearchGarbage, 0, 10}});
    Program& program = r.program;
    const PresetImage before = program.channels.image;
    program.frmEq.Check1[1].UserClick();  // Left
    ASSERT_TRUE(program.SearchActive);
    // Each report (and each ten junk bytes) is acknowledged before the next comes.
    const auto acks = [](const vxsim::Unit& u) {
        return std::ranges::count(u.receivedFrames(), 48, [](auto& f) { return f[2]; });
    };
    const long wanted = 2 * program.channels.model.NumNotchAuto[0];
    for (int i = 0; i < 2000 && r.unit.withUnit(acks) < wanted; ++i) {
        r.port.waitForInput(20ms);
        program.reports.PollDeviceReports();
    }
    ASSERT_GE(r.unit.withUnit(acks), wanted);
    program.frmEq.Check1[1].UserClick();
    EXPECT_FALSE(program.SearchActive);
    EXPECT_NE(program.channels.image, before);
    // The unit may have sent one more report that the stop took for its reply: the controls
    // are compared with what the program read.
    const PresetImage& image = program.channels.image;
    for (std::size_t n = 0; n < static_cast<std::size_t>(kNotches); ++n) {
        const auto at = static_cast<std::size_t>(NotchOffset[n]);
        EXPECT_EQ(program.frmEq.HScroll20[n].Value(), image[at]) << n;
        EXPECT_EQ(program.frmEq.HScroll30[n].Value(), image[at + 3]) << n;
    }
}

TEST(LineFaults, ALineThatHangsUpDuringAPresetReadNeverBecomesTheImage) {
    OnPty r({{FaultKind::HangUpAfter, kStartupFrames, 0}});
    ASSERT_TRUE(r.unit.waitForHangUp(2s));
    const PresetImage before = r.program.channels.image;
    r.dialogs.answers = {Answer::Yes};
    r.host.onRead = [](FrmRead& f) { f.List1.UserDoubleClick(0); };
    EXPECT_THROW(r.program.mainWindow.Command1[3].UserClick(), ProgramEnd);
    EXPECT_EQ(r.dialogs.shown.back().text, "Time out");
    EXPECT_EQ(r.program.channels.image, before);
}

TEST(QtSerialPortOpen, PortsThatCannotBeOpenedFailQuietly) {
    // From VX470_PORTS: a missing device, an empty entry, not a tty; then number 0 and 4.
    qputenv("VX470_PORTS", "/dev/does-not-exist::/dev/null");
    const QStringList ports = desktop::QtSerialPort::systemPorts();
    qunsetenv("VX470_PORTS");
    EXPECT_EQ(ports, (QStringList{"/dev/does-not-exist", "", "/dev/null"}));
    desktop::QtSerialPort port(ports);
    for (int n = 0; n <= 4; ++n) EXPECT_FALSE(port.open(n)) << n;
    std::array<std::uint8_t, 4> b{};
    EXPECT_EQ(std::tuple(port.isOpen(), port.bytesWaiting(), port.write(b), port.read(b)),
              std::tuple(false, 0u, false, 0u));
}

}  // namespace
}  // namespace vx470

int main(int argc, char** argv) {
    // QSerialPort wants an application object for its notifiers, even when used blocking.
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
