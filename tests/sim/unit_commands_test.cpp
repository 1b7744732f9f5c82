#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "sim_test_util.h"

namespace vxsim::test {
namespace {

Bytes bytesOf(const Image& image) {
    return Bytes(image.begin(), image.end());
}

Bytes memorySlice(const Unit& unit, std::size_t from, std::size_t count) {
    return Bytes(unit.memory().begin() + static_cast<std::ptrdiff_t>(from),
                 unit.memory().begin() + static_cast<std::ptrdiff_t>(from + count));
}

Bytes text(const char* s) {
    return Bytes(s, s + 8);
}

TEST(UnitReplies, PlainRepliesEchoTheFrameAroundMarker) {
    Bench b;
    EXPECT_EQ(b.send(frame(0)), (Bytes{0xF0, 0x5B, 0, 0x5B, 0, 0, 0, 0, 0, 0xF7}));
    EXPECT_EQ(b.send(frame(15, 1, 2, 3, 4, 5, 6)),
              (Bytes{0xF0, 0x5B, 15, 0x5B, 1, 2, 4, 5, 6, 0xF7}));
    EXPECT_EQ(b.send(frame(99, 9, 8, 7, 6, 5, 4)),
              (Bytes{0xF0, 0x5B, 99, 0x5B, 9, 8, 6, 5, 4, 0xF7}));
    EXPECT_TRUE(b.send(frame(48)).empty());
    EXPECT_EQ(b.unit.receivedFrames().size(), 4u);
    EXPECT_EQ(b.unit.receivedFrames()[3], frame(48));
}

TEST(UnitMemory, StartsWithChosenUserPresetsOnly) {
    Bench b(Config{.userPresets = {5, 9}});
    const Unit& u = b.unit;
    for (std::size_t k = 0; k < kUserSlots; ++k) {
        EXPECT_EQ(u.memoryByte(48 + k), (k == 0 || k == 4) ? 0x55 : 0xFF) << k;
    }
    EXPECT_EQ(memorySlice(u, 112, 8), text("Preset01"));
    EXPECT_EQ(memorySlice(u, 3872, 8), text("  Vocal "));
    EXPECT_EQ(memorySlice(u, 3872 + 32, 8), text("Stage 09"));
    EXPECT_EQ(memorySlice(u, 3872 + 8, 8), Bytes(8, 0xFF));
    EXPECT_EQ(memorySlice(u, 288, 160), bytesOf(userSlotImage(0)));
    EXPECT_EQ(memorySlice(u, 288 + 4 * 160, 160), bytesOf(userSlotImage(4)));
    EXPECT_NE(userSlotImage(0), userSlotImage(4));
    EXPECT_EQ(u.memoryByte(0), 0xFF);
    EXPECT_EQ(u.memoryByte(4095), 0xFF);
    EXPECT_THROW(Unit(Config{.userPresets = {4}}), std::invalid_argument);
}

TEST(UnitMemory, ReadAndWriteBytes) {
    Bench b;
    EXPECT_EQ(b.send(frame(16, 0, 112))[6], 'P');
    const Bytes written = b.send(frame(17, 0x0F, 0x00, 0, 0x42));
    EXPECT_EQ(written.size(), 10u);
    EXPECT_EQ(b.unit.memoryByte(0x0F00), 0x42);
    EXPECT_EQ(b.send(frame(16, 0x0F, 0x00))[6], 0x42);

    // Addresses beyond 4 KiB read as blank and are never written.
    const Memory before = b.unit.memory();
    EXPECT_EQ(b.send(frame(17, 0xFF, 0xFF, 0, 0x00)).size(), 10u);
    EXPECT_EQ(b.send(frame(17, 0x10, 0x00, 0, 0x00)).size(), 10u);
    EXPECT_EQ(b.unit.memory(), before);
    EXPECT_EQ(b.send(frame(16, 0xFF, 0xFF))[6], 0xFF);
}

TEST(UnitImage, SetNotchWritesItsRecordOnly) {
    Bench b;
    Image expected = b.unit.runningImage();
    b.send(frame(7, 1, 5, 2, 217, 3, 30));  // right filter 5, index 729
    std::copy_n(Bytes{30, 2, 217, 3}.begin(), 4, expected.begin() + 128);
    EXPECT_EQ(b.unit.runningImage(), expected);

    // Any field out of range leaves the image alone but is still answered.
    for (const Frame& bad : {frame(7, 2, 0, 1, 10, 2, 30), frame(7, 0, 12, 1, 10, 2, 30),
                             frame(7, 0, 200, 1, 10, 2, 30), frame(7, 0, 0, 2, 218, 2, 30),
                             frame(7, 0, 0, 1, 10, 4, 30), frame(7, 0, 0, 1, 10, 2, 46)}) {
        EXPECT_EQ(b.send(bad).size(), 10u);
    }
    EXPECT_EQ(b.unit.runningImage(), expected);
}

TEST(UnitImage, SectionAndReleaseFollowTheirChannelCodes) {
    Bench b;
    auto section = [&](std::size_t ch) {
        const Image& im = b.unit.runningImage();
        return Bytes(im.begin() + static_cast<std::ptrdiff_t>(ch * 80 + 76),
                     im.begin() + static_cast<std::ptrdiff_t>(ch * 80 + 80));
    };
    b.send(frame(10, 1, 5, 1, 1, 9));  // 1 = Left
    b.send(frame(10, 2, 7, 3, 0, 2));  // 2 = Right
    EXPECT_EQ(section(0), (Bytes{5, 1, 1, 9}));
    EXPECT_EQ(section(1), (Bytes{7, 3, 0, 2}));
    b.send(frame(10, 0, 12, 0, 0, 15));  // 0 = both
    EXPECT_EQ(section(0), (Bytes{12, 0, 0, 15}));
    EXPECT_EQ(section(1), (Bytes{12, 0, 0, 15}));

    const Image before = b.unit.runningImage();
    b.send(frame(10, 3, 1, 1, 1, 1));      // no such channel code
    b.send(frame(10, 0, 0, 4, 2, 16));     // every field out of range
    b.send(frame(10, 0, 13, 0, 0, 0, 7));  // odd switch byte starts nothing
    EXPECT_EQ(section(1), (Bytes{12, 0, 0, 0}));
    EXPECT_FALSE(b.unit.searching());
    b.send(frame(10, 0, 12, 0, 0, 15));

    b.send(frame(49, 1, 0, 0, 1, 1));
    b.send(frame(49, 2, 0, 0, 0, 0));
    b.send(frame(49, 0, 0, 0, 2, 5));
    Image expected = before;
    expected[100] = 1;
    expected[101] = 1;
    EXPECT_EQ(b.unit.runningImage(), expected);
}

TEST(UnitPresets, FixedPresetsDifferAndTheStartImageShowsCurves) {
    for (std::size_t p = 1; p < kFixedPresets; ++p) {
        EXPECT_NE(fixedPreset(p), fixedPreset(p - 1));
    }
    const Image start = Unit().runningImage();
    for (std::size_t ch = 0; ch < kChannels; ++ch) {
        int notches = 0;
        for (std::size_t f = 0; f < kFilters; ++f) {
            notches += start[notchOffset(ch, f)] < 45 ? 1 : 0;
        }
        EXPECT_GE(notches, 2) << ch;
    }
}

TEST(UnitPresets, ReadBlockRecallsPresetIntoRunningImage) {
    Bench b(Config{.userPresets = {9}});
    EXPECT_EQ(b.send(frame(11, 2)), bytesOf(fixedPreset(2)));
    EXPECT_EQ(b.unit.runningImage(), fixedPreset(2));
    EXPECT_EQ(memorySlice(b.unit, 112, 8), text("Preset03"));
    EXPECT_EQ(b.send(frame(11, 255)), bytesOf(fixedPreset(2)));
    EXPECT_EQ(b.send(frame(11, 77)), bytesOf(fixedPreset(2)));

    EXPECT_EQ(b.send(frame(11, 8)), bytesOf(userSlotImage(4)));
    EXPECT_EQ(memorySlice(b.unit, 112, 8), text("Stage 09"));
    EXPECT_EQ(b.send(frame(11, 5)), bytesOf(plainImage()));  // empty slot
}

TEST(UnitPresets, StoredPresetReadsBack) {
    Bench b;
    auto write = [&b](std::size_t a, std::uint8_t v) {
        b.send(frame(17, static_cast<std::uint8_t>(a >> 8), static_cast<std::uint8_t>(a), 0, v));
    };
    Image image = fixedPreset(3);
    image[0] = 0x99;  // device bytes travel untouched
    const Bytes name = text(" Mine   ");
    for (std::size_t i = 0; i < 160; ++i) {
        write(288 + 160 * 15 + i, image[i]);
    }
    for (std::size_t i = 0; i < 8; ++i) {
        write(3872 + 8 * 15 + i, name[i]);
    }
    write(63, 0x55);
    EXPECT_EQ(b.send(frame(11, 19)), bytesOf(image));
    EXPECT_EQ(b.unit.runningImage(), image);
    EXPECT_EQ(memorySlice(b.unit, 112, 8), name);
}

TEST(UnitFraming, ResynchronisesOnJunk) {
    Bench b;
    const Frame probe = frame(0);
    Bytes stream{0x00, 0xF7, 0x5B, 0xF0, 0xF0};  // junk with false starts
    stream.insert(stream.end(), {0xF0, 0x5B, 0x10, 0, 0, 0, 0, 0, 0, 0x00});  // bad end byte
    stream.insert(stream.end(), {0xF0, 0, 0, 0, 0, 0, 0, 0, 0, 0xF7});        // no marker
    stream.insert(stream.end(), {0xF0, 0x5B});                                // false start
    stream.insert(stream.end(), probe.begin(), probe.end());
    stream.insert(stream.end(), probe.begin(), probe.end());
    const Bytes out = b.sendRaw(stream);
    EXPECT_EQ(out.size(), 20u);
    EXPECT_EQ(b.unit.receivedFrames(), (std::vector<Frame>{probe, probe}));

    // A frame split over many reads is still one frame.
    const Frame write = frame(17, 0, 1, 0, 7);
    for (std::uint8_t byte : write) {
        b.sendRaw({byte});
    }
    EXPECT_EQ(b.unit.memoryByte(1), 7);
    EXPECT_EQ(b.unit.receivedFrames().size(), 3u);
}

TEST(UnitRobustness, RandomFramesNeverBreakTheUnit) {
    std::mt19937 rng(7);
    Bench b(Config{.userPresets = {5, 6, 20}});
    const std::array<std::uint8_t, 10> commands{0, 7, 10, 11, 15, 16, 17, 48, 49, 200};
    std::size_t expectedOut = 0;
    for (int i = 0; i < 20000; ++i) {
        Frame f = frame(commands[rng() % commands.size()]);
        for (std::size_t j = 3; j <= 8; ++j) {
            f[j] = static_cast<std::uint8_t>(rng());
        }
        if (f[2] == 10) {
            f[8] = 0;  // no search: keep the output countable
        }
        expectedOut += f[2] == 48 ? 0 : f[2] == 11 ? 160 : 10;
        Bytes junk(rng() % 3);
        for (auto& x : junk) {
            x = static_cast<std::uint8_t>(rng() % 0xF0);  // never a frame start
        }
        expectedOut -= b.sendRaw(junk).size();
        expectedOut -= b.send(f).size();
    }
    EXPECT_EQ(expectedOut, 0u);
    EXPECT_EQ(b.unit.receivedFrames().size(), 20000u);
}

}  // namespace
}  // namespace vxsim::test
