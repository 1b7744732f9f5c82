#pragma once

#include <gtest/gtest.h>

#include <algorithm>

#include "core/program.h"
#include "core/shell/tables.h"
#include "tests/fakes/fakes.h"

namespace vx470::test {

// What a user does in a text box: empty it, type, press Enter.
inline void enter(TextBox& box, const std::string& text) {
    box.SetText("");
    box.UserType(text);
    box.UserKey(Key::Enter);
}

// What each control shows (a text box its text, others their caption), to compare at once.
template <typename... C>
Texts shown(const C&... c) {
    const auto one = [](const auto& x) -> std::string {
        if constexpr (requires { x.Text(); })
            return x.Text();
        else
            return x.Caption();
    };
    return {one(c)...};
}

inline PresetImage defaultImage() {
    PresetImage image{};
    std::copy(DefaultImage.begin(), DefaultImage.end(), image.begin());
    return image;
}

// A whole program on fakes.
struct OnFakes {
    FrameList frames() const { return framesOn(p.port); }
    // The frames since the last call.
    FrameList sent() {
        const FrameList f = frames();
        p.port.writes.clear();
        return f;
    }
    Texts boxes(bool full = false) const { return boxesOn(p.dialogs, full); }
    FrmEq& eq() { return program.frmEq; }
    std::uint8_t image(int i) const { return program.channels.image[static_cast<std::size_t>(i)]; }
    Bytes bytes(int from, int n) const {
        return Bytes(program.channels.image.begin() + from,
                     program.channels.image.begin() + from + n);
    }

    FakePlatform p;
    Program program{Platform{p.port, p.clock, p.dialogs, p.fileDialogs, p.host}};
};

// The program with its port open on 1 and a unit that answers every frame with ten bytes
// (but not the acknowledgements of its reports), showing the sample image: Left has three
// automatic notches and filter 4 at -15 dB, Right five and filter 6 at -35 dB with Q code 3.
class ProgramTest : public ::testing::Test, public OnFakes {
  protected:
    ProgramTest() {
        p.port.onWrite = [](FakeSerialPort& port, const Bytes& w) {
            if (w.size() == 10 && w[2] != 48)
                port.arrive(Bytes{0xF0, 0x5B, w[2], 0x5B, 0, 0, 0, 0, 0, 0xF7});
        };
        program.link.CommPortNumber = 1;
        program.link.OpenCommPort();
        program.link.ReopenWithBufferSize(10);
        loadImage(sampleImage());
    }

    static PresetImage sampleImage() {
        PresetImage image = defaultImage();
        image[76] = 3;
        image[156] = 5;
        image[44] = 30;
        image[132] = 10;
        image[135] = 3;
        return image;
    }

    // Puts `image` into the editor the way the start-up read-out does: nothing sent.
    void loadImage(const PresetImage& image) {
        program.channels.image = image;
        program.link.SuppressSend = true;
        program.channelOps.ApplyImageToEditor();
        program.link.SuppressSend = false;
        p.port.writes.clear();
        p.dialogs.shown.clear();
    }
};

// The program as it starts, in a directory of its own, with a MiniUnit to attach.
struct Starting : OnFakes {
    Starting() {
        p.host.directory = dir.path().string();
        std::copy(DefaultImage.begin(), DefaultImage.end(), unit.running.begin());
    }
    // The splash window, its timer, and the main window's start-up.
    void start() {
        program.Start();
        program.OnTimer(TimerId::Splash);
    }
    void click(int button) {
        program.mainWindow.Command1[static_cast<std::size_t>(button)].UserClick();
    }
    std::filesystem::path file(const char* name) const { return dir.path() / name; }

    TempDir dir;
    MiniUnit unit;
};
class StartingProgram : public ::testing::Test, public Starting {};

}  // namespace vx470::test
