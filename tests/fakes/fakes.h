#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/platform/clock.h"
#include "core/platform/dialogs.h"
#include "core/platform/file_dialogs.h"
#include "core/platform/host.h"
#include "core/platform/serial_port.h"

namespace vx470::test {

using Bytes = std::vector<std::uint8_t>;

// Time that moves only when the fake port waits (or a test advances it).
class FakeClock final : public Clock {
  public:
    Duration now() override { return now_; }
    void advance(Duration d) { now_ += d; }

  private:
    Duration now_{std::chrono::hours(1)};
};

// A scripted serial line. Every write is recorded; `onWrite` may answer it with `arrive`.
// Bytes beyond the receive buffer size stay queued behind it, as they would in the system's
// own buffer, until a read makes room or the input is dropped.
class FakeSerialPort final : public SerialPort {
  public:
    struct Write {
        int port;
        Bytes bytes;
        Clock::Duration at;
    };

    explicit FakeSerialPort(FakeClock& clock) : clock_(clock) {}

    // Port numbers that open; all others fail to.
    std::set<int> openable{1};
    // When set, writes are refused (a line that has died with an error).
    bool writeFails = false;
    std::function<void(FakeSerialPort& port, const Bytes& written)> onWrite;

    // Input that reaches the port `after` from now.
    void arrive(const Bytes& bytes, Clock::Duration after = Clock::Duration::zero());

    std::vector<Write> writes;
    std::vector<int> opens;  // every open attempt's port number
    int drops = 0;
    std::size_t inBufferSize = 1024;
    std::size_t inputLen = 1024;
    int currentPort() const { return port_; }
    std::size_t queued() const { return input_.size(); }

    bool open(int number) override;
    void close() override;
    bool isOpen() const override { return open_; }
    void setBufferSizes(std::size_t inBuffer, std::size_t len) override;
    bool write(std::span<const std::uint8_t> bytes) override;
    std::size_t bytesWaiting() override;
    std::size_t read(std::span<std::uint8_t> into) override;
    void dropInput() override;
    void waitForInput(std::chrono::nanoseconds limit) override;

  private:
    void deliverDue();

    FakeClock& clock_;
    bool open_ = false;
    int port_ = 0;
    std::deque<std::uint8_t> input_;
    std::multimap<Clock::Duration, Bytes> pending_;
};

// Answers message boxes from a script and records every box shown.
class FakeDialogs final : public Dialogs {
  public:
    std::vector<MessageBox> shown;
    std::deque<Answer> answers;
    // Called for each box before its answer is taken; lets a test act "while it is open".
    std::function<void(const MessageBox&)> onShow;

    // Unscripted boxes are answered with their default button, as Enter would.
    Answer show(const MessageBox& box) override;
};

class FakeFileDialogs final : public FileDialogs {
  public:
    std::deque<std::string> paths;
    std::vector<FileDialogRequest> opened;
    std::vector<FileDialogRequest> saved;
    std::string openFile(const FileDialogRequest& request) override;
    std::string saveFile(const FileDialogRequest& request) override;

  private:
    std::string next();
};

class FakeHost final : public Host {
  public:
    ScreenSize screen{1280, 1024};
    std::string directory = ".";
    // Interval of each timer as last set; 0 = stopped.
    std::map<TimerId, int> timers;
    // Files the program asked to put onto the disk.
    std::vector<std::string> flushed;
    // Act on a modal dialog while it is "open"; it must end by unloading the form.
    std::function<void(FrmRead&)> onRead;
    std::function<void(FrmStore&)> onStore;
    int modals = 0;

    ScreenSize screenSize() override { return screen; }
    std::string currentDirectory() override { return directory; }
    void setTimer(TimerId timer, int intervalMs) override { timers[timer] = intervalMs; }
    bool flushToDisk(const std::string& path) override {
        flushed.push_back(path);
        return true;
    }
    void showModal(FrmRead& form) override;
    void showModal(FrmStore& form) override;
};

// All fakes together, ready to hand to a Program.
struct FakePlatform {
    FakeClock clock;
    FakeSerialPort port{clock};
    FakeDialogs dialogs;
    FakeFileDialogs fileDialogs;
    FakeHost host;
};

// The 10-byte frame F0 5B b2..b8 F7.
Bytes frame(std::initializer_list<int> args);

}  // namespace vx470::test
