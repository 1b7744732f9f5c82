// Serves a Unit on a pseudo-terminal from a thread of its own. All inspection and control
// functions may be called from any thread.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "sim/unit.h"

namespace vxsim {

class PtyServer {
  public:
    // Called on the server thread for every frame received, outside the lock.
    using FrameObserver = std::function<void(const Frame&)>;

    // Opens the pseudo-terminal and starts serving; throws std::system_error on failure.
    explicit PtyServer(const Config& config = {}, FrameObserver observer = {});
    ~PtyServer();
    PtyServer(const PtyServer&) = delete;
    PtyServer& operator=(const PtyServer&) = delete;

    // The device to open, e.g. /dev/pts/7.
    const std::string& path() const { return path_; }

    std::vector<Frame> receivedFrames() const;
    std::size_t frameCount() const;
    std::uint8_t memoryByte(std::size_t address) const;
    Image runningImage() const;
    bool searching() const;
    // True once a hang-up fault has closed the line.
    bool hungUp() const;
    void addFault(const Fault& fault);

    // Waits until at least `count` frames have arrived; false on time-out.
    bool waitForFrames(std::size_t count, std::chrono::milliseconds timeout);
    // Waits until a hang-up fault has closed the line; false on time-out.
    bool waitForHangUp(std::chrono::milliseconds timeout);
    // Waits until `ready` holds for the unit; false on time-out.
    bool waitUntil(const std::function<bool(const Unit&)>& ready,
                   std::chrono::milliseconds timeout);

    // Runs `f` on the unit under the lock and lets the server act on any change.
    template <typename F>
    auto withUnit(F&& f) {
        struct Waker {
            PtyServer* server;
            ~Waker() { server->wake(); }
        } waker{this};
        std::lock_guard lock(mutex_);
        return f(unit_);
    }

  private:
    void run();
    void wake();
    void hangUp();

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    Unit unit_;
    FrameObserver observer_;
    int master_ = -1;
    int slave_ = -1;
    int wakeRead_ = -1;
    int wakeWrite_ = -1;
    bool hungUp_ = false;
    std::string path_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace vxsim
