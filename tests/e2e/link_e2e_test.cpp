#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "core/link/commands.h"
#include "core/link/link.h"
#include "core/program_end.h"
#include "desktop/qt_serial_port.h"
#include "sim/pty_server.h"
#include "tests/fakes/fakes.h"
#include "tests/support/scaled_clock.h"

namespace vx470 {
namespace {

using namespace std::chrono_literals;

class LinkOnPty : public ::testing::Test {
  protected:
    // A clock 100 times faster than real time: a silent attempt costs 40 ms.
    void start(const vxsim::Config& config = {}, int clockFactor = 1) {
        server = std::make_unique<vxsim::PtyServer>(config);
        port = std::make_unique<desktop::QtSerialPort>(
            QStringList{QString::fromStdString(server->path())});
        clock = std::make_unique<test::ScaledClock>(clockFactor);
        link = std::make_unique<Link>(*port, *clock, dialogs);
        link->CommPortNumber = 1;
        link->OpenCommPort();
        ASSERT_TRUE(link->PortOpened);
        link->ReopenWithBufferSize(kReplySize);
    }

    std::vector<std::uint8_t> rx(std::size_t n) const {
        return {link->RxBuffer.begin(), link->RxBuffer.begin() + static_cast<long>(n)};
    }

    test::FakeDialogs dialogs;
    std::unique_ptr<vxsim::PtyServer> server;
    std::unique_ptr<desktop::QtSerialPort> port;
    std::unique_ptr<Clock> clock;
    std::unique_ptr<Link> link;
};

TEST_F(LinkOnPty, ProbeFindsTheUnit) {
    start();
    EXPECT_TRUE(link->ProbeDevice(Frames::Probe()));
    EXPECT_EQ(link->RxBuffer[kProbeReplyIndex], kFrameMarker);
    ASSERT_EQ(server->frameCount(), 1u);
    const vxsim::Frame expected{0xF0, 0x5B, 0, 0, 0, 0, 0, 0, 0, 0xF7};
    EXPECT_EQ(server->receivedFrames()[0], expected);
}

TEST_F(LinkOnPty, MemoryBytesReadWriteAndReadBack) {
    start(vxsim::Config{.userPresets = {5}});
    link->SendFrame(Frames::ReadByte(0, 48));  // the mark of preset 5
    EXPECT_EQ(link->RxBuffer[kReadByteReplyIndex], 0x55);
    link->SendFrame(Frames::ReadByte(0, 49));  // preset 6, not used
    EXPECT_NE(link->RxBuffer[kReadByteReplyIndex], 0x55);

    link->SendFrame(Frames::WriteByte(0x0F, 0x28, 'Q'));  // 3880: first name byte of preset 6
    EXPECT_EQ(server->memoryByte(3880), 'Q');
    link->SendFrame(Frames::ReadByte(0x0F, 0x28));
    EXPECT_EQ(link->RxBuffer[kReadByteReplyIndex], 'Q');
    EXPECT_EQ(server->frameCount(), 4u);
}

TEST_F(LinkOnPty, BlockReadReturnsTheRunningImage) {
    start();
    link->RxBuffer.fill(0xEE);
    link->ReopenWithBufferSize(kBlockReplySize);
    ASSERT_TRUE(link->ReadImageBlock(Frames::ReadBlock(kRunningImage)));
    link->ReopenWithBufferSize(kReplySize);
    const auto image = server->runningImage();
    EXPECT_TRUE(std::equal(image.begin(), image.begin() + 160, link->RxBuffer.begin()));
    EXPECT_EQ(link->RxBuffer[160], 0xEE);
    // The port works as before after the reopen.
    EXPECT_TRUE(link->ProbeDevice(Frames::Probe()));
}

TEST_F(LinkOnPty, AReportIsAcknowledgedAndTheNextFollows) {
    start(vxsim::Config{.searchInterval = 20ms});
    link->SendFrame(Frames::AutoSection(SectionTarget::Left, 3, 2, 0, 6, 1));
    ASSERT_TRUE(server->searching());
    for (int report = 0; report < 2; ++report) {
        while (port->bytesWaiting() < kReplySize) port->waitForInput(2s);
        std::array<std::uint8_t, kReplySize> bytes{};
        ASSERT_EQ(port->read(bytes), kReplySize);
        EXPECT_EQ(bytes[0], 0xFE);
        EXPECT_EQ(bytes[1], 0);  // Left
        link->SendFrameNoReply(Frames::Acknowledge());
    }
    ASSERT_TRUE(server->waitForFrames(3, 2s));
    EXPECT_EQ(server->receivedFrames()[2][2], Command::Acknowledge);
}

TEST_F(LinkOnPty, ALineThatGoesSilentEndsInTimeOut) {
    start(vxsim::Config{.faults = {{vxsim::FaultKind::DieAfter, 1, 0}}}, 100);
    link->SendFrame(Frames::Probe());
    EXPECT_THROW(link->SendFrame(Frames::Closing()), ProgramEnd);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, "Time out");
}

TEST_F(LinkOnPty, ALineThatHangsUpIsALineThatDoesNotAnswer) {
    start(vxsim::Config{.faults = {{vxsim::FaultKind::HangUpAfter, 1, 0}}}, 100);
    link->SendFrame(Frames::Probe());
    ASSERT_TRUE(server->waitUntil([](const vxsim::Unit& u) { return u.hangUpDue(); }, 2s));
    EXPECT_FALSE(link->ProbeDevice(Frames::Probe()));
    EXPECT_THROW(link->SendFrame(Frames::Closing()), ProgramEnd);
    // A hung-up line cannot be opened again; the block read then does nothing.
    link->ReopenWithBufferSize(kBlockReplySize);
    EXPECT_FALSE(link->PortOpened);
    EXPECT_FALSE(link->ReadImageBlock(Frames::ReadBlock(0)));
    EXPECT_EQ(dialogs.shown.size(), 1u);
}

TEST(QtSerialPortOpen, PortsThatCannotBeOpenedFailQuietly) {
    desktop::QtSerialPort port({"/dev/does-not-exist", "", "/dev/null"});
    EXPECT_FALSE(port.open(0));
    EXPECT_FALSE(port.open(1));
    EXPECT_FALSE(port.open(2));
    EXPECT_FALSE(port.open(3));  // not a tty
    EXPECT_FALSE(port.open(4));  // beyond the list
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(port.bytesWaiting(), 0u);
    std::array<std::uint8_t, 4> b{};
    EXPECT_FALSE(port.write(b));
    EXPECT_EQ(port.read(b), 0u);
}

TEST(QtSerialPortOpen, PortListComesFromTheEnvironment) {
    qputenv("VX470_PORTS", "/dev/ttyUSB0::/dev/pts/9");
    const QStringList ports = desktop::QtSerialPort::systemPorts();
    qunsetenv("VX470_PORTS");
    EXPECT_EQ(ports, (QStringList{"/dev/ttyUSB0", "", "/dev/pts/9"}));
}

}  // namespace
}  // namespace vx470
