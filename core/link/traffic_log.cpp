#include "core/link/traffic_log.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <optional>

#include "core/app_info.h"
#include "core/link/converters.h"
#include "core/shell/tables.h"
#include "core/text/utf8.h"

namespace vx470 {

namespace {

constexpr std::size_t at(int i) {
    return static_cast<std::size_t>(i);
}

std::string hex(std::uint8_t b) {
    constexpr char digits[] = "0123456789ABCDEF";
    return {digits[b >> 4], digits[b & 15]};
}

// A name from one of the program's tables, or nothing for a code beyond it.
template <typename Table>
std::optional<std::string> named(const Table& table, int code) {
    if (code < 0 || at(code) >= table.size()) return std::nullopt;
    return std::string(table[at(code)]);
}

std::optional<std::string> channel(int code) {
    if (code == 0) return "L";
    if (code == 1) return "R";
    return std::nullopt;
}

std::string gain(int code) {
    return "gain " + std::to_string(code - kMaxGainCode) + " dB";
}

std::string notchSetting(int index, int q, int g) {
    return gain(g) + " " + GridFrequencyText(index) + " Hz Q " + std::string(QNames[at(q)]);
}

int address(const FrameArgs& a) {
    return a[MemoryArgs::AddressHigh] * 256 + a[MemoryArgs::AddressLow];
}

std::string notchFrame(const FrameArgs& a) {
    const std::optional<std::string> ch = channel(a[NotchArgs::Channel]);
    const int filter = a[NotchArgs::Filter];
    const int index = a[NotchArgs::FreqHigh] * 256 + a[NotchArgs::FreqLow];
    const int q = a[NotchArgs::Q];
    const int g = a[NotchArgs::Gain];
    if (!ch || filter >= kNotchesPerChannel || index > kMaxFrequencyIndex || q > kMaxQCode ||
        g > kMaxGainCode) {
        return "write notch, out of range";
    }
    return "write " + *ch + " notch " + std::to_string(filter + 1) + " " +
           notchSetting(index, q, g);
}

std::string sectionFrame(const FrameArgs& a) {
    const int target = a[SectionArgs::Target];
    const int count = a[SectionArgs::NumAuto];
    const std::optional<std::string> q = named(QNames, a[SectionArgs::QAuto]);
    const std::optional<std::string> mode = named(AttenuationNames, a[SectionArgs::Attenuation]);
    const int sensitivity = a[SectionArgs::Sensitivity];
    const int run = a[SectionArgs::Run];
    if (target > SectionTarget::Right || count < 1 || count > kNotchesPerChannel || !q || !mode ||
        sensitivity > kMaxSensitivity || run > 1) {
        return "auto section, out of range";
    }
    const char* whom = target == SectionTarget::Both   ? "both"
                       : target == SectionTarget::Left ? "L"
                                                       : "R";
    return std::string("auto section ") + whom + ": " + std::to_string(count) +
           " automatic notches Q " + *q + " " + *mode + " sensitivity " +
           std::to_string(sensitivity + 1) + (run == 1 ? ", search on" : "");
}

std::string releaseFrame(const FrameArgs& a) {
    const std::optional<std::string> ch = channel(a[ReleaseArgs::Channel]);
    const std::optional<std::string> release = named(ReleaseNames, a[ReleaseArgs::Release]);
    const std::optional<std::string> mode = named(ModeSearchNames, a[ReleaseArgs::ModeSearch]);
    if (!ch || !release || !mode) return "release, out of range";
    return "release " + *ch + " " + *release + ", search mode " + *mode;
}

std::string blockName(const FrameArgs& a) {
    const int preset = a[BlockArgs::Preset];
    if (preset == kRunningImage) return "running image";
    return "preset " + std::to_string(preset + 1);
}

std::string frameMeaning(const FrameArgs& a) {
    switch (a[0]) {
        case Command::Probe:
            return "probe";
        case Command::NotchFilter:
            return notchFrame(a);
        case Command::AutoSection:
            return sectionFrame(a);
        case Command::ReadBlock:
            return "read " + std::string(a[BlockArgs::Preset] == kRunningImage ? "" : "block ") +
                   blockName(a);
        case Command::Closing:
            return "closing";
        case Command::ReadByte:
            return "read byte " + std::to_string(address(a));
        case Command::WriteByte:
            return "write byte " + std::to_string(address(a)) + " = " + hex(a[MemoryArgs::Data]);
        case Command::Acknowledge:
            return "acknowledge";
        case Command::ReleaseMode:
            return releaseFrame(a);
        default:
            return "command " + std::to_string(a[0]);
    }
}

bool looksLikeReport(std::span<const std::uint8_t> b) {
    return !b.empty() &&
           (b[ReportBytes::Type] == kNotchReport || b[ReportBytes::Type] == kGainReport);
}

std::string reportMeaning(std::span<const std::uint8_t> b) {
    const std::optional<UnitReport> r = DecodeReport(b);
    if (!r) return looksLikeReport(b) ? "report out of range, ignored" : "no report, ignored";
    const std::string which = std::string(ChannelOfNotch(r->notch) == 0 ? "L" : "R") + " notch " +
                              std::to_string(FilterOfNotch(r->notch) + 1);
    if (!r->wholeNotch) return "report " + which + " " + gain(r->gain);
    return "report " + which + " placed: " + notchSetting(r->frequencyIndex, r->q, r->gain);
}

std::string replyMeaning(const FrameArgs& a, std::span<const std::uint8_t> b) {
    std::string meaning = "reply";
    if (a[0] == Command::Probe) {
        const bool unit = b.size() > kProbeReplyIndex && b[kProbeReplyIndex] == kFrameMarker;
        meaning = unit ? "the unit answers" : "not the unit's answer";
    } else if (a[0] == Command::ReadByte && b.size() > kReadByteReplyIndex) {
        meaning = "byte " + std::to_string(address(a)) + " = " + hex(b[kReadByteReplyIndex]);
    }
    if (looksLikeReport(b)) meaning += " (a " + reportMeaning(b) + ")";
    return meaning;
}

}  // namespace

TrafficLog::TrafficLog(Clock& clock, std::size_t capacity)
    : clock_(clock), start_(clock.now()), capacity_(std::max<std::size_t>(capacity, 1)) {}

void TrafficLog::onTraffic(const TrafficEvent& event) {
    const auto narrow = [](std::size_t n) {
        return static_cast<std::uint16_t>(std::min<std::size_t>(n, 0xFFFF));
    };
    Entry* e = nullptr;
    if (entries_.size() < capacity_) {
        e = &entries_.emplace_back();
    } else {
        e = &entries_[oldest_];
        oldest_ = (oldest_ + 1) % capacity_;
    }
    // Bytes dropped behind a reply were there when it was read: a replay sends them with it.
    const bool behind = event.kind == Traffic::Dropped && total_ > 0;
    e->at = behind ? last_ : clock_.now();
    last_ = e->at;
    e->kind = event.kind;
    e->attempt = static_cast<std::uint8_t>(std::clamp(event.attempt, 0, 255));
    e->awaits = narrow(event.awaits);
    e->count = narrow(event.count);
    e->port = event.port;
    e->frame = event.frame;
    // The entry's old bytes keep their room: once the ring is full nothing is allocated.
    e->bytes.assign(event.bytes.begin(), event.bytes.end());
    ++total_;
    if (!file_.is_open() && !Follow) return;
    const std::string text = format(*e);
    if (file_.is_open()) {
        file_ << text << '\n';
        file_.flush();
    }
    if (Follow) Follow(text);
}

bool TrafficLog::writeTo(const std::string& path) {
    std::ofstream file(PathFromUtf8(path), std::ios::binary | std::ios::app);
    if (!file) return false;
    file << header();
    for (std::size_t i = 0; i < entries_.size(); ++i) file << format(entry(i)) << '\n';
    file.flush();
    if (!file) return false;
    file_ = std::move(file);
    return true;
}

const TrafficLog::Entry& TrafficLog::entry(std::size_t index) const {
    return entries_[(oldest_ + index) % entries_.size()];
}

std::string TrafficLog::line(std::size_t index) const {
    return index < entries_.size() ? format(entry(index)) : std::string();
}

bool TrafficLog::Matches(std::string_view line, std::string_view filter) {
    const auto lower = [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    };
    const auto same = [&](char a, char b) { return lower(a) == lower(b); };
    // Words are apart by any blank, so that a pasted line is a filter too.
    constexpr std::string_view blanks = " \t\r\n";
    for (std::size_t i = filter.find_first_not_of(blanks); i != std::string_view::npos;
         i = filter.find_first_not_of(blanks, i)) {
        const std::size_t end = std::min(filter.find_first_of(blanks, i), filter.size());
        const std::string_view word = filter.substr(i, end - i);
        if (std::search(line.begin(), line.end(), word.begin(), word.end(), same) == line.end())
            return false;
        i = end;
    }
    return true;
}

std::vector<std::string> TrafficLog::lines(std::string_view filter) const {
    std::vector<std::string> shown;
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        std::string text = format(entry(i));
        if (Matches(text, filter)) shown.push_back(std::move(text));
    }
    return shown;
}

std::string TrafficLog::text() const {
    std::string all = header();
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        all += format(entry(i));
        all += '\n';
    }
    return all;
}

std::string TrafficLog::header() const {
    const std::time_t now = std::time(nullptr);
    char date[32] = "";
    if (const std::tm* local = std::localtime(&now)) {
        std::strftime(date, sizeof date, "%Y-%m-%d %H:%M:%S", local);
    }
    std::string text =
        "# " + std::string(kApplicationTitle) + " " VX470_VERSION " serial log, " + date + "\n";
    if (forgotten() > 0) {
        text += "# " + std::to_string(forgotten()) + " earlier entries are no longer kept\n";
    }
    return text;
}

std::string TrafficLog::format(const Entry& e) const {
    char time[32];
    const std::chrono::duration<double, std::milli> ms = e.at - start_;
    std::snprintf(time, sizeof time, "%10.1f", ms.count());
    std::string text = time;
    const bool sent = e.kind == Traffic::Sent;
    const bool read = e.kind == Traffic::Reply || e.kind == Traffic::Block ||
                      e.kind == Traffic::Report || e.kind == Traffic::Dropped;
    text += sent ? "  >  " : read ? "  <  " : "  -  ";
    for (std::uint8_t b : e.bytes) {
        text += hex(b);
        text += ' ';
    }
    if (!e.bytes.empty()) text += ' ';
    const std::string port = "port " + std::to_string(e.port);
    switch (e.kind) {
        case Traffic::Sent:
            text += frameMeaning(e.frame);
            if (e.attempt > 1) {
                text += " (resend " + std::to_string(e.attempt) + "/" + std::to_string(kMaxWrites) +
                        ")";
            }
            break;
        case Traffic::Reply:
            text += replyMeaning(e.frame, e.bytes);
            break;
        case Traffic::Block:
            text += "block " + blockName(e.frame);
            if (e.bytes.size() < kBlockReplySize) {
                text += ", only " + std::to_string(e.bytes.size()) + " bytes";
            }
            break;
        case Traffic::Report:
            text += reportMeaning(e.bytes);
            break;
        case Traffic::Dropped:
            text += "extra " + std::to_string(e.bytes.size()) + " bytes, dropped";
            break;
        case Traffic::TimedOut:
            text += "time out: " + std::to_string(e.count) + " of " + std::to_string(e.awaits) +
                    " bytes";
            break;
        case Traffic::NoAnswer:
            text += "no answer after " + std::to_string(e.attempt) + " writes";
            break;
        case Traffic::WriteRefused:
            text += "the line refused the write";
            break;
        case Traffic::Opened:
            text += "open " + port;
            break;
        case Traffic::OpenFailed:
            text += port + " cannot be opened";
            break;
        case Traffic::Reopened:
            text += "reopen " + port + " for " + std::to_string(e.count) + "-byte replies";
            break;
        case Traffic::ProgramEnds:
            text += "the program ends with \"Time out\"";
            break;
    }
    return text;
}

}  // namespace vx470
