// Whatever the program may send the simulated unit: bytes of any kind, in chunks, with time
// passing between them.
//
// Input: a set-up byte (which user slots hold presets), then steps: a delay byte (in tenths
// of a second), a length byte and that many bytes for the unit.

#include <algorithm>
#include <map>

#include "fuzz/harness.h"
#include "sim/unit.h"

using namespace vx470::fuzz;

namespace {

constexpr std::uint8_t kRead = 16, kWrite = 17, kBlock = 11, kAck = 48;
constexpr std::size_t kCurrentName = 112, kNameSize = 8;

// Whether `frame` stands whole in what was sent from `from` on, and if so moves `from` past
// it: frames are taken in order and no byte belongs to two.
bool wasSent(const Bytes& sent, std::size_t& from, const vxsim::Frame& frame) {
    const auto at = std::search(sent.begin() + static_cast<std::ptrdiff_t>(from), sent.end(),
                                frame.begin(), frame.end());
    if (at == sent.end()) return false;
    from = static_cast<std::size_t>(at - sent.begin()) + frame.size();
    return true;
}

}  // namespace

int vx470::fuzz::FuzzOneInput(const std::uint8_t* data, std::size_t size) {
    constexpr int kMaxSteps = 64;
    FuzzInput in{data, size};
    // A new unit for each set of occupied slots is built once; copied over the unit of the
    // last input, it keeps that one's buffers and their room.
    static std::map<int, vxsim::Unit> built;
    static vxsim::Unit unit;
    const int bits = in.byte();
    auto found = built.find(bits);
    if (found == built.end()) {
        vxsim::Config config;
        for (int slot = 0; slot < 8; ++slot)
            if ((bits >> slot & 1) != 0) config.userPresets.push_back(5 + 2 * slot);
        found = built.try_emplace(bits, config).first;
    }
    unit = found->second;
    vxsim::TimePoint now{};
    vxsim::Memory memory = unit.memory();  // what only write commands may change
    // Kept between inputs for its room.
    static Bytes sent;
    sent.clear();
    std::size_t unmatched = 0;  // where in `sent` the next frame taken must start or follow

    for (int step = 0; step < kMaxSteps && !in.empty(); ++step) {
        // Time passes: only search reports can leave, whole, one per acknowledgement.
        const bool searching = unit.searching(), waiting = unit.awaitingAck();
        now += std::chrono::milliseconds(100) * in.byte();
        const Bytes reports = unit.takeOutput(now);
        Require(reports.empty() || (searching && !waiting && reports.size() == 10),
                [&] { return std::to_string(reports.size()) + " bytes left without a frame"; });
        if (!reports.empty()) {
            const bool notch = reports[0] == 0xFE;
            Require((notch || reports[0] == 0xFD) && reports[1] < vxsim::kChannels &&
                        reports[2] < vxsim::kFilters && reports[6] <= vxsim::kMaxGain &&
                        (!notch || (reports[3] << 8 | reports[4]) <= vxsim::kMaxFreqIndex) &&
                        reports[5] <= vxsim::kMaxQ && unit.awaitingAck(),
                    "a report out of range or not waiting for its acknowledgement");
        }

        // Bytes arrive: every whole frame among them is answered at once, and only frames
        // that were sent are taken.
        const auto chunk = in.bytes(in.byte());
        sent.insert(sent.end(), chunk.begin(), chunk.end());
        const std::size_t before = unit.receivedFrames().size();
        unit.receive(chunk, now);
        const Bytes replies = unit.takeOutput(now);
        std::size_t at = 0;
        for (std::size_t i = before; i < unit.receivedFrames().size(); ++i) {
            const vxsim::Frame& f = unit.receivedFrames()[i];
            Require(wasSent(sent, unmatched, f) && f[0] == 0xF0 && f[1] == 0x5B && f[9] == 0xF7,
                    "the unit took a frame that was not sent");
            const std::size_t address = static_cast<std::size_t>(f[3] << 8 | f[4]);
            if (f[2] == kWrite && address < memory.size()) memory[address] = f[6];
            // A preset read makes that preset's name the current one.
            if (f[2] == kBlock)
                std::copy_n(unit.memory().begin() + kCurrentName, kNameSize,
                            memory.begin() + kCurrentName);
            const std::size_t length = f[2] == kAck ? 0 : f[2] == kBlock ? vxsim::kImageSize : 10;
            Require(at + length <= replies.size(), "a reply is missing or short");
            if (length == 10) {
                const std::uint8_t byte6 =
                    f[2] == kRead ? (address < memory.size() ? memory[address] : 0xFF) : f[6];
                const Bytes expected{0xF0, 0x5B, f[2], 0x5B, f[3], f[4], byte6, f[7], f[8], 0xF7};
                Require(std::equal(expected.begin(), expected.end(), replies.begin() + at),
                        "a reply does not echo its frame");
            }
            at += length;
        }
        Require(at == replies.size(), "bytes left beyond the replies");
        Require(unit.memory() == memory, "memory changed where no write command addressed it");
        Require(!unit.nextWake() || *unit.nextWake() > now, "output due now was held back");
    }
    return 0;
}
