#include "sim/images.h"

#include <algorithm>
#include <string>

namespace vxsim {

namespace {

struct NotchSetting {
    std::uint8_t channel;
    std::uint8_t filter;
    std::uint8_t gain;
    std::uint16_t freqIndex;
    std::uint8_t q;
};

// Bytes 20, 21 and 76..79 of one channel.
struct Section {
    std::uint8_t release;
    std::uint8_t searchMode;
    std::uint8_t numAuto;
    std::uint8_t autoQ;
    std::uint8_t attenuation;
    std::uint8_t sensitivity;
};

struct PresetRecipe {
    std::array<Section, kChannels> sections;
    std::array<NotchSetting, 8> notches;
};

// Frequency indexes: 194 ~ 125 Hz, 340 ~ 500 Hz, 413 ~ 1 kHz, 486 ~ 2 kHz, 559 ~ 4 kHz.
constexpr std::array<PresetRecipe, kFixedPresets> kFixedRecipes{{
    {{{{1, 0, 4, 2, 0, 6}, {0, 1, 3, 2, 1, 8}}},
     {{{0, 0, 30, 340, 2},
       {0, 1, 36, 486, 2},
       {0, 2, 24, 560, 2},
       {0, 5, 33, 194, 1},
       {0, 8, 39, 632, 3},
       {1, 0, 27, 300, 2},
       {1, 1, 33, 420, 2},
       {1, 6, 21, 250, 0}}}},
    {{{{0, 0, 6, 1, 0, 4}, {0, 0, 6, 1, 0, 4}}},
     {{{0, 0, 20, 413, 1},
       {0, 1, 28, 455, 1},
       {0, 9, 35, 150, 3},
       {0, 11, 40, 700, 0},
       {1, 0, 22, 410, 1},
       {1, 1, 30, 470, 1},
       {1, 9, 35, 160, 3},
       {1, 10, 38, 650, 0}}}},
    {{{{1, 1, 8, 3, 1, 10}, {1, 1, 8, 3, 1, 10}}},
     {{{0, 0, 15, 230, 3},
       {0, 1, 25, 262, 3},
       {0, 2, 33, 300, 3},
       {0, 10, 41, 520, 2},
       {1, 0, 18, 235, 3},
       {1, 1, 26, 270, 3},
       {1, 2, 31, 310, 3},
       {1, 11, 43, 600, 1}}}},
    {{{{0, 1, 2, 0, 0, 12}, {1, 0, 12, 2, 1, 2}}},
     {{{0, 0, 12, 520, 0},
       {0, 1, 36, 180, 0},
       {0, 4, 29, 380, 1},
       {0, 7, 44, 680, 2},
       {1, 3, 26, 330, 2},
       {1, 4, 31, 445, 2},
       {1, 5, 37, 590, 1},
       {1, 7, 20, 205, 0}}}},
}};

void applySection(Image& image, std::size_t channel, const Section& s) {
    const std::size_t base = channel * kBlockSize;
    image[base + kReleaseOffset] = s.release;
    image[base + kSearchModeOffset] = s.searchMode;
    image[base + kNumAutoOffset] = s.numAuto;
    image[base + kAutoQOffset] = s.autoQ;
    image[base + kAttenuationOffset] = s.attenuation;
    image[base + kSensitivityOffset] = s.sensitivity;
}

constexpr std::array<std::string_view, kUserSlots> kSlotNames{
    "Vocal",  "Choir",   "Podium", "Lectern", "Stage 09", "Theatre", "Church", "Band",
    "Speech", "Monitor", "Wedges", "Hall",    "Studio",   "Outdoor", "Panel",  "Club"};

}  // namespace

void setNotch(Image& image, std::size_t channel, std::size_t filter, std::uint8_t gain,
              std::uint16_t freqIndex, std::uint8_t q) {
    const std::size_t r = notchOffset(channel, filter);
    image[r] = gain;
    image[r + 1] = static_cast<std::uint8_t>(freqIndex >> 8);
    image[r + 2] = static_cast<std::uint8_t>(freqIndex & 0xFF);
    image[r + 3] = q;
}

Image plainImage() {
    static constexpr std::array<std::uint8_t, 20> kDeviceRecords{
        30, 4, 24, 0, 30, 12, 24, 0, 30, 20, 24, 0, 30, 28, 24, 0, 30, 36, 24, 0};
    Image image{};
    for (std::size_t channel = 0; channel < kChannels; ++channel) {
        const std::size_t base = channel * kBlockSize;
        std::copy(kDeviceRecords.begin(), kDeviceRecords.end(), image.begin() + base);
        for (std::size_t filter = 0; filter < kFilters; ++filter) {
            setNotch(image, channel, filter, kMaxGain, 266, 2);
        }
        applySection(image, channel, {0, 0, 11, 2, 0, 6});
    }
    return image;
}

Image fixedPreset(std::size_t p) {
    Image image = plainImage();
    if (p >= kFixedPresets) {
        return image;
    }
    const PresetRecipe& recipe = kFixedRecipes[p];
    for (std::size_t channel = 0; channel < kChannels; ++channel) {
        applySection(image, channel, recipe.sections[channel]);
    }
    for (const NotchSetting& n : recipe.notches) {
        setNotch(image, n.channel, n.filter, n.gain, n.freqIndex, n.q);
    }
    return image;
}

Name fixedPresetName(std::size_t p) {
    const std::string text = "Preset0" + std::to_string(std::min<std::size_t>(p, 8) + 1);
    return centredName(text);
}

Image userSlotImage(std::size_t slot) {
    Image image = plainImage();
    const std::size_t k = slot % kUserSlots;
    for (std::size_t channel = 0; channel < kChannels; ++channel) {
        // The sensitivity differs per slot, so no two slots are equal.
        applySection(
            image, channel,
            {static_cast<std::uint8_t>((k + channel) % 2), static_cast<std::uint8_t>(k % 2),
             static_cast<std::uint8_t>(2 + (k + channel) % 6),
             static_cast<std::uint8_t>((k + channel) % 4), static_cast<std::uint8_t>(k % 2),
             static_cast<std::uint8_t>(k)});
        for (std::size_t i = 0; i < 3; ++i) {
            const std::size_t filter = (k + 3 * i + channel) % kFilters;
            const auto gain = static_cast<std::uint8_t>(18 + (7 * k + 5 * i + 3 * channel) % 26);
            const auto index =
                static_cast<std::uint16_t>(150 + (37 * k + 113 * i + 51 * channel) % 500);
            setNotch(image, channel, filter, gain, index, static_cast<std::uint8_t>((k + i) % 4));
        }
    }
    return image;
}

Name userSlotName(std::size_t slot) {
    return centredName(kSlotNames[slot % kUserSlots]);
}

Name centredName(std::string_view text) {
    Name name;
    name.fill(' ');
    const std::size_t n = std::min<std::size_t>(text.size(), name.size());
    const std::size_t before = (name.size() - n + 1) / 2;
    for (std::size_t i = 0; i < n; ++i) {
        name[before + i] = static_cast<std::uint8_t>(text[i]);
    }
    return name;
}

}  // namespace vxsim
