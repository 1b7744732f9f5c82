#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/platform/clock.h"
#include "core/platform/dialogs.h"
#include "core/platform/file_dialogs.h"
#include "core/platform/host.h"
#include "core/platform/serial_port.h"
#include "tests/support/files.h"

namespace vx470::test {

using FrameList = std::vector<Bytes>;
using Texts = std::vector<std::string>;

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

    // The ports of another() share these with the port that made them, and record their
    // opens and writes here too.
    std::set<int> openable{1};  // all other port numbers fail to open
    std::function<void(FakeSerialPort& port, const Bytes& written)> onWrite;
    // Input that reaches the port `after` from now.
    void arrive(Bytes bytes, Clock::Duration after = {});
    // The same for input that arrives at once, without a copy of its own.
    void arriveNow(std::span<const std::uint8_t> bytes);
    std::vector<Write> writes;
    std::vector<int> opens;  // every open attempt's port number
    std::size_t inBufferSize = 1024;
    int currentPort() const { return port_; }
    // Closed, with nothing recorded or on its way, as a new port (the clock stays).
    void reset();
    // Empties `writes`, keeping their buffers for the writes to come.
    void forgetWrites();
    std::size_t queued() const { return input_.size(); }

    bool open(int number) override;
    void close() override { open_ = false; }
    bool isOpen() const override { return open_; }
    void setBufferSizes(std::size_t inBuffer, std::size_t) override { inBufferSize = inBuffer; }
    bool write(std::span<const std::uint8_t> bytes) override;
    std::size_t bytesWaiting() override;
    std::size_t read(std::span<std::uint8_t> into) override;
    void dropInput() override;
    void waitForInput(std::chrono::nanoseconds limit) override;
    std::unique_ptr<SerialPort> another() override;

  private:
    void queue(Clock::Duration at, Bytes bytes);

    FakeClock& clock_;
    FakeSerialPort* root_ = this;
    bool open_ = false;
    int port_ = 0;
    // Plain vectors keep their room between frames: the fuzz targets send hundreds of
    // thousands a second and the allocator's checks were a large part of each.
    std::vector<std::uint8_t> input_;
    std::vector<std::pair<Clock::Duration, Bytes>> pending_;  // by time, then order of arrival
    std::size_t due_ = 0;       // pending_ before this index has been delivered
    std::vector<Bytes> spare_;  // buffers of forgotten writes
};

// Answers message boxes from a script, else with the default button as Enter would.
class FakeDialogs final : public Dialogs {
  public:
    // A box as it was shown. Its texts are kept once each: the program shows the same few
    // again and again, and the fuzz targets show boxes by the hundred thousand a second.
    struct Shown {
        std::string_view text, title;
        MessageButtons buttons;
        MessageIcon icon;
        int defaultButton;
    };
    std::vector<Shown> shown;
    std::deque<Answer> answers;
    Answer show(const MessageBox& box) override;

  private:
    // A text seen before is found, not copied again.
    std::string_view keep(const std::string& text) { return *texts_.insert(text).first; }
    std::set<std::string, std::less<>> texts_;
};

class FakeFileDialogs final : public FileDialogs {
  public:
    std::deque<std::string> paths;  // what the dialogs return in turn; "" once used up
    std::vector<FileDialogRequest> requests;
    std::string openFile(const FileDialogRequest& request) override { return next(request); }
    std::string saveFile(const FileDialogRequest& request) override { return next(request); }
    std::string chooseFolder(const FileDialogRequest& request) override { return next(request); }

  private:
    std::string next(const FileDialogRequest& request);
};

class FakeHost final : public Host {
  public:
    ScreenSize screen{1280, 1024};
    std::string directory = ".";
    UserFolders folders;               // none: the program keeps its files in `directory`
    std::map<TimerId, int> timers;     // each timer's interval as last set; 0 = stopped
    std::vector<std::string> flushed;  // files the program asked to put onto the disk
    // Act on a modal dialog while it is "open"; unless they unload it, it is cancelled.
    std::function<void(FrmRead&)> onRead;
    std::function<void(FrmStore&)> onStore;

    ScreenSize screenSize() override { return screen; }
    std::string currentDirectory() override { return directory; }
    UserFolders userFolders() override { return folders; }
    void setTimer(TimerId timer, int intervalMs) override { timers[timer] = intervalMs; }
    bool flushToDisk(const std::string& path) override {
        flushed.push_back(path);
        return true;
    }
    void showModal(FrmRead& form) override;
    void showModal(FrmStore& form) override;
    // A job runs to its end as the window's timer would run it; one that waits for a choice (a
    // restore, a comparison) is cancelled.
    void showModal(FrmUnitJob& form) override;
};

// All fakes together, ready to hand to a Program.
struct FakePlatform {
    FakeClock clock;
    FakeSerialPort port{clock};
    FakeDialogs dialogs;
    FakeFileDialogs fileDialogs;
    FakeHost host;
};

// The 10-byte frame F0 5B b2..b8 F7, as a vector and, for checks that run per key, in place.
using FrameBytes = std::array<std::uint8_t, 10>;
FrameBytes frameBytes(std::initializer_list<int> args);
Bytes frame(std::initializer_list<int> args);
FrameList framesOn(const FakeSerialPort& port);
// Each message box as "title: text", with " (!)"-style icon and " [Yes/No*]"-style buttons
// (the star on the default) when `full`.
Texts boxesOn(const FakeDialogs& d, bool full = false);

// Just enough of a unit for the start-up and preset sequences: memory, a running image,
// and a 10-byte answer to every frame (160 bytes to a block read, nothing to an
// acknowledgement). The real simulator is exercised by the end-to-end tests.
struct MiniUnit {
    std::array<std::uint8_t, 4096> memory;
    std::array<std::uint8_t, 160> running{};
    int port = 1;
    int answers = -1;  // frames after which the unit falls silent; -1 = never

    MiniUnit() { memory.fill(0xFF); }
    void usePreset(int shown, const std::string& name);
    void attach(FakeSerialPort& fake);
};

}  // namespace vx470::test
