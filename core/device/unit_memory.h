#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/link/link.h"
#include "core/model/preset_image.h"

namespace vx470 {

inline constexpr int kPresets = 20;
inline constexpr int kFixedPresets = 4;
inline constexpr int kUserSlots = kPresets - kFixedPresets;

// The unit's memory as the program uses it. User slot k = 0..15 holds preset k + 4.
namespace DeviceAddress {
inline constexpr int Marks = 48;         // + slot k
inline constexpr int CurrentName = 112;  // 8 bytes
inline constexpr int Images = 288;       // + 160 k
inline constexpr int Names = 3872;       // + 8 k
inline constexpr int NameLength = 8;
inline constexpr std::uint8_t Occupied = 0x55;  // 'U'
// What the unit's memory holds where nothing was ever written: an empty slot's mark.
inline constexpr std::uint8_t Erased = 0xFF;

constexpr int Mark(int slot) {
    return Marks + slot;
}
constexpr int Image(int slot) {
    return Images + static_cast<int>(kImageBlockSize) * slot;
}
constexpr int Name(int slot) {
    return Names + NameLength * slot;
}
}  // namespace DeviceAddress

using NameBytes = std::array<std::uint8_t, DeviceAddress::NameLength>;

// The frames of one memory byte: command 16 reads it (the reply carries it in byte 6),
// command 17 writes it.
FrameArgs ReadByteFrame(int address);
FrameArgs WriteByteFrame(int address, std::uint8_t data);

// One transaction each. The Try forms give nothing / false when the unit stayed silent
// through every resend; the others end the program with "Time out" then.
std::uint8_t ReadMemoryByte(Link& link, int address);
std::optional<std::uint8_t> TryReadMemoryByte(Link& link, int address);
bool TryWriteMemoryByte(Link& link, int address, std::uint8_t data);

// A name as the unit keeps it: centred with blanks to 8 characters (the odd blank in front);
// a longer name as it stands.
std::string CentredName(const std::string& name);
// Its first 8 characters, one Windows-1252 code each.
NameBytes CentredNameBytes(const std::string& name);
// What a name typed for a store may hold: printable characters the unit has a code for.
bool TypableNameCharacter(char32_t c);
// The name bytes as program text, each byte a character as it stands.
std::string NameFromBytes(std::span<const std::uint8_t> bytes);

struct MemoryWrite {
    int address;
    std::uint8_t data;
};

// What storing into slot k writes, in order: the 160 image bytes, the 8 name bytes and,
// last, the occupied mark, so that a store cut off leaves the slot's mark as it was.
std::vector<MemoryWrite> SlotWrites(int slot, std::span<const std::uint8_t> image,
                                    const NameBytes& name);

// The running image (block read 11 255): the port is reopened for the 160-byte reply and
// again for 10-byte replies after it. False when the unit did not answer.
bool TryReadRunningImage(Link& link, std::span<std::uint8_t, kImageBlockSize> into);

}  // namespace vx470
