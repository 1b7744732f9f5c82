#pragma once

#include <gtest/gtest.h>

#include <algorithm>

#include "core/program.h"
#include "core/shell/tables.h"
#include "tests/fakes/fakes.h"

namespace vx470::test {

// A whole program on fakes.
struct OnFakes {
    FrameList frames() const { return framesOn(p.port); }
    Texts boxes(bool full = false) const { return boxesOn(p.dialogs, full); }
    FrmEq& eq() { return program.frmEq; }
    std::uint8_t image(int i) const { return program.channels.image[static_cast<std::size_t>(i)]; }

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
        PresetImage image{};
        std::copy(DefaultImage.begin(), DefaultImage.end(), image.begin());
        for (auto [at, b] : {std::pair{76, 3}, {156, 5}, {44, 30}, {132, 10}, {135, 3}})
            image[at] = static_cast<std::uint8_t>(b);
        loadImage(image);
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

}  // namespace vx470::test
