#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

#include "sim/pty_server.h"
#include "sim_test_util.h"

namespace vxsim::test {
namespace {

// The host side of the line, opened with plain termios.
struct Port {
    explicit Port(const std::string& path) : fd(::open(path.c_str(), O_RDWR | O_NOCTTY)) {
        termios tio{};
        if (tcgetattr(fd, &tio) == 0) {
            cfmakeraw(&tio);
            tcsetattr(fd, TCSANOW, &tio);
        }
    }
    ~Port() { ::close(fd); }

    void write(const Frame& f) { ASSERT_EQ(::write(fd, f.data(), f.size()), 10); }

    // Up to `count` bytes; stops early when nothing comes for `timeout`.
    Bytes read(std::size_t count, std::chrono::milliseconds timeout = 2s) {
        Bytes bytes(count);
        std::size_t got = 0;
        for (pollfd p{fd, POLLIN, 0}; got < count; p.revents = 0) {
            if (poll(&p, 1, static_cast<int>(timeout.count())) <= 0) {
                break;
            }
            const ssize_t n = ::read(fd, bytes.data() + got, count - got);
            if (n <= 0) {
                break;
            }
            got += static_cast<std::size_t>(n);
        }
        bytes.resize(got);
        return bytes;
    }

    // A hung-up line shows POLLHUP, end of data or EIO.
    bool seesHangUp() {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 2000) <= 0) {
            return false;
        }
        std::uint8_t byte = 0;
        const ssize_t n = (p.revents & POLLHUP) != 0 ? 0 : ::read(fd, &byte, 1);
        return n == 0 || (n < 0 && errno == EIO);
    }

    int fd;
};

TEST(PtyServer, ProbeRoundTrip) {
    PtyServer server;
    EXPECT_EQ(server.path().rfind("/dev/pts/", 0), 0u);
    Port port(server.path());
    ASSERT_GE(port.fd, 0);
    port.write(frame(0));
    const Bytes reply = port.read(10);
    ASSERT_EQ(reply.size(), 10u);
    EXPECT_EQ(reply[3], 0x5B);
    ASSERT_TRUE(server.waitForFrames(1, 2s));
    EXPECT_EQ(server.receivedFrames(), std::vector<Frame>{frame(0)});
}

TEST(PtyServer, BlockReadAndMemoryWrite) {
    PtyServer server(Config{.userPresets = {5}});
    Port port(server.path());
    port.write(frame(17, 0x0F, 0xA0, 0, 0x33));
    EXPECT_EQ(port.read(10).size(), 10u);
    EXPECT_EQ(server.memoryByte(0x0FA0), 0x33);
    port.write(frame(11, 4));
    const Image stored = userSlotImage(0);
    EXPECT_EQ(port.read(160), Bytes(stored.begin(), stored.end()));
    EXPECT_EQ(server.runningImage(), stored);
}

TEST(PtyServer, SearchReportsArriveOneByOne) {
    PtyServer server(Config{.searchInterval = 20ms});
    Port port(server.path());
    port.write(frame(10, 1, 2, 2, 0, 6, 1));
    EXPECT_EQ(port.read(10).size(), 10u);
    EXPECT_TRUE(server.searching());
    for (int i = 0; i < 3; ++i) {
        const Bytes report = port.read(10);
        ASSERT_EQ(report.size(), 10u);
        EXPECT_EQ(report[0], i < 2 ? 0xFE : 0xFD);
        EXPECT_EQ(server.runningImage()[notchOffset(0, report[2])], report[6]);
        EXPECT_TRUE(port.read(1, 100ms).empty());  // nothing until the acknowledgement
        port.write(frame(48));
    }
}

TEST(PtyServer, DeadLineStaysQuiet) {
    PtyServer server(Config{.faults = {{FaultKind::DieAfter, 1, 0}}});
    Port port(server.path());
    port.write(frame(0));
    EXPECT_EQ(port.read(10).size(), 10u);
    port.write(frame(0));
    EXPECT_TRUE(port.read(10, 300ms).empty());
    EXPECT_EQ(server.frameCount(), 1u);
}

TEST(PtyServer, HangUpClosesTheLine) {
    PtyServer server;
    Port port(server.path());
    server.addFault({FaultKind::HangUpAfter, 1, 0});
    port.write(frame(0));
    EXPECT_EQ(port.read(10).size(), 10u);
    EXPECT_TRUE(port.seesHangUp());
    EXPECT_TRUE(server.waitForHangUp(2s));
    EXPECT_TRUE(server.hungUp());
}

}  // namespace
}  // namespace vxsim::test
