#pragma once

// Shared pieces of the fuzz targets: reading the fuzzer's bytes, a program on fakes, files in
// a scratch directory, and the checks every target runs on the editor afterwards. A failed
// check prints what differed and aborts, which libFuzzer and the corpus replay both report.

#include <algorithm>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "core/program.h"
#include "core/shell/tables.h"
#include "tests/fakes/fakes.h"
#include "tests/support/editor_check.h"

namespace vx470::fuzz {

using test::Bytes;

constexpr std::size_t at(int i) {
    return static_cast<std::size_t>(i);
}

// Hands out the fuzzer's bytes front to back; once they are used up every read gives 0.
struct FuzzInput {
    const std::uint8_t* data;
    std::size_t size, pos = 0;
    bool empty() const { return pos >= size; }
    std::uint8_t byte() { return empty() ? 0 : data[pos++]; }
    // Up to n bytes, fewer when the input ends first, seen in place.
    std::span<const std::uint8_t> bytes(std::size_t n);
};

// What each target defines: one run on the fuzzer's bytes. LLVMFuzzerTestOneInput runs it
// and then lets go of what the run left in the shared program, so that a run frees what it
// allocates and libFuzzer's leak check sees only real leaks.
int FuzzOneInput(const std::uint8_t* data, std::size_t size);
void ReleaseInput();

// Prints `what` and aborts when `ok` is false. A message put together from values is passed
// as a function, so that it costs nothing while the checks hold.
void Require(bool ok, std::string_view what);
template <typename Message>
requires std::is_invocable_r_v<std::string, Message>
void Require(bool ok, Message&& what) {
    if (!ok) Require(false, std::string_view(what()));
}

inline bool Same(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end());
}

// Frames the port recorded, seen in place: copying them per key was most of a run's allocations.
struct SentFrames {
    std::span<const test::FakeSerialPort::Write> writes;
    std::size_t size() const { return writes.size(); }
    bool empty() const { return writes.empty(); }
    const Bytes& operator[](std::size_t i) const { return writes[i].bytes; }
    template <typename List>
    bool operator==(const List& frames) const {
        return std::equal(writes.begin(), writes.end(), std::begin(frames), std::end(frames),
                          [](const auto& w, const auto& f) { return Same(w.bytes, f); });
    }
};

// Up to two frames a step should send, without an allocation.
struct ExpectedFrames {
    std::array<test::FrameBytes, 2> frames;
    std::size_t count;
    const test::FrameBytes* begin() const { return frames.data(); }
    const test::FrameBytes* end() const { return frames.data() + count; }
};

// The program of this process on fakes, built once: every input starts with Fresh() or
// WithImage(), which bring back everything an input can reach to how a new program has it,
// so what an input does never depends on the inputs before it.
class FuzzProgram {
  public:
    // As built: nothing started, the port closed.
    static FuzzProgram& Fresh();
    // The port open on 1, a unit that answers every frame with ten bytes (not the
    // acknowledgements of its reports), and `image` in the editor as the start-up puts it
    // there: nothing sent.
    static FuzzProgram& WithImage(const PresetImage& image);

    // The frames that `action` sends: a view of the port's record, valid until the next write.
    template <typename F>
    SentFrames sent(F&& action) {
        const std::size_t first = fakes.port.writes.size();
        action();
        return {std::span(fakes.port.writes).subspan(first)};
    }
    // Ticks the link box; its question is answered Yes.
    void link();

    test::FakePlatform fakes;
    test::MiniUnit unit;
    Program program{
        Platform{fakes.port, fakes.clock, fakes.dialogs, fakes.fileDialogs, fakes.host}};

    // Brings back everything an input can reach to how a new program has it.
    void restore();

  private:
    FuzzProgram();
    // What a new program's forms show where the editor's start does not set it.
    std::string label7_, label8_;
};

// For the corpus replay: Fresh() and WithImage() hand out a program built for the input
// instead of the shared one, so that both can be compared.
void UseNewPrograms(bool on);
// Everything an input can observe of the program last handed out, if any (controls, image, model,
// flags, frames written, boxes shown, the unit's memory), as text.
std::string LastProgramState();

// The default image with `autoLeft` and `autoRight` automatic notches.
PresetImage ImageWithAutomaticNotches(int autoLeft, int autoRight);

// The frame that sends notch `n` whose record (gain, frequency high and low, Q) is `row`.
test::FrameBytes NotchFrame(int n, const std::uint8_t* row);

using test::TextsToSkip;

// test::EditorMismatch, aborting with what differed.
void CheckEditorMatchesImage(const Program& program, const TextsToSkip& skip = {});

// A directory of this process's own for the files a target writes, removed at exit.
const std::filesystem::path& ScratchDir();
// Writes `name` in ScratchDir() and returns its path.
const std::string& WriteScratchFile(const std::string& name, const std::uint8_t* data,
                                    std::size_t size);

}  // namespace vx470::fuzz
