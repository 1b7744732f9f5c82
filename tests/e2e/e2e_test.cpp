// The program core and the link with the real serial adapter, against a simulated unit on a
// pseudo-terminal that misbehaves on purpose; dialogs and the host are scripted. What the
// user sees of it is left to the black-box tests of the real program.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <algorithm>
#include <ctime>
#include <filesystem>

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
        : unit({.userPresets = {5, 9}, .searchInterval = 10ms, .faults = std::move(faults)}),
          port(portsBefore << QString::fromStdString(unit.path())),
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
    void edit() { program.frmEq.HScroll20[11].UserSetValue(5); }
    void readPreset5() {
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

std::chrono::duration<double> processorTime() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return std::chrono::seconds(t.tv_sec) + std::chrono::nanoseconds(t.tv_nsec);
}

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

TEST(LineFaults, AnUnpluggedLineEndsInTimeOutWithoutSpinningAndLeavesNoDescriptor) {
    // The pty's master closes as a USB adapter goes: the node disappears, reads fail. Between
    // transactions an edit writes into nothing and a preset read cannot reopen the port; in a
    // transaction the line goes while the program waits for the reply.
    const std::tuple<const char*, std::vector<vxsim::Fault>, bool> cases[] = {
        {"edit after", {{FaultKind::HangUpAfter, kStartupFrames, 0}}, false},
        {"read after", {{FaultKind::HangUpAfter, kStartupFrames, 0}}, true},
        {"edit during",
         {{FaultKind::NoReply, kStartupFrames + 1, 0},
          {FaultKind::HangUpAfter, kStartupFrames + 1, 0}},
         false}};
    for (const auto& [name, faults, read] : cases) {
        SCOPED_TRACE(name);
        OnPty r(faults, 20);
        const std::string device = r.unit.path();
        ASSERT_TRUE(faults.size() > 1 || r.unit.waitForHangUp(2s));
        const PresetImage before = r.program.channels.image;
        const auto wallStart = std::chrono::steady_clock::now();
        const auto cpuStart = processorTime();
        testing::internal::CaptureStderr();
        EXPECT_THROW(read ? r.readPreset5() : r.edit(), ProgramEnd);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");  // a port gone is no one's fault
        const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - wallStart;
        // A sanity bound against spinning, not a speed test: the waits sleep.
        EXPECT_LT(processorTime() - cpuStart, wall / 4 + 50ms) << wall.count() << " s";
        EXPECT_EQ(r.dialogs.shown.back().text, "Time out");
        EXPECT_EQ(std::pair(r.port.isOpen(), descriptorsOn(device)), std::pair(false, 0));
        EXPECT_TRUE(!read || r.program.channels.image == before);
    }
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
