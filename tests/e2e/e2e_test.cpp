// The program core and the link with the real serial adapter, against a simulated unit on a
// pseudo-terminal that misbehaves on purpose, and ports that do (unplugged, busy, refused,
// another device); dialogs and the host are scripted. What the user sees of it, and a user's
// log replayed, are left to the black-box tests of the real program.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSerialPort>
#include <algorithm>
#include <ctime>
#include <filesystem>
#include <string_view>

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

// The program started against a unit with presets 5 and 9 and the given faults, on the port
// after `portsBefore`; a clock factor above 1 shortens the link's time-outs.
struct OnPty {
    explicit OnPty(std::vector<vxsim::Fault> faults, int clockFactor = 1,
                   QStringList portsBefore = {})
        : OnPty({.userPresets = {5, 9}, .searchInterval = 10ms, .faults = std::move(faults)},
                clockFactor, std::move(portsBefore)) {}
    OnPty(const vxsim::Config& config, int clockFactor, QStringList portsBefore = {})
        : unit(config),
          port(portsBefore << QString::fromStdString(unit.path())),
          clock(clockFactor) {
        host.directory = dir.path().string();
        program.link.setObserver(&program.trafficLog);
        program.Start();
        program.OnTimer(TimerId::Splash);
    }

    // The start-up read the unit's names and image as they are and showed nothing; `resends`
    // of its frames were sent twice.
    void expectCleanReadOut(std::size_t resends) {
        EXPECT_EQ(std::pair(program.presets.PresetNames[4], program.presets.PresetNames[5]),
                  std::pair(std::string("  Vocal "), std::string(" Empty  ")));
        const auto image = unit.runningImage();
        EXPECT_TRUE(std::equal(image.begin(), image.end(), program.channels.image.begin()));
        EXPECT_TRUE(dialogs.shown.empty());
        EXPECT_EQ(unit.frameCount(), kStartupFrames + resends);
    }
    // An edit, or a read of preset 5 (answering Yes to its question).
    void act(bool read) {
        if (!read) return program.frmEq.HScroll20[11].UserSetValue(5);
        dialogs.answers = {Answer::Yes};
        host.onRead = [](FrmRead& f) { f.List1.UserDoubleClick(0); };
        program.mainWindow.Command1[3].UserClick();
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

// Descriptors of this process open on `device`, also once the device node is gone.
int descriptorsOn(const std::string& device) {
    int n = 0;
    for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code e;
        const std::string target = std::filesystem::read_symlink(fd.path(), e).string();
        n += target == device || target == device + " (deleted)";
    }
    return n;
}

TEST(LineFaults, RepliesThatGoAmissAreRecoveredAndAGoneLineEndsInTimeOutWithoutSpinning) {
    // A lost reply and a short one are resent (the short reply's bytes count toward the
    // next); extra bytes go with the clear; of twelve junk bytes before a reply the first ten
    // are taken as the reply to the last settings frame, whose reply nobody reads.
    // Another device in the unit's place after the start-up: an echo is the reply to a 10-byte
    // frame, and two half replies garbled at 9600 baud make one; a block wants 160 bytes: six
    // echoes are 60 and the end, two half blocks are one.
    // Unplugged, the pty's master closes as a USB adapter goes: the node disappears, reads
    // fail. Between transactions an edit writes into nothing and a preset read cannot reopen
    // the port; in a transaction the line goes while the program waits for the reply.
    using vxsim::Peer;
    using Faults = std::vector<vxsim::Fault>;
    const Faults hangUp{{FaultKind::HangUpAfter, kStartupFrames, 0}};
    const Faults goneInAnEdit{{FaultKind::NoReply, kStartupFrames + 1, 0},
                              {FaultKind::HangUpAfter, kStartupFrames + 1, 0}};
    // The faults, the peer after the start-up, the clock factor, the read-out's resends, an edit
    // or a preset read; the writes of that, 0 when it ends in "Time out".
    const std::tuple<const char*, Faults, Peer, int, std::size_t, bool, std::size_t> cases[] = {
        {"lost", {{FaultKind::NoReply, kFirstNameFrame, 0}}, Peer::Unit, 20, 1, false, 1},
        {"short", {{FaultKind::ShortReply, kFirstNameFrame, 7}}, Peer::Unit, 20, 1, false, 1},
        {"extra", {{FaultKind::ExtraBytes, 0, 4}}, Peer::Unit, 1, 0, false, 1},
        {"junk", {{FaultKind::Garbage, kStartupFrames, 12}}, Peer::Unit, 1, 0, false, 1},
        {"echo edit", {}, Peer::Echo, 20, 0, false, 1},
        {"echo read", {}, Peer::Echo, 20, 0, true, 0},
        {"wrong baud edit", {}, Peer::WrongBaud, 20, 0, false, 2},
        {"wrong baud read", {}, Peer::WrongBaud, 20, 0, true, 2},
        {"edit unplugged", hangUp, Peer::Unit, 20, 0, false, 0},
        {"read unplugged", hangUp, Peer::Unit, 20, 0, true, 0},
        {"unplugged in an edit", goneInAnEdit, Peer::Unit, 20, 0, false, 0}};
    for (const auto& [name, faults, peer, clockFactor, resends, read, writes] : cases) {
        SCOPED_TRACE(name);
        OnPty r(faults, clockFactor);
        const std::string device = r.unit.path();
        ASSERT_TRUE(faults.size() != 1 || faults[0].kind != FaultKind::HangUpAfter ||
                    r.unit.waitForHangUp(2s));
        r.expectCleanReadOut(resends);
        // A copy, since clang 14 cannot capture a structured binding.
        r.unit.withUnit([peer = peer](vxsim::Unit& u) { u.setPeer(peer); });
        const PresetImage before = r.program.channels.image;
        const auto wallStart = std::chrono::steady_clock::now();
        const auto processorTime = [] { return double(std::clock()) / CLOCKS_PER_SEC; };
        const double cpuStart = processorTime();
        testing::internal::CaptureStderr();
        bool timedOut = false;
        try {
            r.act(read);
        } catch (const ProgramEnd&) {
            timedOut = true;
        }
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");  // a port gone is no one's fault
        const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - wallStart;
        // A sanity bound against spinning, not a speed test: the waits sleep.
        EXPECT_LT(processorTime() - cpuStart, wall.count() / 4 + 0.05) << wall.count() << " s";
        const auto timeOuts = std::count_if(r.dialogs.shown.begin(), r.dialogs.shown.end(),
                                            [](const auto& box) { return box.text == "Time out"; });
        EXPECT_EQ(std::pair(timedOut, timeOuts), std::pair(writes == 0, writes == 0 ? 1l : 0l));
        if (writes > 0) {
            EXPECT_EQ(r.unit.frameCount(), kStartupFrames + resends + writes);
        } else if (!faults.empty()) {
            EXPECT_EQ(std::pair(r.port.isOpen(), descriptorsOn(device)), std::pair(false, 0));
            EXPECT_TRUE(!read || r.program.channels.image == before);
        }
    }
}

// As root the permission case is left to the run as nobody that CMake adds: permission bits
// refuse root nothing. Root sees a busy port only by the other program's lock.
TEST(PortSearch, OtherDevicesAreSkippedAndPortsTheUserCanFixAreNamed) {
    // Port 1 is another program's, the user's to fix, another device or no serial port at all;
    // the unit is on port 2. An echo brings the probe back with 0x00, not '[', at byte 3; at
    // 9600 baud the probe's reply arrives 5 bytes long.
    using vxsim::Peer;
    const std::tuple<const char*, Peer, const char*> cases[] = {
        {"busy", Peer::Unit, "busy (opened by another program)"},
        {"denied", Peer::Unit, "permission denied (is the user in the dialout group?)"},
        {"echo", Peer::Echo, ""},
        {"wrong baud", Peer::WrongBaud, ""},
        {"/dev/does-not-exist", Peer::Unit, ""},
        {"/dev/null", Peer::Unit, ""}};
    for (const auto& [name, peer, reason] : cases) {
        SCOPED_TRACE(name);
        const std::string_view why = reason;
        if (why.starts_with("perm") && geteuid() == 0) continue;
        vxsim::PtyServer other({.peer = peer});
        const std::string device = name[0] == '/' ? name : other.path();
        QSerialPort holder(QString::fromStdString(device));
        ASSERT_TRUE(!why.starts_with("busy") || holder.open(QIODevice::ReadWrite));
        ASSERT_TRUE(!why.starts_with("perm") || chmod(device.c_str(), 0) == 0);
        const int held = descriptorsOn(device);  // the simulator's and the other program's
        testing::internal::CaptureStderr();
        OnPty r(std::vector<vxsim::Fault>{}, 20, {QString::fromStdString(device)});
        EXPECT_EQ(testing::internal::GetCapturedStderr(),
                  why.empty() ? "" : "vx470: " + device + ": " + reason + "\n");
        EXPECT_EQ(r.program.link.CommPortNumber, 2);
        r.expectCleanReadOut(0);
        EXPECT_EQ(std::tuple(other.frameCount(), descriptorsOn(device)),
                  std::tuple(peer == Peer::Unit ? 0u : 1u, held));
    }
    qputenv("VX470_PORTS", "/dev/a::/dev/b");  // how a test or the user names the ports
    EXPECT_EQ(desktop::QtSerialPort::systemPorts(), (QStringList{"/dev/a", "", "/dev/b"}));
    qunsetenv("VX470_PORTS");
}

}  // namespace
}  // namespace vx470

int main(int argc, char** argv) {
    // QSerialPort wants an application object for its notifiers, even when used blocking.
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
