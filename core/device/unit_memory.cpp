#include "core/device/unit_memory.h"

#include <algorithm>

#include "core/link/converters.h"
#include "core/text/utf8.h"
#include "core/text/windows1252.h"

namespace vx470 {

namespace {
// The address goes out as the last two of PutLongBE's four bytes, high byte first.
std::pair<std::uint8_t, std::uint8_t> addressBytes(int address) {
    ByteScratchBuffer scratch{};
    PutLongBE(address, 0, scratch);
    return {scratch[2], scratch[3]};
}
}  // namespace

FrameArgs ReadByteFrame(int address) {
    const auto [high, low] = addressBytes(address);
    return Frames::ReadByte(high, low);
}

FrameArgs WriteByteFrame(int address, std::uint8_t data) {
    const auto [high, low] = addressBytes(address);
    return Frames::WriteByte(high, low, data);
}

std::uint8_t ReadMemoryByte(Link& link, int address) {
    link.SendFrame(ReadByteFrame(address));
    return link.RxBuffer[kReadByteReplyIndex];
}

std::optional<std::uint8_t> TryReadMemoryByte(Link& link, int address) {
    if (!link.TrySendFrame(ReadByteFrame(address))) return std::nullopt;
    return link.RxBuffer[kReadByteReplyIndex];
}

bool TryWriteMemoryByte(Link& link, int address, std::uint8_t data) {
    return link.TrySendFrame(WriteByteFrame(address, data));
}

std::string CentredName(const std::string& name) {
    const std::size_t n = Utf8Length(name);
    if (n >= 8) return name;
    const std::size_t before = (8 - n + 1) / 2;
    return std::string(before, ' ') + name + std::string(8 - n - before, ' ');
}

NameBytes CentredNameBytes(const std::string& name) {
    const std::string centred = CentredName(name);
    NameBytes codes{};
    std::size_t at = 0;
    for (std::uint8_t& code : codes) {
        // Names come from the store box, a backup or the unit, so every character has a code.
        code = at < centred.size() ? ToWindows1252(DecodeUtf8(centred, at)).value_or('?') : ' ';
    }
    return codes;
}

bool TypableNameCharacter(char32_t c) {
    return c >= 32 && ToWindows1252(c).has_value();
}

std::string NameFromBytes(std::span<const std::uint8_t> bytes) {
    return TextFromWindows1252(
        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

std::vector<MemoryWrite> SlotWrites(int slot, std::span<const std::uint8_t> image,
                                    const NameBytes& name) {
    std::vector<MemoryWrite> writes;
    writes.reserve(kImageBlockSize + name.size() + 1);
    const std::size_t bytes = std::min(image.size(), kImageBlockSize);
    for (std::size_t i = 0; i < bytes; ++i) {
        writes.push_back({DeviceAddress::Image(slot) + static_cast<int>(i), image[i]});
    }
    for (std::size_t i = 0; i < name.size(); ++i) {
        writes.push_back({DeviceAddress::Name(slot) + static_cast<int>(i), name[i]});
    }
    writes.push_back({DeviceAddress::Mark(slot), DeviceAddress::Occupied});
    return writes;
}

bool TryReadRunningImage(Link& link, std::span<std::uint8_t, kImageBlockSize> into) {
    link.ReopenWithBufferSize(kBlockReplySize);
    const bool read = link.TryReadImageBlock(Frames::ReadBlock(kRunningImage));
    link.ReopenWithBufferSize(kReplySize);
    if (read) std::copy_n(link.RxBuffer.begin(), kImageBlockSize, into.begin());
    return read;
}

}  // namespace vx470
