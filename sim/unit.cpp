#include "sim/unit.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace vxsim {

namespace {

constexpr std::uint8_t kStart = 0xF0;
constexpr std::uint8_t kMarker = 0x5B;
constexpr std::uint8_t kEnd = 0xF7;
constexpr std::uint8_t kNotchReport = 0xFE;
constexpr std::uint8_t kGainReport = 0xFD;

enum Command : std::uint8_t {
    kProbe = 0,
    kSetNotch = 7,
    kSection = 10,
    kReadBlock = 11,
    kClosing = 15,
    kReadByte = 16,
    kWriteByte = 17,
    kAck = 48,
    kRelease = 49,
};

// Automatic notches are placed in this range of the frequency grid (about 80 Hz to 12 kHz).
constexpr std::uint16_t kSearchLowIndex = 150;
constexpr std::uint16_t kSearchHighIndex = 670;
constexpr std::uint8_t kDeepenStep = 3;

std::uint64_t splitmix(std::uint64_t& state) {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

std::vector<std::uint8_t> plainReply(const Frame& f, std::uint8_t byte6) {
    return {kStart, kMarker, f[2], kMarker, f[3], f[4], byte6, f[7], f[8], kEnd};
}

// What a receiver makes of `sent`, sent back to back at twice its baud rate: every one of its
// bit times spans two sent bits. A character whose stop bit reads 0 arrives as 0, as a
// framing error does on a tty without PARMRK.
std::vector<std::uint8_t> readAtHalfRate(const std::vector<std::uint8_t>& sent) {
    const std::size_t bits = sent.size() * 10;
    // Start bit 0, 8 data bits from the lowest, stop bit 1; the idle line is 1.
    auto level = [&](std::size_t k) -> unsigned {
        if (k >= bits) return 1;
        const std::size_t bit = k % 10;
        return bit == 0 ? 0 : bit == 9 ? 1 : (sent[k / 10] >> (bit - 1)) & 1u;
    };
    std::vector<std::uint8_t> got;
    for (std::size_t k = 0; k < bits; ++k) {
        if (level(k) != 0 || (k > 0 && level(k - 1) == 0)) continue;  // no falling edge
        unsigned value = 0;
        for (unsigned i = 0; i < 8; ++i) value |= level(k + 2 * i + 3) << i;  // mid-bit samples
        got.push_back(level(k + 19) == 1 ? static_cast<std::uint8_t>(value) : 0);
        k += 19;
    }
    return got;
}

}  // namespace

Unit::Unit(const Config& config)
    : interval_(config.searchInterval),
      searchRng_(config.seed),
      junkRng_(config.seed ^ 0x5A5A5A5A5A5A5A5AULL),
      paced_(config.paced),
      peer_(config.peer),
      replay_(config.replay) {
    memory_.fill(0xFF);
    out_.reserve(2 * kImageSize);  // room for the longest reply and a report behind it
    for (std::size_t p = 0; p < kFixedPresets; ++p) {
        fixed_[p] = fixedPreset(p);
    }
    running_ = fixed_[0];
    const Name current = fixedPresetName(0);
    std::copy(current.begin(), current.end(), memory_.begin() + kCurrentNameBase);
    for (int number : config.userPresets) {
        if (number < 5 || number > 20) {
            throw std::invalid_argument("user preset number out of 5..20: " +
                                        std::to_string(number));
        }
        const auto slot = static_cast<std::size_t>(number - 5);
        const Image image = userSlotImage(slot);
        const Name name = userSlotName(slot);
        std::copy(image.begin(), image.end(), memory_.begin() + kSlotImageBase + kImageSize * slot);
        std::copy(name.begin(), name.end(), memory_.begin() + kSlotNameBase + name.size() * slot);
        memory_[kMarkBase + slot] = kOccupied;
    }
    for (const Fault& fault : config.faults) {
        addFault(fault);
    }
}

void Unit::addFault(const Fault& fault) {
    faults_.push_back(fault);
    checkLineEnd();
}

std::uint8_t Unit::memoryByte(std::size_t address) const {
    return address < memory_.size() ? memory_[address] : 0xFF;
}

void Unit::receive(std::span<const std::uint8_t> bytes, TimePoint now) {
    for (std::uint8_t b : bytes) {
        if (dead_) {
            return;
        }
        // On a paced line a byte is complete one byte time after it started, and it cannot
        // start before the one in front of it is complete.
        TimePoint at = now;
        if (paced_) {
            at = (lastInput_ ? std::max(now, *lastInput_) : now) + kByteTime;
        }
        lastInput_ = at;
        if (peer_ == Peer::Echo) {
            send({b}, at);
        }

        // Resynchronise: a frame is F0 5B at its start and F7 ten bytes on; anything else
        // in front of the next F0 5B is junk.
        rx_.push_back(b);
        while (!rx_.empty()) {
            if (rx_[0] != kStart || (rx_.size() >= 2 && rx_[1] != kMarker)) {
                rx_.erase(rx_.begin());
                continue;
            }
            if (rx_.size() < 10) {
                break;
            }
            if (rx_[9] == kEnd) {
                Frame frame;
                std::copy_n(rx_.begin(), frame.size(), frame.begin());
                rx_.clear();
                handleFrame(frame, at);
                break;
            }
            rx_.erase(rx_.begin());
        }
    }
}

std::vector<std::uint8_t> Unit::takeOutput(TimePoint now) {
    runTimers(now);
    std::size_t end = outHead_;
    while (end < out_.size() && out_[end].at <= now) ++end;
    std::vector<std::uint8_t> bytes(end - outHead_);
    for (std::size_t i = outHead_; i < end; ++i) bytes[i - outHead_] = out_[i].byte;
    outHead_ = end;
    // Drop what has left once it is most of the vector, so a line that never drains stays small.
    if (outHead_ == out_.size() || (outHead_ >= 1024 && 2 * outHead_ >= out_.size())) {
        out_.erase(out_.begin(), out_.begin() + static_cast<std::ptrdiff_t>(outHead_));
        outHead_ = 0;
    }
    return bytes;
}

std::optional<TimePoint> Unit::nextWake() const {
    std::optional<TimePoint> wake;
    auto consider = [&wake](std::optional<TimePoint> t) {
        if (t && (!wake || *t < *wake)) {
            wake = t;
        }
    };
    if (outHead_ < out_.size()) {
        consider(out_[outHead_].at);
    }
    consider(reportAt_);
    consider(sprayAt_);
    return wake;
}

bool Unit::matches(const Fault& fault, std::size_t frameNumber) const {
    return fault.frame == 0 || fault.frame == frameNumber;
}

bool Unit::silent() const {
    return std::any_of(faults_.begin(), faults_.end(),
                       [](const Fault& f) { return f.kind == FaultKind::NoReply && f.frame == 0; });
}

void Unit::checkLineEnd() {
    if (dead_) {
        return;
    }
    for (const Fault& fault : faults_) {
        const bool lineEnd =
            fault.kind == FaultKind::DieAfter || fault.kind == FaultKind::HangUpAfter;
        if (lineEnd && frames_.size() >= fault.frame) {
            dead_ = true;
            hangUp_ = fault.kind == FaultKind::HangUpAfter;
            search_ = {};
            reportAt_.reset();
            sprayAt_.reset();
            rx_.clear();
            return;
        }
    }
}

void Unit::handleFrame(const Frame& frame, TimePoint at) {
    frames_.push_back(frame);
    if (peer_ == Peer::Echo) {
        return;  // frames are still told apart, so that the host's writes can be counted
    }
    if (peer_ == Peer::Replay) {
        replayFrame(frame, at);
        checkLineEnd();
        return;
    }
    const std::size_t number = frames_.size();
    bool searchStarted = false;
    const std::optional<Bytes> reply = execute(frame, searchStarted);

    std::optional<TimePoint> replyEnd;
    bool dropped = false;
    for (const Fault& f : faults_) {
        dropped = dropped || (f.kind == FaultKind::NoReply && matches(f, number));
    }
    if (reply && !dropped) {
        Bytes wire;
        std::size_t keep = reply->size();
        std::chrono::milliseconds delay{0};
        for (const Fault& f : faults_) {
            if (!matches(f, number)) {
                continue;
            }
            if (f.kind == FaultKind::ReportBefore) {
                const Bytes report = gainReportBeforeReply();
                wire.insert(wire.end(), report.begin(), report.end());
            } else if (f.kind == FaultKind::Garbage) {
                const Bytes bytes = junk(f.amount);
                wire.insert(wire.end(), bytes.begin(), bytes.end());
            } else if (f.kind == FaultKind::ShortReply) {
                keep = std::min(keep, f.amount);
            } else if (f.kind == FaultKind::Delay) {
                delay += std::chrono::milliseconds(f.amount);
            }
        }
        wire.insert(wire.end(), reply->begin(), reply->begin() + static_cast<std::ptrdiff_t>(keep));
        for (const Fault& f : faults_) {
            if (f.kind == FaultKind::ExtraBytes && matches(f, number)) {
                const Bytes bytes = junk(f.amount);
                wire.insert(wire.end(), bytes.begin(), bytes.end());
            }
        }
        if (peer_ == Peer::WrongBaud) {
            wire = readAtHalfRate(wire);
        }
        if (!wire.empty()) {
            replyEnd = send(wire, at + delay);
        }
    }
    if (searchStarted) {
        // The first report follows the reply to the start frame.
        scheduleReport(replyEnd.value_or(at));
    } else if (frame[2] == kAck) {
        acknowledge(at);
    }
    checkLineEnd();
}

void Unit::replayFrame(const Frame& frame, TimePoint at) {
    // The same frame further on (a resend, say) answers as it did then; what the session
    // skipped stays skipped.
    for (std::size_t i = replayNext_; i < replay_.size(); ++i) {
        if (replay_[i].frame != frame) {
            continue;
        }
        replayNext_ = i + 1;
        for (const ReplayStep::Answer& answer : replay_[i].answers) {
            send(answer.bytes, at + answer.after);
        }
        return;
    }
    ++replayMisses_;
}

std::optional<Unit::Bytes> Unit::execute(const Frame& f, bool& searchStarted) {
    switch (f[2]) {
        case kSetNotch:
            setNotchCommand(f);
            break;
        case kSection:
            sectionCommand(f, searchStarted);
            break;
        case kReadBlock:
            return readBlockCommand(f[3]);
        case kReadByte:
            return plainReply(f, memoryByte(static_cast<std::size_t>(f[3] << 8 | f[4])));
        case kWriteByte: {
            const auto address = static_cast<std::size_t>(f[3] << 8 | f[4]);
            if (address < memory_.size()) {
                memory_[address] = f[6];
            }
            break;
        }
        case kAck:
            return std::nullopt;
        case kRelease:
            releaseCommand(f);
            break;
        case kProbe:
        case kClosing:
        default:
            break;
    }
    return plainReply(f, f[6]);
}

void Unit::setNotchCommand(const Frame& f) {
    const std::uint8_t channel = f[3];
    const std::uint8_t filter = f[4];
    const auto index = static_cast<std::uint16_t>(f[5] << 8 | f[6]);
    const std::uint8_t q = f[7];
    const std::uint8_t gain = f[8];
    if (channel >= kChannels || filter >= kFilters || index > kMaxFreqIndex || q > kMaxQ ||
        gain > kMaxGain) {
        return;
    }
    setNotch(running_, channel, filter, gain, index, q);
}

void Unit::sectionCommand(const Frame& f, bool& searchStarted) {
    if (f[3] > 2) {
        return;
    }
    std::array<bool, kChannels> target{f[3] != 2, f[3] != 1};
    for (std::size_t channel = 0; channel < kChannels; ++channel) {
        if (!target[channel]) {
            continue;
        }
        const std::size_t base = channel * kBlockSize;
        if (f[4] >= 1 && f[4] <= kFilters) {
            running_[base + kNumAutoOffset] = f[4];
        }
        if (f[5] <= kMaxQ) {
            running_[base + kAutoQOffset] = f[5];
        }
        if (f[6] <= 1) {
            running_[base + kAttenuationOffset] = f[6];
        }
        if (f[7] <= kMaxSensitivity) {
            running_[base + kSensitivityOffset] = f[7];
        }
    }
    if (f[8] == 1) {
        search_ = {};
        search_.active = true;
        search_.target = target;
        reportAt_.reset();
        sprayAt_.reset();
        searchStarted = true;
    } else if (f[8] == 0) {
        search_ = {};
        reportAt_.reset();
        sprayAt_.reset();
    }
}

Unit::Bytes Unit::readBlockCommand(std::uint8_t preset) {
    if (preset < kFixedPresets) {
        running_ = fixed_[preset];
        const Name name = fixedPresetName(preset);
        std::copy(name.begin(), name.end(), memory_.begin() + kCurrentNameBase);
    } else if (preset < kPresets) {
        const std::size_t slot = preset - kFixedPresets;
        if (memory_[kMarkBase + slot] == kOccupied) {
            const auto image =
                memory_.begin() + static_cast<std::ptrdiff_t>(kSlotImageBase + kImageSize * slot);
            std::copy_n(image, kImageSize, running_.begin());
            const auto name =
                memory_.begin() + static_cast<std::ptrdiff_t>(kSlotNameBase + 8 * slot);
            std::copy_n(name, 8, memory_.begin() + kCurrentNameBase);
        } else {
            // An empty slot recalls the plain settings.
            running_ = plainImage();
        }
    }
    return Bytes(running_.begin(), running_.end());
}

void Unit::releaseCommand(const Frame& f) {
    if (f[3] >= kChannels) {
        return;
    }
    const std::size_t base = f[3] * kBlockSize;
    if (f[6] <= 1) {
        running_[base + kReleaseOffset] = f[6];
    }
    if (f[7] <= 1) {
        running_[base + kSearchModeOffset] = f[7];
    }
}

std::uint8_t Unit::numAuto(std::size_t channel) const {
    const std::uint8_t n = running_[channel * kBlockSize + kNumAutoOffset];
    return std::clamp<std::uint8_t>(n, 1, kFilters);
}

void Unit::scheduleReport(TimePoint base) {
    reportAt_ = base + interval_;
    const bool spray = std::any_of(faults_.begin(), faults_.end(), [](const Fault& f) {
        return f.kind == FaultKind::SearchGarbage;
    });
    if (spray) {
        sprayAt_ = base + interval_ / 2;
    }
}

void Unit::acknowledge(TimePoint at) {
    if (search_.active && search_.awaitingAck) {
        search_.awaitingAck = false;
        scheduleReport(at);
    }
}

void Unit::runTimers(TimePoint now) {
    if (sprayAt_ && *sprayAt_ <= now) {
        const TimePoint at = *sprayAt_;
        sprayAt_.reset();
        std::size_t count = 0;
        for (const Fault& f : faults_) {
            if (f.kind == FaultKind::SearchGarbage) {
                count += f.amount;
            }
        }
        send(junk(count), at);
    }
    if (reportAt_ && *reportAt_ <= now) {
        const TimePoint at = *reportAt_;
        reportAt_.reset();
        if (const std::optional<Bytes> report = nextReport()) {
            search_.awaitingAck = true;
            send(*report, at);
        }
    }
}

std::optional<Unit::Bytes> Unit::nextReport() {
    // Place the automatic notches first, alternating between the target channels.
    std::optional<std::size_t> placeOn;
    for (std::size_t channel = 0; channel < kChannels; ++channel) {
        if (search_.target[channel] && search_.placed[channel] < numAuto(channel) &&
            (!placeOn || search_.placed[channel] < search_.placed[*placeOn])) {
            placeOn = channel;
        }
    }
    if (placeOn) {
        const std::size_t channel = *placeOn;
        const std::size_t filter = search_.placed[channel]++;
        const auto span = static_cast<std::uint64_t>(kSearchHighIndex - kSearchLowIndex + 1);
        const auto index =
            static_cast<std::uint16_t>(kSearchLowIndex + splitmix(searchRng_) % span);
        const auto gain = static_cast<std::uint8_t>(15 + splitmix(searchRng_) % 25);
        const std::uint8_t q = std::min(running_[channel * kBlockSize + kAutoQOffset], kMaxQ);
        setNotch(running_, channel, filter, gain, index, q);
        return Bytes{kNotchReport,
                     static_cast<std::uint8_t>(channel),
                     static_cast<std::uint8_t>(filter),
                     static_cast<std::uint8_t>(index >> 8),
                     static_cast<std::uint8_t>(index & 0xFF),
                     q,
                     gain,
                     0,
                     0,
                     0};
    }

    // Then deepen the automatic notches in turn until all are at the bottom.
    std::vector<std::pair<std::size_t, std::size_t>> notches;
    for (std::size_t filter = 0; filter < kFilters; ++filter) {
        for (std::size_t channel = 0; channel < kChannels; ++channel) {
            if (search_.target[channel] && filter < numAuto(channel)) {
                notches.emplace_back(channel, filter);
            }
        }
    }
    for (std::size_t step = 0; step < notches.size(); ++step) {
        const auto [channel, filter] = notches[(search_.deepenCursor + step) % notches.size()];
        const std::size_t r = notchOffset(channel, filter);
        const std::uint8_t gain = std::min(running_[r], kMaxGain);
        if (gain == 0) {
            continue;
        }
        search_.deepenCursor = (search_.deepenCursor + step + 1) % notches.size();
        const auto deeper = static_cast<std::uint8_t>(gain > kDeepenStep ? gain - kDeepenStep : 0);
        running_[r] = deeper;
        return Bytes{kGainReport,
                     static_cast<std::uint8_t>(channel),
                     static_cast<std::uint8_t>(filter),
                     0,
                     0,
                     0,
                     deeper,
                     0,
                     0,
                     0};
    }
    return std::nullopt;
}

Unit::Bytes Unit::gainReportBeforeReply() {
    const std::uint8_t gain = std::min(running_[notchOffset(0, 0)], kMaxGain);
    const auto deeper = static_cast<std::uint8_t>(gain > 0 ? gain - 1 : 0);
    running_[notchOffset(0, 0)] = deeper;
    return {kGainReport, 0, 0, 0, 0, 0, deeper, 0, 0, 0};
}

Unit::Bytes Unit::junk(std::size_t count) {
    Bytes bytes(count);
    for (std::uint8_t& b : bytes) {
        b = static_cast<std::uint8_t>(splitmix(junkRng_));
    }
    return bytes;
}

TimePoint Unit::send(const Bytes& bytes, TimePoint ready) {
    TimePoint at = ready;
    const bool quiet = silent();
    // Made room for at once: a block reply is 161 bytes, and growing byte by byte showed.
    std::size_t next = out_.size();
    if (!quiet) out_.resize(next + bytes.size());
    for (std::uint8_t b : bytes) {
        at = ready;
        if (lastEmit_) at = std::max(at, *lastEmit_);
        // Output leaves in order; on a paced line each byte takes one byte time.
        if (paced_) at += kByteTime;
        lastEmit_ = at;
        if (!quiet) out_[next++] = {b, at};
    }
    return at;
}

}  // namespace vxsim
