#include "sim/pty_server.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <ctime>
#include <optional>
#include <system_error>

namespace vxsim {

namespace {

constexpr std::chrono::milliseconds kLinger{10};
constexpr std::chrono::milliseconds kHangUpGrace{1000};

[[noreturn]] void throwErrno(const char* what) {
    throw std::system_error(errno, std::generic_category(), what);
}

void setFlags(int fd) {
    const int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0 ||
        fcntl(fd, F_SETFD, FD_CLOEXEC) < 0) {
        throwErrno("fcntl");
    }
}

void closeFd(int& fd) {
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

}  // namespace

PtyServer::PtyServer(const Config& config, FrameObserver observer)
    : unit_(config), observer_(std::move(observer)) {
    try {
        if (openpty(&master_, &slave_, nullptr, nullptr, nullptr) < 0) {
            throwErrno("openpty");
        }
        // Our own slave descriptor stays open and raw: without it the master reads EIO
        // while no client is connected, and a cooked slave would echo our own bytes.
        termios tio{};
        if (tcgetattr(slave_, &tio) < 0) {
            throwErrno("tcgetattr");
        }
        cfmakeraw(&tio);
        cfsetispeed(&tio, B4800);
        cfsetospeed(&tio, B4800);
        if (tcsetattr(slave_, TCSANOW, &tio) < 0) {
            throwErrno("tcsetattr");
        }
        std::array<char, 256> name{};
        if (const int err = ttyname_r(slave_, name.data(), name.size()); err != 0) {
            errno = err;
            throwErrno("ttyname_r");
        }
        path_ = name.data();
        setFlags(master_);
        if (fcntl(slave_, F_SETFD, FD_CLOEXEC) < 0) {
            throwErrno("fcntl");
        }
        std::array<int, 2> pipeFds{};
        if (pipe(pipeFds.data()) < 0) {
            throwErrno("pipe");
        }
        wakeRead_ = pipeFds[0];
        wakeWrite_ = pipeFds[1];
        setFlags(wakeRead_);
        setFlags(wakeWrite_);
        thread_ = std::thread([this] { run(); });
    } catch (...) {
        closeFd(master_);
        closeFd(slave_);
        closeFd(wakeRead_);
        closeFd(wakeWrite_);
        throw;
    }
}

PtyServer::~PtyServer() {
    stop_ = true;
    wake();
    thread_.join();
    closeFd(master_);
    closeFd(slave_);
    closeFd(wakeRead_);
    closeFd(wakeWrite_);
}

std::vector<Frame> PtyServer::receivedFrames() const {
    std::lock_guard lock(mutex_);
    return unit_.receivedFrames();
}

std::size_t PtyServer::frameCount() const {
    std::lock_guard lock(mutex_);
    return unit_.receivedFrames().size();
}

std::uint8_t PtyServer::memoryByte(std::size_t address) const {
    std::lock_guard lock(mutex_);
    return unit_.memoryByte(address);
}

Image PtyServer::runningImage() const {
    std::lock_guard lock(mutex_);
    return unit_.runningImage();
}

bool PtyServer::searching() const {
    std::lock_guard lock(mutex_);
    return unit_.searching();
}

bool PtyServer::hungUp() const {
    std::lock_guard lock(mutex_);
    return hungUp_;
}

void PtyServer::addFault(const Fault& fault) {
    withUnit([&fault](Unit& unit) { unit.addFault(fault); });
}

bool PtyServer::waitForFrames(std::size_t count, std::chrono::milliseconds timeout) {
    return waitUntil([count](const Unit& unit) { return unit.receivedFrames().size() >= count; },
                     timeout);
}

bool PtyServer::waitForHangUp(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [this] { return hungUp_; });
}

bool PtyServer::waitUntil(const std::function<bool(const Unit&)>& ready,
                          std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return ready(unit_); });
}

void PtyServer::wake() {
    const std::uint8_t one = 1;
    // A full pipe already holds a wake-up, so a failed write loses nothing.
    [[maybe_unused]] const ssize_t n = ::write(wakeWrite_, &one, 1);
}

void PtyServer::hangUp() {
    closeFd(master_);
    closeFd(slave_);
    {
        std::lock_guard lock(mutex_);
        hungUp_ = true;
    }
    changed_.notify_all();
}

void PtyServer::run() {
    std::vector<std::uint8_t> pending;  // output the master has not taken yet
    std::array<std::uint8_t, 512> buffer{};
    bool masterReadable = true;
    TimePoint lastWrite{};
    std::optional<TimePoint> hangUpDeadline;

    while (!stop_) {
        const TimePoint now = Clock::now();
        std::optional<TimePoint> wakeAt;
        bool closeLine = false;
        bool emitted = false;
        {
            std::lock_guard lock(mutex_);
            const std::vector<std::uint8_t> out = unit_.takeOutput(now);
            pending.insert(pending.end(), out.begin(), out.end());
            emitted = !out.empty();
            wakeAt = unit_.nextWake();
            closeLine = unit_.hangUpDue();
        }
        if (emitted) {
            changed_.notify_all();  // a report may have changed the running image
        }
        if (master_ >= 0 && !pending.empty()) {
            const ssize_t n = ::write(master_, pending.data(), pending.size());
            if (n > 0) {
                pending.erase(pending.begin(), pending.begin() + n);
                lastWrite = now;
            }
        }
        std::optional<TimePoint> lingerCheck;
        if (closeLine && pending.empty() && master_ >= 0) {
            // Closing the master throws away what the host has not read yet, so the last
            // reply is left a moment to be collected.
            if (!hangUpDeadline) {
                hangUpDeadline = now + kHangUpGrace;
            }
            int unread = 0;
            if (now >= *hangUpDeadline || (now >= lastWrite + kLinger &&
                                           ioctl(slave_, TIOCINQ, &unread) == 0 && unread == 0)) {
                hangUp();
            } else {
                lingerCheck = now + kLinger;
            }
        }
        if (lingerCheck && (!wakeAt || *lingerCheck < *wakeAt)) {
            wakeAt = lingerCheck;
        }

        std::array<pollfd, 2> fds{};
        fds[0] = {wakeRead_, POLLIN, 0};
        nfds_t count = 1;
        if (master_ >= 0 && masterReadable) {
            const auto events = static_cast<short>(POLLIN | (pending.empty() ? 0 : POLLOUT));
            fds[1] = {master_, events, 0};
            count = 2;
        }
        timespec timeout{};
        timespec* timeoutPtr = nullptr;
        if (wakeAt) {
            const auto wait = std::max(std::chrono::nanoseconds{0}, *wakeAt - Clock::now());
            const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(wait);
            timeout.tv_sec = static_cast<time_t>(seconds.count());
            timeout.tv_nsec = static_cast<long>((wait - seconds).count());
            timeoutPtr = &timeout;
        }
        if (ppoll(fds.data(), count, timeoutPtr, nullptr) < 0) {
            continue;  // EINTR; nothing else can fail with these arguments
        }
        if ((fds[0].revents & POLLIN) != 0) {
            while (::read(wakeRead_, buffer.data(), buffer.size()) > 0) {
            }
        }
        if (count < 2 || (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) == 0) {
            continue;
        }
        for (;;) {
            const ssize_t n = ::read(master_, buffer.data(), buffer.size());
            if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
                break;
            }
            if (n <= 0) {
                masterReadable = false;  // never expected while our slave is open
                break;
            }
            std::vector<Frame> fresh;
            {
                std::lock_guard lock(mutex_);
                const std::size_t before = unit_.receivedFrames().size();
                unit_.receive(std::span(buffer.data(), static_cast<std::size_t>(n)), Clock::now());
                const auto& frames = unit_.receivedFrames();
                fresh.assign(frames.begin() + static_cast<std::ptrdiff_t>(before), frames.end());
            }
            changed_.notify_all();
            if (observer_) {
                for (const Frame& frame : fresh) {
                    observer_(frame);
                }
            }
        }
    }
}

}  // namespace vxsim
