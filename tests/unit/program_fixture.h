#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "core/program.h"
#include "core/shell/tables.h"
#include "tests/fakes/fakes.h"

namespace vx470::test {

// A whole program on fakes, its port open on 1 and a unit that answers every frame with
// ten bytes (but not the acknowledgements of its reports).
class ProgramTest : public ::testing::Test {
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
        PresetImage image{};
        std::copy(DefaultImage.begin(), DefaultImage.end(), image.begin());
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

    std::vector<Bytes> frames() const {
        std::vector<Bytes> f;
        for (const auto& w : p.port.writes) f.push_back(w.bytes);
        return f;
    }

    FrmEq& eq() { return program.frmEq; }
    std::uint8_t image(int i) const { return program.channels.image[static_cast<std::size_t>(i)]; }

    FakePlatform p;
    Program program{Platform{p.port, p.clock, p.dialogs, p.fileDialogs, p.host}};
};

}  // namespace vx470::test
