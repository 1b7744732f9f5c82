#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "core/presets/frm_read.h"
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
using vxsim::Fault;
using vxsim::FaultKind;

// Frames of a start-up against a unit with presets 5 and 9: 1 probe, 16 marks, 16 name bytes,
// 8 current-name bytes, the image, 3 settings frames.
constexpr std::size_t kStartupFrames = 45;
constexpr std::size_t kFirstNameFrame = 18;  // the first name byte of preset 5

// Line faults during real transactions: the program core with the real serial adapter, a
// simulated unit that misbehaves on purpose, dialogs and host scripted.
class LineFaults : public ::testing::Test {
  protected:
    LineFaults() { host.directory = dir.path().string(); }

    void start(std::vector<Fault> faults, int clockFactor = 100) {
        server = std::make_unique<vxsim::PtyServer>(vxsim::Config{
            .userPresets = {5, 9}, .searchInterval = 10ms, .faults = std::move(faults)});
        port = std::make_unique<desktop::QtSerialPort>(
            QStringList{QString::fromStdString(server->path())});
        clock = std::make_unique<test::ScaledClock>(clockFactor);
        program = std::make_unique<Program>(Platform{*port, *clock, dialogs, fileDialogs, host});
        program->Start();
        program->OnTimer(TimerId::Splash);
    }

    // The start-up read the unit's names and image as they are.
    void expectReadOut() {
        const auto name = vxsim::userSlotName(0);
        EXPECT_EQ(program->presets.PresetNames[4], std::string(name.begin(), name.end()));
        EXPECT_EQ(program->presets.PresetNames[5], " Empty  ");
        const auto image = server->runningImage();
        EXPECT_TRUE(std::equal(image.begin(), image.begin() + 80, program->channels.image.begin()));
        EXPECT_FALSE(program->link.DemoMode);
    }

    std::size_t timesSent(std::size_t frameNumber) {
        const auto frames = server->receivedFrames();
        const vxsim::Frame f = frames.at(frameNumber - 1);
        return static_cast<std::size_t>(std::count(frames.begin(), frames.end(), f));
    }

    test::TempDir dir;
    test::FakeDialogs dialogs;
    test::FakeFileDialogs fileDialogs;
    test::FakeHost host;
    std::unique_ptr<vxsim::PtyServer> server;
    std::unique_ptr<desktop::QtSerialPort> port;
    std::unique_ptr<Clock> clock;
    std::unique_ptr<Program> program;
};

TEST_F(LineFaults, ALostReplyIsRecoveredByAResend) {
    start({{FaultKind::NoReply, kFirstNameFrame, 0}});
    expectReadOut();
    EXPECT_EQ(timesSent(kFirstNameFrame), 2u);
    EXPECT_EQ(server->frameCount(), kStartupFrames + 1);
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(LineFaults, AShortReplyIsResentAndItsBytesCountTowardTheNext) {
    start({{FaultKind::ShortReply, kFirstNameFrame, 7}});
    // Reply byte 6, the name byte, came in the short reply: the name is still right.
    expectReadOut();
    EXPECT_EQ(server->frameCount(), kStartupFrames + 1);
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(LineFaults, ExtraBytesAfterRepliesAreDropped) {
    start({{FaultKind::ExtraBytes, 0, 4}});
    expectReadOut();
    EXPECT_EQ(server->frameCount(), kStartupFrames);
}

TEST_F(LineFaults, GarbageBeforeAReplyShiftsThatReplyOnly) {
    // Twelve junk bytes: the first ten are taken as the reply to the last settings frame,
    // whose reply nobody reads; the clear drops the rest.
    start({{FaultKind::Garbage, kStartupFrames, 12}});
    expectReadOut();
    program->frmEq.HScroll20[11].UserSetValue(5);
    EXPECT_EQ(server->frameCount(), kStartupFrames + 1);
}

TEST_F(LineFaults, AReportWhileWaitingIsTakenAsTheReply) {
    start({{FaultKind::ReportBefore, kStartupFrames, 0}});
    // The report was taken for the reply: its notch change never reached the editor.
    EXPECT_EQ(program->link.RxBuffer[0], 0xFD);
    EXPECT_NE(program->channels.image[28], server->runningImage()[28]);
    EXPECT_EQ(program->frmEq.HScroll20[0].Value(), program->channels.image[28]);
    // The real reply went with the clear: the next transaction gets its own.
    program->link.SendFrame(Frames::ReadByte(0, 48));
    EXPECT_EQ(program->link.RxBuffer[kReadByteReplyIndex], 0x55);
}

TEST_F(LineFaults, ASlowUnitIsStillAccepted) {
    // A reply 3.5 s late on the real clock: within the 4 s an attempt may take.
    start({{FaultKind::Delay, 2, 3500}}, 1);
    expectReadOut();
    EXPECT_EQ(timesSent(2), 1u);
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(LineFaults, GarbageDuringASearchIsAcknowledgedAndChangesNothingItCannotShow) {
    start({{FaultKind::SearchGarbage, 0, 10}});
    program->frmEq.Check1[2].UserClick();
    for (int i = 0; i < 300 && server->frameCount() < kStartupFrames + 1 + 12; ++i) {
        port->waitForInput(20ms);
        program->reports.PollDeviceReports();
    }
    program->frmEq.Check1[2].UserClick();
    const FrmEq& eq = program->frmEq;
    const PresetImage& image = program->channels.image;
    for (int n = 0; n < kNotches; ++n) {
        const auto i = static_cast<std::size_t>(n);
        const auto r = static_cast<std::size_t>(NotchOffset[i]);
        EXPECT_LE(image[r], kMaxGainCode);
        EXPECT_LE(image[r + 1] * 256 + image[r + 2], kMaxFrequencyIndex);
        EXPECT_EQ(eq.HScroll20[i].Value(), image[r]) << n;
        EXPECT_EQ(eq.HScroll30[i].Value(), image[r + 3]) << n;
    }
    EXPECT_FALSE(program->SearchActive);
}

TEST_F(LineFaults, ALineThatDiesDuringTheStartUpEndsInTimeOut) {
    EXPECT_THROW(start({{FaultKind::DieAfter, 20, 0}}), ProgramEnd);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, "Time out");
    EXPECT_EQ(server->frameCount(), 20u);
}

TEST_F(LineFaults, ALineThatDiesDuringAPresetReadEndsInTimeOutAndKeepsTheImage) {
    start({{FaultKind::DieAfter, kStartupFrames, 0}});
    const PresetImage before = program->channels.image;
    dialogs.answers = {Answer::Yes};
    host.onRead = [](FrmRead& f) { f.List1.UserDoubleClick(4); };
    EXPECT_THROW(program->mainWindow.Command1[3].UserClick(), ProgramEnd);
    EXPECT_EQ(dialogs.shown.back().text, "Time out");
    EXPECT_EQ(program->channels.image, before);
}

TEST_F(LineFaults, ALineThatHangsUpDuringAPresetReadNeverBecomesTheImage) {
    start({{FaultKind::HangUpAfter, kStartupFrames, 0}});
    ASSERT_TRUE(server->waitForHangUp(2s));
    const PresetImage before = program->channels.image;
    dialogs.answers = {Answer::Yes};
    host.onRead = [](FrmRead& f) { f.List1.UserDoubleClick(0); };
    EXPECT_THROW(program->mainWindow.Command1[3].UserClick(), ProgramEnd);
    EXPECT_EQ(dialogs.shown.back().text, "Time out");
    EXPECT_EQ(program->channels.image, before);
}

}  // namespace
}  // namespace vx470
