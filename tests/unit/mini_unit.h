#pragma once

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "tests/fakes/fakes.h"

namespace vx470::test {

using FrameList = std::vector<Bytes>;
using Texts = std::vector<std::string>;

// Each message box as "title: text", with " (!)"-style icon and " [Yes/No*]"-style buttons
// (the star on the default) when `full`.
inline Texts boxesOn(const FakeDialogs& d, bool full = false) {
    static const char* const icons[] = {"", " (i)", " (!)", " (x)", " (?)"};
    Texts t;
    for (const MessageBox& b : d.shown)
        t.push_back(b.title + ": " + b.text +
                    (!full ? ""
                           : icons[static_cast<int>(b.icon)] +
                                 std::string(b.buttons == MessageButtons::Ok ? " [OK]"
                                             : b.defaultButton               ? " [Yes/No*]"
                                                                             : " [Yes*/No]")));
    return t;
}

inline FrameList framesOn(const FakeSerialPort& port) {
    FrameList f;
    for (const auto& w : port.writes) f.push_back(w.bytes);
    return f;
}

inline Bytes readFile(const std::filesystem::path& path) {
    std::ifstream f(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(f), {});
}

inline void writeFile(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

// Just enough of a unit for the start-up and preset sequences: memory, a running image,
// and a 10-byte answer to every frame (160 bytes to a block read, nothing to an
// acknowledgement). The real simulator is exercised by the end-to-end tests.
struct MiniUnit {
    std::array<std::uint8_t, 4096> memory{};
    std::array<std::uint8_t, 160> running{};
    int port = 1;
    // Frames after which the unit falls silent; -1 = never.
    int answers = -1;

    MiniUnit() { memory.fill(0xFF); }

    void usePreset(int shown, const std::string& name) {
        memory[static_cast<std::size_t>(43 + shown)] = 0x55;
        std::copy_n(name.begin(), 8, memory.begin() + 3872 + 8 * (shown - 5));
    }

    void attach(FakeSerialPort& fake) {
        fake.openable.insert(port);
        fake.onWrite = [this](FakeSerialPort& p, const Bytes& w) { answer(p, w); };
    }

    void answer(FakeSerialPort& p, const Bytes& w) {
        if (p.currentPort() != port || w.size() != 10 || answers == 0) return;
        if (answers > 0) --answers;
        const std::uint8_t cmd = w[2];
        auto& cell = memory[static_cast<std::size_t>((w[3] << 8 | w[4]) & 0xFFF)];
        if (cmd == 17) cell = w[6];
        if (cmd == 11) p.arrive(Bytes(running.begin(), running.end()));
        if (cmd != 11 && cmd != 48)
            p.arrive(Bytes{0xF0, 0x5B, cmd, 0x5B, w[3], w[4], cmd == 16 ? cell : w[6], w[7], w[8],
                           0xF7});
    }
};

// A fresh directory for the files a test writes, removed afterwards.
class TempDir {
    std::filesystem::path path_ = std::filesystem::temp_directory_path() /
                                  ("vx470-test-" + std::to_string(std::random_device{}()));

  public:
    TempDir() { std::filesystem::create_directories(path_); }
    ~TempDir() {
        std::error_code e;
        std::filesystem::remove_all(path_, e);
    }
    const std::filesystem::path& path() const { return path_; }
};

}  // namespace vx470::test
