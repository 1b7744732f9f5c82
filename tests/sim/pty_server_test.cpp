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
class Port {
  public:
    explicit Port(const std::string& path) : fd_(::open(path.c_str(), O_RDWR | O_NOCTTY)) {
        termios tio{};
        if (fd_ >= 0 && tcgetattr(fd_, &tio) == 0) {
            cfmakeraw(&tio);
            cfsetispeed(&tio, B4800);
            cfsetospeed(&tio, B4800);
            tcsetattr(fd_, TCSANOW, &tio);
        }
    }
    ~Port() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Port(const Port&) = delete;
    Port& operator=(const Port&) = delete;

    bool ok() const { return fd_ >= 0; }
    void write(const Frame& f) { ASSERT_EQ(::write(fd_, f.data(), f.size()), 10); }

    // Reads up to `count` bytes, giving up after `timeout` without data.
    Bytes read(std::size_t count, std::chrono::milliseconds timeout = 2s) {
        Bytes bytes;
        std::array<std::uint8_t, 256> buffer{};
        while (bytes.size() < count) {
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, static_cast<int>(timeout.count())) <= 0 || (p.revents & POLLIN) == 0) {
                break;
            }
            const ssize_t n =
                ::read(fd_, buffer.data(), std::min(buffer.size(), count - bytes.size()));
            if (n <= 0) {
                break;
            }
            bytes.insert(bytes.end(), buffer.begin(), buffer.begin() + n);
        }
        return bytes;
    }

    // True when the line reports a hang-up or end of data within two seconds.
    bool seesHangUp() {
        pollfd p{fd_, POLLIN, 0};
        if (poll(&p, 1, 2000) <= 0) {
            return false;
        }
        if ((p.revents & (POLLHUP | POLLERR)) != 0) {
            return true;
        }
        std::uint8_t byte = 0;
        const ssize_t n = ::read(fd_, &byte, 1);
        return n == 0 || (n < 0 && errno == EIO);
    }

  private:
    int fd_;
};

TEST(PtyServer, ProbeRoundTrip) {
    PtyServer server;
    EXPECT_EQ(server.path().rfind("/dev/pts/", 0), 0u);
    Port port(server.path());
    ASSERT_TRUE(port.ok());
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
