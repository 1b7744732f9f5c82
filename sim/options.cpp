#include "sim/options.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <limits>
#include <optional>
#include <string_view>

#include "sim/replay.h"

namespace vxsim {

namespace {

constexpr std::uint64_t kMaxBytes = 4096;
constexpr std::uint64_t kMaxMs = 600'000;
constexpr std::uint64_t kMaxFrame = 1'000'000'000;

std::optional<std::uint64_t> number(std::string_view text, std::uint64_t max) {
    std::uint64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc{} || ptr != end || value > max) {
        return std::nullopt;
    }
    return value;
}

// "N:K" as frame number and amount.
std::optional<std::pair<std::uint64_t, std::uint64_t>> pair(std::string_view text,
                                                            std::uint64_t maxAmount) {
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos) {
        return std::nullopt;
    }
    const auto frame = number(text.substr(0, colon), kMaxFrame);
    const auto amount = number(text.substr(colon + 1), maxAmount);
    if (!frame || !amount) {
        return std::nullopt;
    }
    return std::pair{*frame, *amount};
}

std::optional<std::vector<int>> presetList(std::string_view text) {
    std::vector<int> presets;
    while (!text.empty()) {
        const std::size_t comma = text.find(',');
        const auto value = number(text.substr(0, comma), 20);
        if (!value || *value < 5) {
            return std::nullopt;
        }
        if (std::find(presets.begin(), presets.end(), static_cast<int>(*value)) == presets.end()) {
            presets.push_back(static_cast<int>(*value));
        }
        if (comma == std::string_view::npos) {
            break;
        }
        text.remove_prefix(comma + 1);
        if (text.empty()) {
            return std::nullopt;  // trailing comma
        }
    }
    return presets;
}

}  // namespace

std::string usageText() {
    return R"(Usage: vx470-sim [options]
Simulates a VX-470 on a pseudo-terminal. The first line printed is the device
path to open (e.g. /dev/pts/7); the unit is served until SIGINT or SIGTERM.

Unit:
  --presets LIST          occupied user presets, numbers 5..20 separated by commas
                          (e.g. 5,9); default: all user presets empty
  --seed N                seed of the feedback search and of junk bytes (default 1)
  --search-interval MS    time before each search report: after the reply to the
                          start frame, then after each acknowledgement (default 700)
  --paced                 emulate 4800 baud: 1/480 s per byte in both directions
  --log                   print every received frame in hex to stderr

Another device in the unit's place:
  --echo                  send every byte straight back, execute nothing
  --wrong-baud            reply at 9600 baud: the host reads each reply garbled and
                          half as long
  --replay LOG            play the unit's side of a serial log that vx470 wrote
                          (--log, or Save log...; of several runs, the last): each
                          frame the host sends is answered with the bytes the log
                          shows after the same frame, as long after it; where it
                          shows no answer (a time-out before a resend) there is
                          none. Frames are matched in the log's order; one found
                          nowhere from there on gets no answer. Of the faults only
                          --die-after and --hangup-after apply.

Faults (N is the 1-based number of a received frame, acknowledgements
included; N = 0 means every frame):
  --silent                never send anything (a unit that opens but never answers)
  --drop N                no reply to frame N (repeatable)
  --delay MS              send every reply MS milliseconds late
  --delay-frame N:MS      send the reply to frame N MS milliseconds late (repeatable)
  --short N:K             send only the first K bytes of the reply to frame N
  --extra N:K             send K junk bytes after the reply to frame N
  --garbage N:K           send K junk bytes before the reply to frame N
  --report-before N       send a gain report just before the reply to frame N
  --garbage-during-search K
                          send K junk bytes halfway between search reports
  --die-after N           after N frames the line is dead: nothing is read or sent
  --hangup-after N        after N frames (and their replies) close the line
  --help                  show this text
  --version               show the version

Bad arguments end the program with exit code 2. K is at most 4096, MS at most
600000.
)";
}

ParsedOptions parseOptions(const std::vector<std::string>& args) {
    ParsedOptions result;
    Config& config = result.options.config;
    auto fail = [&result](std::string message) {
        result.error = std::move(message);
        return result;
    };

    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::optional<std::string> inlineValue;
        if (const std::size_t eq = name.find('=');
            name.rfind("--", 0) == 0 && eq != std::string::npos) {
            inlineValue = name.substr(eq + 1);
            name.resize(eq);
        }
        auto flag = [&]() { return !inlineValue.has_value(); };
        std::optional<std::string> value;
        auto takeValue = [&]() -> bool {
            if (inlineValue) {
                value = inlineValue;
            } else if (i + 1 < args.size()) {
                value = args[++i];
            } else {
                return false;
            }
            return true;
        };
        auto addFrameFault = [&](FaultKind kind, std::uint64_t maxAmount) -> bool {
            if (!takeValue()) {
                return false;
            }
            const auto parsed = pair(*value, maxAmount);
            if (!parsed) {
                return false;
            }
            config.faults.push_back({kind, parsed->first, parsed->second});
            return true;
        };
        auto addCountFault = [&](FaultKind kind, bool frameCount, std::uint64_t max) -> bool {
            if (!takeValue()) {
                return false;
            }
            const auto parsed = number(*value, max);
            if (!parsed) {
                return false;
            }
            if (frameCount) {
                config.faults.push_back({kind, *parsed, 0});
            } else {
                config.faults.push_back({kind, 0, *parsed});
            }
            return true;
        };

        bool ok = true;
        if (name == "--help" || name == "-h") {
            result.options.help = true;
            ok = flag();
        } else if (name == "--version") {
            result.options.version = true;
            ok = flag();
        } else if (name == "--paced") {
            config.paced = true;
            ok = flag();
        } else if (name == "--echo" || name == "--wrong-baud") {
            config.peer = name == "--echo" ? Peer::Echo : Peer::WrongBaud;
            ok = flag();
        } else if (name == "--replay") {
            ok = takeValue();
            if (ok) {
                std::ifstream file(*value);
                if (!file) {
                    return fail("cannot read the log " + *value);
                }
                ParsedReplay replay = parseReplay(file);
                if (!replay.error.empty()) {
                    return fail(*value + ": " + replay.error);
                }
                config.peer = Peer::Replay;
                config.replay = std::move(replay.steps);
            }
        } else if (name == "--log") {
            result.options.log = true;
            ok = flag();
        } else if (name == "--silent") {
            config.faults.push_back({FaultKind::NoReply, 0, 0});
            ok = flag();
        } else if (name == "--presets") {
            ok = takeValue();
            if (ok) {
                const auto presets = presetList(*value);
                ok = presets.has_value();
                if (ok) {
                    config.userPresets = *presets;
                }
            }
        } else if (name == "--seed") {
            ok = takeValue();
            if (ok) {
                const auto seed = number(*value, std::numeric_limits<std::uint64_t>::max());
                ok = seed.has_value();
                config.seed = seed.value_or(0);
            }
        } else if (name == "--search-interval") {
            ok = takeValue();
            if (ok) {
                const auto ms = number(*value, kMaxMs);
                ok = ms.has_value();
                config.searchInterval = std::chrono::milliseconds(ms.value_or(0));
            }
        } else if (name == "--delay") {
            ok = addCountFault(FaultKind::Delay, false, kMaxMs);
        } else if (name == "--delay-frame") {
            ok = addFrameFault(FaultKind::Delay, kMaxMs);
        } else if (name == "--drop") {
            ok = addCountFault(FaultKind::NoReply, true, kMaxFrame);
        } else if (name == "--short") {
            ok = addFrameFault(FaultKind::ShortReply, kMaxBytes);
        } else if (name == "--extra") {
            ok = addFrameFault(FaultKind::ExtraBytes, kMaxBytes);
        } else if (name == "--garbage") {
            ok = addFrameFault(FaultKind::Garbage, kMaxBytes);
        } else if (name == "--report-before") {
            ok = addCountFault(FaultKind::ReportBefore, true, kMaxFrame);
        } else if (name == "--garbage-during-search") {
            ok = addCountFault(FaultKind::SearchGarbage, false, kMaxBytes);
        } else if (name == "--die-after") {
            ok = addCountFault(FaultKind::DieAfter, true, kMaxFrame);
        } else if (name == "--hangup-after") {
            ok = addCountFault(FaultKind::HangUpAfter, true, kMaxFrame);
        } else {
            return fail("unknown option: " + args[i]);
        }
        if (!ok) {
            return fail(value ? "bad value for " + name + ": " + *value
                              : "missing or unexpected value for " + name);
        }
    }
    return result;
}

}  // namespace vxsim
