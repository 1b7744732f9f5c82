#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "core/program.h"
#include "core/shell/tables.h"
#include "tests/unit/mini_unit.h"

namespace vx470::test {

// What a user does in a text box: empty it, type, press Enter.
inline void enter(TextBox& box, const std::string& text) {
    box.SetText("");
    box.UserType(text);
    box.UserKey(Key::Enter);
}

inline std::string shownBy(const Label& c) {
    return c.Caption();
}
inline std::string shownBy(const Form& c) {
    return c.Caption();
}
inline std::string shownBy(const TextBox& c) {
    return c.Text();
}
// What each control shows, to compare several at once.
template <typename... C>
Texts shown(const C&... c) {
    return {shownBy(c)...};
}

// A whole program on fakes.
class OnFakes : public ::testing::Test {
  protected:
    FrameList frames() const { return framesOn(p.port); }
    // The frames since the last call.
    FrameList sent() {
        const FrameList f = frames();
        p.port.writes.clear();
        return f;
    }
    // Every message box shown, as boxesOn gives them.
    Texts boxes(bool full = false) const { return boxesOn(p.dialogs, full); }
    FrmEq& eq() { return program.frmEq; }
    std::uint8_t image(int i) const { return program.channels.image[static_cast<std::size_t>(i)]; }
    Bytes bytes(int from, int n) const {
        return Bytes(program.channels.image.begin() + from,
                     program.channels.image.begin() + from + n);
    }
    static PresetImage defaultImage() {
        PresetImage image{};
        std::copy(DefaultImage.begin(), DefaultImage.end(), image.begin());
        return image;
    }

    FakePlatform p;
    Program program{Platform{p.port, p.clock, p.dialogs, p.fileDialogs, p.host}};
};

// The program with its port open on 1 and a unit that answers every frame with ten bytes
// (but not the acknowledgements of its reports), showing the sample image.
class ProgramTest : public OnFakes {
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

    // The default image with a few notches that differ per channel.
    static PresetImage sampleImage() {
        PresetImage image = defaultImage();
        image[76] = 3;    // Left: three automatic notches
        image[156] = 5;   // Right: five
        image[44] = 30;   // Left filter 4 at -15 dB
        image[132] = 10;  // Right filter 6 at -35 dB
        image[135] = 3;   // with Q code 3
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
class StartingProgram : public OnFakes {
  protected:
    StartingProgram() {
        p.host.directory = dir.path().string();
        std::copy(DefaultImage.begin(), DefaultImage.end(), unit.running.begin());
    }
    // The splash window, its timer, and the main window's start-up.
    void start() {
        program.Start();
        EXPECT_EQ(p.host.timers[TimerId::Splash], 2000);
        program.OnTimer(TimerId::Splash);
    }
    void click(int button) {
        program.mainWindow.Command1[static_cast<std::size_t>(button)].UserClick();
    }

    TempDir dir;
    MiniUnit unit;
};

}  // namespace vx470::test
