#include "cli/cli.h"

#include <cstdio>
#include <numeric>
#include <optional>
#include <ostream>
#include <sstream>

#include "core/device/backup.h"
#include "core/device/parameters.h"
#include "core/device/port_search.h"
#include "core/device/preset_file.h"
#include "core/device/unit_memory.h"
#include "core/link/link.h"
#include "core/link/traffic_log.h"
#include "core/text/json.h"
#include "core/text/numbers.h"
#include "core/text/utf8.h"

namespace vx470::cli {

namespace {

constexpr const char* kHelp = R"(Usage: vx470-cli [OPTION]... COMMAND [ARGUMENT]...
Backs up, restores, reads, stores and edits the presets of a VX-470 feedback
suppressor over RS-232, with no window system.

Commands:
  ports              list the serial ports by number and say which one answers
  backup DIR         copy every stored preset (5 to 20) and the running one into
                     the new folder DIR; nothing is written to the unit, and it
                     goes on running what it runs
  restore DIR        write the presets of the backup in DIR back into the unit,
                     each read back and compared before it is marked as stored;
                     presets empty in the backup are emptied. The running preset
                     and presets 1 to 4 are left alone
    --slot N         restore preset N (5 to 20) only
  read N FILE        recall preset N (1 to 20) on the unit, as the Read dialog
                     does (the unit then runs preset N), and save it as the
                     preset file FILE
  store FILE N NAME  store the preset file FILE as preset N (5 to 20) under NAME
                     (at most 8 characters)
  dump               the running preset: both channels, every notch and
                     automatic setting
  get NAME           one setting of the running preset
  set NAME VALUE     change one setting on the unit, e.g. set left.notch12.gain -6

Settings are named left.* or right.*: notch1.freq (Hz) ... notch12.freq,
notchN.gain (dB, -45 to 0), notchN.q (1/70, 1/20, 1/10, 1/5), auto.count (1 to
12 automatic notches, which are notch1 upwards and set by the unit), auto.q,
auto.attenuation (Fixed, Variable), sensitivity (1 to 16), release (Slow, Fast)
and mode (Sharp, Fast).

Options:
  -p, --port DEVICE  use the serial port DEVICE (e.g. /dev/ttyUSB0 or COM3) and
                     no other; without it every port is tried
      --json         print the results as JSON
      --log FILE     write every frame sent and received to FILE
  -h, --help         show this help and exit
  -v, --version      show the version and exit

Exit status: 0 done; 1 refused as the unit stands (an empty preset, an automatic
notch); 2 wrong usage; 3 no unit answers; 4 the unit stopped answering; 5 a file
or folder error; 6 a restored preset read back other than written; 130
interrupted (a backup leaves no folder, a restore stops between presets).
)";

// The link's "Time out" box is never shown: the tool uses the transactions that report a
// silent unit instead.
class NoBoxes final : public Dialogs {
  public:
    Answer show(const MessageBox&) override { return Answer::Ok; }
};

// One line on the terminal that says what runs, how far it is and how long it has left.
class Progress {
  public:
    Progress(Host& host, std::ostream& err) : host_(host), err_(err), start_(host.clock().now()) {}
    ~Progress() { end(); }
    void show(const std::string& activity, int done, int total) {
        if (!host_.terminal() || total <= 0) return;
        const std::string progress = ProgressText(host_.clock().now() - start_, done, total);
        if (progress == progress_ && activity == activity_) return;
        progress_ = progress;
        activity_ = activity;
        err_ << "\r" << activity << "  " << progress << "\x1b[K" << std::flush;
        shown_ = true;
    }
    void end() {
        if (shown_) err_ << "\r\x1b[K" << std::flush;
        shown_ = false;
    }

  private:
    Host& host_;
    std::ostream& err_;
    Clock::Duration start_;
    std::string progress_;
    std::string activity_;
    bool shown_ = false;
};

struct Options {
    std::vector<std::string> words;  // the command and its arguments
    std::string device;
    std::string log;
    std::optional<std::string> slot;
    bool json = false;
    bool help = false;
    bool version = false;
};

// The options may stand anywhere; "--" ends them.
std::optional<Options> parse(const std::vector<std::string>& args, std::string& error) {
    Options o;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const auto value = [&](const char* name) -> std::optional<std::string> {
            const std::string prefix = std::string(name) + "=";
            if (a.rfind(prefix, 0) == 0) return a.substr(prefix.size());
            if (i + 1 < args.size()) return args[++i];
            error = "option " + std::string(name) + " needs a value";
            return std::nullopt;
        };
        if (a == "--") {
            o.words.insert(o.words.end(), args.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                           args.end());
            break;
        }
        if (a == "-h" || a == "--help") {
            o.help = true;
        } else if (a == "-v" || a == "--version") {
            o.version = true;
        } else if (a == "--json") {
            o.json = true;
        } else if (a == "-p" || a == "--port" || a.rfind("--port=", 0) == 0) {
            const auto v = value("--port");
            if (!v) return std::nullopt;
            if (v->empty()) {
                error = "--port needs a device";
                return std::nullopt;
            }
            o.device = *v;
        } else if (a == "--log" || a.rfind("--log=", 0) == 0) {
            const auto v = value("--log");
            if (!v) return std::nullopt;
            o.log = *v;
        } else if (a == "--slot" || a.rfind("--slot=", 0) == 0) {
            o.slot = value("--slot");
            if (!o.slot) return std::nullopt;
        } else if (a.size() > 1 && a[0] == '-' && !ParseNumber(a)) {
            error = "unknown option '" + a + "'";
            return std::nullopt;
        } else {
            o.words.push_back(a);
        }
    }
    return o;
}

// A whole number from `lo` to `hi`, as the user wrote it.
std::optional<int> wholeNumber(const std::string& text, int lo, int hi) {
    return WholeNumber(ParseNumber(text), lo, hi);
}

// A value as JSON: a number where it is one, else a string.
std::string jsonValue(const std::string& text) {
    return ParseNumber(text) ? text : JsonQuote(text);
}

class Session {
  public:
    Session(Host& host, std::ostream& out, std::ostream& err, const Options& options)
        : host_(host), out_(out), err_(err), o_(options) {}

    int run();

  private:
    int fail(int code, const std::string& message) {
        err_ << "vx470-cli: " << message << '\n';
        return code;
    }
    int usage(const std::string& message) {
        return fail(kUsage, message + "\nTry 'vx470-cli --help'.");
    }
    // Prints the outcome of a command that changes or copies something.
    int done(const std::string& message) {
        if (o_.json) {
            out_ << "{\"message\": " << JsonQuote(message) << "}\n";
        } else {
            out_ << message << '\n';
        }
        return kOk;
    }
    // The host's ports in their order, 1 upwards: the tool has no port of its own to try first.
    std::vector<int> everyPort() {
        std::vector<int> numbers(static_cast<std::size_t>(host_.portCount()));
        std::iota(numbers.begin(), numbers.end(), 1);
        return numbers;
    }
    int connect();
    int ports();
    int runJob(UnitJob& job);
    int backup(const std::string& folder);
    int restore(const std::string& folder);
    int read(const std::string& preset, const std::string& file);
    int store(const std::string& file, const std::string& preset, const std::string& name);
    int dump();
    int get(const std::string& name);
    int set(const std::string& name, const std::string& value);
    bool runningImage(PresetImage& image) {
        return TryReadRunningImage(*link_, std::span(image).first<kImageBlockSize>());
    }
    int lineFault() { return fail(kLineFault, "the unit stopped answering"); }

    Host& host_;
    std::ostream& out_;
    std::ostream& err_;
    const Options& o_;
    NoBoxes boxes_;
    std::optional<Link> link_;
    std::optional<TrafficLog> log_;
};

int Session::run() {
    const std::vector<std::string>& w = o_.words;
    if (w.empty()) return usage("no command given");
    const std::string& command = w[0];
    const auto arguments = [&](std::size_t n) { return w.size() == n + 1; };
    if (o_.slot && command != "restore") return usage("--slot goes with restore only");
    if (command == "ports" && !arguments(0)) return usage("ports takes no argument");
    if (!o_.log.empty()) {
        log_.emplace(host_.clock());
        if (!log_->writeTo(o_.log)) return fail(kFileError, o_.log + ": cannot be written");
    }
    if (command == "ports") return ports();
    struct Known {
        const char* name;
        std::size_t arguments;
    };
    static constexpr Known known[] = {{"backup", 1}, {"restore", 1}, {"read", 2}, {"store", 3},
                                      {"dump", 0},   {"get", 1},     {"set", 2}};
    const Known* k = nullptr;
    for (const Known& c : known) {
        if (command == c.name) k = &c;
    }
    if (k == nullptr) return usage("unknown command '" + command + "'");
    if (!arguments(k->arguments)) {
        return usage(command + " takes " + std::to_string(k->arguments) + " argument" +
                     (k->arguments == 1 ? "" : "s"));
    }
    // What can be refused without the unit is refused before the port search.
    if (command == "get" && !FindParameter(w[1])) return usage("no setting named '" + w[1] + "'");
    if (command == "set" && !FindParameter(w[1])) return usage("no setting named '" + w[1] + "'");
    if (command == "read" && !wholeNumber(w[1], 1, kPresets))
        return usage("a preset to read is a number from 1 to 20, not '" + w[1] + "'");
    if (command == "store" && !wholeNumber(w[2], kFixedPresets + 1, kPresets))
        return usage("a preset to store into is a number from 5 to 20 (1 to 4 are the unit's own)");
    if (o_.slot && !wholeNumber(*o_.slot, kFixedPresets + 1, kPresets))
        return usage("--slot takes a preset number from 5 to 20");
    if (const int c = connect(); c != kOk) return c;
    if (command == "backup") return backup(w[1]);
    if (command == "restore") return restore(w[1]);
    if (command == "read") return read(w[1], w[2]);
    if (command == "store") return store(w[1], w[2], w[3]);
    if (command == "dump") return dump();
    if (command == "get") return get(w[1]);
    return set(w[1], w[2]);
}

int Session::connect() {
    link_.emplace(host_.ports(o_.device), host_.clock(), boxes_);
    if (log_) link_->setObserver(&*log_);
    const std::vector<int> candidates = everyPort();
    if (SearchPorts(*link_, candidates) >= 0) return kOk;
    if (!o_.device.empty()) {
        const std::string why = host_.openError();
        return fail(kNoUnit,
                    o_.device + ": " + (why.empty() ? "the unit does not answer there" : why));
    }
    return fail(kNoUnit, "no unit answers on any of the " + std::to_string(candidates.size()) +
                             " serial ports (name one with --port)");
}

int Session::ports() {
    Link link(host_.ports(o_.device), host_.clock(), boxes_);
    if (log_) link.setObserver(&*log_);
    const std::vector<int> candidates = everyPort();
    std::vector<PortAnswer> answers;
    const bool found = SearchPorts(link, candidates, &answers, true) >= 0;
    link.port().close();
    if (o_.json) out_ << "[";
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        const int n = candidates[i];
        const std::string state = answers[i] == PortAnswer::Unit     ? "unit"
                                  : answers[i] == PortAnswer::Silent ? "no answer"
                                                                     : "cannot be opened";
        if (o_.json) {
            out_ << (i > 0 ? ", " : "") << "{\"port\": " << n
                 << ", \"device\": " << JsonQuote(host_.portName(n))
                 << ", \"state\": " << JsonQuote(state) << "}";
        } else {
            out_ << n << "  " << host_.portName(n) << "  " << state << '\n';
        }
    }
    if (o_.json) out_ << "]\n";
    return found ? kOk : kNoUnit;
}

int Session::runJob(UnitJob& job) {
    {
        Progress progress(host_, err_);
        while (job.Step()) {
            if (host_.interrupted()) job.Cancel();
            progress.show(job.activity(), job.done(), job.total());
        }
    }
    switch (job.state()) {
        case UnitJob::State::Done:
            return done(job.message());
        case UnitJob::State::Cancelled:
            return fail(kInterrupted, job.message());
        default:
            break;
    }
    switch (job.failure()) {
        case UnitJob::Failure::File:
            return fail(kFileError, job.message());
        case UnitJob::Failure::Mismatch:
            return fail(kMismatch, job.message());
        default:
            return fail(kLineFault, job.message());
    }
}

int Session::backup(const std::string& folder) {
    BackupJob job(*link_, PathFromUtf8(folder),
                  [this](const std::string& path) { return host_.flushToDisk(path); });
    return runJob(job);
}

int Session::restore(const std::string& folder) {
    std::string error;
    const std::optional<UnitCopy> copy = ReadBackup(PathFromUtf8(folder), error);
    if (!copy) return fail(kFileError, error);
    std::vector<int> which(kUserSlots);
    std::iota(which.begin(), which.end(), 0);
    if (o_.slot) {
        const int k = *wholeNumber(*o_.slot, kFixedPresets + 1, kPresets) - kFixedPresets - 1;
        if (!copy->presets[static_cast<std::size_t>(k)].used())
            return fail(kRefused, "preset " + *o_.slot + " is empty in this backup");
        which = {k};
    }
    RestoreJob job(*link_, *copy, which);
    return runJob(job);
}

int Session::read(const std::string& preset, const std::string& file) {
    const int p = *wholeNumber(preset, 1, kPresets) - 1;
    if (p >= kFixedPresets) {
        const std::optional<std::uint8_t> mark =
            TryReadMemoryByte(*link_, DeviceAddress::Mark(p - kFixedPresets));
        if (!mark) return lineFault();
        if (*mark != DeviceAddress::Occupied)
            return fail(kRefused, "preset " + preset + " is empty");
    }
    // Nothing follows the block on this line: it is not opened again for 10-byte replies.
    link_->ReopenWithBufferSize(kBlockReplySize);
    if (!link_->TryReadImageBlock(Frames::ReadBlock(static_cast<std::uint8_t>(p)))) {
        return lineFault();
    }
    PresetImage image{};
    std::copy_n(link_->RxBuffer.begin(), kImageBlockSize, image.begin());
    switch (SavePresetImage(PathFromUtf8(file), image,
                            [this](const std::string& path) { return host_.flushToDisk(path); })) {
        case SaveResult::Saved:
            return done("Preset " + preset + " saved as " + file + "; the unit now runs it.");
        case SaveResult::NotAFile:
            return fail(kFileError, file + ": not a file");
        case SaveResult::ReadOnly:
            return fail(kFileError, file + ": read-only");
        case SaveResult::Failed:
            break;
    }
    return fail(kFileError, file + ": cannot be written");
}

int Session::store(const std::string& file, const std::string& preset, const std::string& name) {
    PresetImage image{};
    switch (LoadPresetImage(PathFromUtf8(file), image)) {
        case LoadResult::Loaded:
            break;
        case LoadResult::NotFound:
            return fail(kFileError, file + ": no such file");
        case LoadResult::CannotRead:
            return fail(kFileError, file + ": cannot be read");
        case LoadResult::TooShort:
            return fail(kFileError, file + ": not a preset file (fewer than 161 bytes)");
    }
    // The store dialog's rule: at most 8 characters, each one the unit has a code for.
    std::size_t at = 0, count = 0;
    while (at < name.size()) {
        const char32_t c = DecodeUtf8(name, at);
        ++count;
        if (!TypableNameCharacter(c)) return usage("the unit cannot keep the name '" + name + "'");
    }
    if (count > DeviceAddress::NameLength) return usage("a name has at most 8 characters");
    const int k = *wholeNumber(preset, kFixedPresets + 1, kPresets) - kFixedPresets - 1;
    const std::vector<MemoryWrite> writes = SlotWrites(k, image, CentredNameBytes(name));
    Progress progress(host_, err_);
    for (std::size_t i = 0; i < writes.size(); ++i) {
        // An interruption stops before the mark, which leaves the preset as it was marked.
        if (host_.interrupted()) {
            progress.end();
            return fail(kInterrupted, "interrupted: preset " + preset + " is not stored");
        }
        progress.show("Storing preset " + preset, static_cast<int>(i),
                      static_cast<int>(writes.size()));
        if (!TryWriteMemoryByte(*link_, writes[i].address, writes[i].data)) {
            progress.end();
            return fail(kLineFault, "the unit stopped answering: preset " + preset +
                                        " is marked as it was before");
        }
    }
    progress.end();
    return done("Stored " + file + " as preset " + preset + " \"" + CentredName(name) + "\".");
}

int Session::dump() {
    PresetImage image{};
    NameBytes name{};
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto b = TryReadMemoryByte(*link_, DeviceAddress::CurrentName + static_cast<int>(i));
        if (!b) return lineFault();
        name[i] = *b;
    }
    if (!runningImage(image)) return lineFault();
    const std::vector<Parameter> all = AllParameters();
    std::ostringstream s;
    if (o_.json)
        s << "{\"name\": " << JsonQuote(NameFromBytes(name)) << ", \"channels\": [";
    else
        s << "Running preset \"" << NameFromBytes(name) << "\"\n";
    for (int ch = 0; ch < kChannels; ++ch) {
        const auto value = [&](Parameter::Kind kind, int filter = 0) {
            return ParameterValue(image, {kind, ch, filter});
        };
        if (o_.json) {
            s << (ch > 0 ? ", " : "") << "{\"channel\": \"" << (ch == 0 ? "left" : "right") << "\"";
            for (const Parameter& p : all) {
                if (p.channel != ch || p.notch()) continue;
                const std::string n = ParameterName(p);
                s << ", " << JsonQuote(n.substr(n.find('.') + 1)) << ": "
                  << jsonValue(ParameterValue(image, p));
            }
            s << ", \"notches\": [";
            for (int f = 0; f < kNotchesPerChannel; ++f) {
                s << (f > 0 ? ", " : "") << "{\"notch\": " << f + 1 << ", \"automatic\": "
                  << (IsAutomaticNotch(image, {Parameter::Gain, ch, f}) ? "true" : "false")
                  << ", \"freq\": " << jsonValue(value(Parameter::Frequency, f))
                  << ", \"gain\": " << jsonValue(value(Parameter::Gain, f))
                  << ", \"q\": " << jsonValue(value(Parameter::Q, f)) << "}";
            }
            s << "]}";
            continue;
        }
        s << (ch == 0 ? "Left" : "Right") << "\n  automatic notches " << value(Parameter::AutoCount)
          << ", Q " << value(Parameter::AutoQ) << ", attenuation " << value(Parameter::Attenuation)
          << ", sensitivity " << value(Parameter::Sensitivity) << "\n  release "
          << value(Parameter::Release) << ", search mode " << value(Parameter::Mode) << '\n';
        for (int f = 0; f < kNotchesPerChannel; ++f) {
            char line[160];
            std::snprintf(
                line, sizeof line, "  notch %2d  %-9s  %8s Hz  %4s dB  Q %s\n", f + 1,
                IsAutomaticNotch(image, {Parameter::Gain, ch, f}) ? "automatic" : "manual",
                value(Parameter::Frequency, f).c_str(), value(Parameter::Gain, f).c_str(),
                value(Parameter::Q, f).c_str());
            s << line;
        }
    }
    if (o_.json) s << "]}\n";
    out_ << s.str();
    return kOk;
}

int Session::get(const std::string& name) {
    const Parameter p = *FindParameter(name);
    PresetImage image{};
    if (!runningImage(image)) return lineFault();
    const std::string v = ParameterValue(image, p);
    if (o_.json) {
        out_ << "{\"name\": " << JsonQuote(name) << ", \"value\": " << jsonValue(v)
             << ", \"unit\": " << JsonQuote(ParameterUnit(p)) << "}\n";
    } else {
        out_ << v << '\n';
    }
    return kOk;
}

int Session::set(const std::string& name, const std::string& value) {
    const Parameter p = *FindParameter(name);
    PresetImage image{};
    if (!runningImage(image)) return lineFault();
    if (IsAutomaticNotch(image, p)) {
        const std::string channel = p.channel == 0 ? "left" : "right";
        return fail(kRefused, name.substr(0, name.rfind('.')) + " is one of the " +
                                  ParameterValue(image, {Parameter::AutoCount, p.channel}) +
                                  " automatic notches, which the unit sets (see " + channel +
                                  ".auto.count)");
    }
    std::string error;
    if (!SetParameter(image, p, value, error)) return usage(error);
    if (!link_->TrySendFrame(ParameterFrame(image, p))) return lineFault();
    const std::string now = ParameterValue(image, p);
    if (o_.json) {
        out_ << "{\"name\": " << JsonQuote(name) << ", \"value\": " << jsonValue(now) << "}\n";
    } else {
        out_ << name << ' ' << now << '\n';
    }
    return kOk;
}

}  // namespace

int Run(const std::vector<std::string>& args, Host& host, std::ostream& out, std::ostream& err) {
    std::string error;
    const std::optional<Options> options = parse(args, error);
    if (!options) {
        err << "vx470-cli: " << error << "\nTry 'vx470-cli --help'.\n";
        return kUsage;
    }
    if (options->help) {
        out << kHelp;
        return kOk;
    }
    if (options->version) {
        out << "vx470-cli " VX470_VERSION "\n";
        return kOk;
    }
    Session session(host, out, err, *options);
    return session.run();
}

}  // namespace vx470::cli
