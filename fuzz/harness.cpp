#include "fuzz/harness.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <sstream>

namespace vx470::fuzz {

std::span<const std::uint8_t> FuzzInput::bytes(std::size_t n) {
    const std::size_t take = std::min(n, size - pos);
    pos += take;
    return {data + pos - take, take};
}

void Require(bool ok, std::string_view what) {
    if (ok) return;
    std::fprintf(stderr, "fuzz check failed: %.*s\n", static_cast<int>(what.size()), what.data());
    std::abort();
}

namespace {
bool newPrograms = false;
std::unique_ptr<FuzzProgram> built;  // the program of the last input when newPrograms
FuzzProgram* last = nullptr;
}  // namespace

FuzzProgram::FuzzProgram()
    : label7_(program.frmEq.Label7.Caption()), label8_(program.frmEq.Label8.Caption()) {}

void UseNewPrograms(bool on) {
    newPrograms = on;
}

FuzzProgram& FuzzProgram::Fresh() {
    if (newPrograms) {
        built.reset(new FuzzProgram);
        return *(last = built.get());
    }
    static FuzzProgram shared;
    shared.restore();
    return *(last = &shared);
}

FuzzProgram& FuzzProgram::WithImage(const PresetImage& image) {
    FuzzProgram& fp = Fresh();
    Program& program = fp.program;
    fp.unit.attach(fp.fakes.port);
    program.link.CommPortNumber = 1;
    program.link.OpenCommPort();
    program.link.ReopenWithBufferSize(kReplySize);
    program.channels.image = image;
    program.link.SuppressSend = true;
    program.channelOps.ApplyImageToEditor();
    program.link.SuppressSend = false;
    fp.fakes.port.forgetWrites();
    fp.fakes.dialogs.shown.clear();
    return fp;
}

void FuzzProgram::restore() {
    fakes.clock = test::FakeClock{};
    fakes.port.reset();
    // Emptied rather than rebuilt: a new deque allocates even when it holds nothing.
    fakes.dialogs.shown.clear();
    fakes.dialogs.answers.clear();
    fakes.fileDialogs.paths.clear();
    fakes.fileDialogs.requests.clear();
    fakes.host = test::FakeHost{};
    unit = {};

    Program& p = program;
    Link& l = p.link;
    l.TxFrame = {};
    l.RxBuffer = {};
    l.CommPortNumber = 0;
    l.DemoMode = l.SuppressSend = l.PortOpened = l.DeviceFound = false;
    p.channels = {};
    p.ByteScratch = {};
    p.SearchActive = p.QuitLoop = p.SkipExitQuestion = false;
    p.CurrentNotch = 0;
    p.ProgramDir.clear();
    p.presets = {};

    FrmEq& eq = p.frmEq;
    p.IgnoreControlEvents = true;
    eq.Check2.SetValue(0);
    for (CheckBox& box : eq.Check1) {
        box.SetValue(0);
        box.SetEnabled(true);
    }
    eq.LockCursor(false);
    eq.SetMousePointer(MousePointer::Default);
    eq.Label7.SetCaption(label7_);
    eq.Label8.SetCaption(label8_);
    p.IgnoreControlEvents = false;
}

void ReleaseInput() {
    if (last != nullptr && !newPrograms) last->restore();
}

std::string LastProgramState() {
    if (last == nullptr) return {};
    FuzzProgram& fp = *last;
    const Program& p = fp.program;
    const FrmEq& eq = p.frmEq;
    std::ostringstream s;
    s.precision(17);
    const auto bytes = [&](const auto& b) {
        for (auto v : b) s << ' ' << +v;
        s << '\n';
    };
    const auto control = [&](const Control& c) { s << c.Enabled() << c.Visible() << ' '; };
    const auto boxes = [&](const auto& list) {
        for (const TextBox& t : list) control(t), s << t.Text() << '|' << t.SelStart() << ' ';
        s << '\n';
    };
    const auto bars = [&](const auto& list) {
        for (const auto& b : list) control(b), s << b.Value() << ' ';
        s << '\n';
    };
    const auto labels = [&](const auto& list) {
        for (const Label& l : list) control(l), s << l.Caption() << '|';
        s << '\n';
    };
    for (const auto& w : fp.fakes.port.writes) s << w.port << '@' << w.at.count(), bytes(w.bytes);
    bytes(fp.fakes.port.opens);
    s << fp.fakes.port.isOpen() << fp.fakes.port.currentPort() << ' ' << fp.fakes.port.queued()
      << ' ' << fp.fakes.clock.now().count() << '\n';
    for (const auto& b : fp.fakes.dialogs.shown) s << b.title << ": " << b.text << '\n';
    for (const auto& [timer, ms] : fp.fakes.host.timers) s << int(timer) << '=' << ms << ' ';
    s << fp.fakes.host.flushed.size() << '\n';
    bytes(fp.unit.memory);
    bytes(fp.unit.running);
    bytes(p.link.TxFrame);
    bytes(p.link.RxBuffer);
    s << p.link.CommPortNumber << p.link.DemoMode << p.link.SuppressSend << p.link.PortOpened
      << p.link.DeviceFound << p.SearchActive << p.QuitLoop << p.SkipExitQuestion
      << p.IgnoreControlEvents << ' ' << p.CurrentNotch << ' ' << p.ProgramDir << '\n';
    bytes(p.channels.image);
    const ChannelModel& m = p.channels.model;
    for (const auto* a : {&m.NumNotchAuto, &m.NumNotchManual, &m.QNotchAuto, &m.AttenuationNotch,
                          &m.Sensitivity, &m.ReleaseNotch, &m.ModeSearch})
        bytes(*a);
    for (const auto* a : {&m.NotchFrequency, &m.NotchGainDb, &m.NotchQ}) bytes(*a);
    s << p.channels.LinkChannels << p.channels.ChannelsDiffer << '\n';
    bytes(p.presets.PresetUsed);
    for (const std::string& name : p.presets.PresetNames) s << name << '|';
    s << p.presets.CurrentName << '|' << p.presets.ShownPresetName << '\n';
    for (const Form* f : std::initializer_list<const Form*>{&eq, &p.mainWindow, &p.frmSplash})
        s << f->Caption() << int(f->Pointer()) << int(f->State()) << f->Unloaded() << ' ';
    labels(std::array{std::cref(eq.Label7), std::cref(eq.Label8), std::cref(p.frmSplash.Label1)});
    control(eq.Check2), s << eq.Check2.Value() << ' ';
    for (const CheckBox& c : eq.Check1) control(c), s << c.Value() << ' ';
    for (const auto* list : {&eq.Command1})
        for (const Button& b : *list) control(b);
    for (const Button& b : p.mainWindow.Command1) control(b);
    s << '\n';
    for (const auto* list : {&eq.Text1, &eq.Text2, &eq.Text3}) boxes(*list);
    boxes(eq.Text4);
    for (const auto* list : {&eq.HScroll6, &eq.HScroll20, &eq.HScroll30}) bars(*list);
    for (const auto* list : {&eq.HScroll1, &eq.HScroll2, &eq.HScroll3, &eq.HScroll4, &eq.HScroll5})
        bars(*list);
    bars(eq.Slider1);
    for (const auto* list : {&eq.Label3, &eq.Label5, &eq.Label6, &eq.Label1, &eq.Label9})
        labels(*list);
    labels(eq.Label170);
    labels(eq.Label2);
    for (const auto* list : {&eq.Frame3, &eq.Frame4, &eq.Frame2, &eq.Frame5, &eq.Frame10})
        for (const Frame& f : *list) control(f);
    return s.str();
}

void FuzzProgram::link() {
    program.frmEq.Check2.UserClick();
    Require(program.channels.LinkChannels == 1, "the channels did not link");
}

PresetImage ImageWithAutomaticNotches(int autoLeft, int autoRight) {
    PresetImage image{};
    std::copy(DefaultImage.begin(), DefaultImage.end(), image.begin());
    image[at(NumAutoOffset[0])] = static_cast<std::uint8_t>(autoLeft);
    image[at(NumAutoOffset[1])] = static_cast<std::uint8_t>(autoRight);
    return image;
}

test::FrameBytes NotchFrame(int n, const std::uint8_t* row) {
    return test::frameBytes({Command::NotchFilter, ChannelOfNotch(n), FilterOfNotch(n), row[1],
                             row[2], row[3], row[0]});
}

void CheckEditorMatchesImage(const Program& program, const TextsToSkip& skip) {
    const std::string mismatch = test::EditorMismatch(program, skip);
    Require(mismatch.empty(), mismatch);
}

const std::filesystem::path& ScratchDir() {
    // In memory where there is a tmpfs: a file written per input should not reach a disk.
    struct Dir {
        std::filesystem::path path;
        Dir() {
            const std::filesystem::path shm = "/dev/shm";
            path = (std::filesystem::is_directory(shm) ? shm
                                                       : std::filesystem::temp_directory_path()) /
                   ("vx470-fuzz-" + std::to_string(std::random_device{}()));
            std::filesystem::create_directories(path);
        }
        ~Dir() {
            std::error_code e;
            std::filesystem::remove_all(path, e);
        }
    };
    static const Dir dir;
    return dir.path;
}

const std::string& WriteScratchFile(const std::string& name, const std::uint8_t* data,
                                    std::size_t size) {
    // Paths worked out once and plain system calls: a stream and a path per input were a
    // tenth of a preset file's run. The file is opened anew each time, since the program may
    // replace it.
    static std::map<std::string, std::string> paths;
    auto [entry, added] = paths.try_emplace(name);
    if (added) entry->second = (ScratchDir() / name).string();
    const std::string& path = entry->second;
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const bool written = fd >= 0 && ::write(fd, data, size) == static_cast<ssize_t>(size);
    Require(fd >= 0 && ::close(fd) == 0 && written, [&] { return "could not write " + path; });
    return path;
}

}  // namespace vx470::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vx470::fuzz::FuzzOneInput(data, size);
    vx470::fuzz::ReleaseInput();
    return 0;
}

// Allocation stacks of ten frames rather than thirty: recording them was a tenth of every run,
// and ten still lead to the code that allocated.
extern "C" const char* __asan_default_options() {
    return "malloc_context_size=10";
}
