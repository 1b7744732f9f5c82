#pragma once

// Shared pieces of the fuzz targets: reading the fuzzer's bytes, a program on fakes, and the
// checks every target runs on the editor afterwards. A failed check prints what differed and
// aborts, which libFuzzer and the corpus replay both report as a failure.

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "core/program.h"
#include "tests/fakes/fakes.h"

namespace vx470::fuzz {

using test::Bytes;

// Hands out the fuzzer's bytes front to back; once they are used up every read gives 0.
class FuzzInput {
  public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool empty() const { return pos_ >= size_; }
    std::size_t remaining() const { return size_ - pos_; }
    std::uint8_t byte() { return empty() ? 0 : data_[pos_++]; }
    // Up to n bytes, fewer when the input ends first.
    Bytes bytes(std::size_t n);
    Bytes rest() { return bytes(remaining()); }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

// Prints `what` and aborts when `ok` is false.
void Require(bool ok, const std::string& what);

// A program on fakes with its port open on 1, a unit that answers every frame with ten bytes
// (not the acknowledgements of its reports), and `image` in the editor as the start-up puts
// it there: nothing sent.
struct FuzzProgram {
    explicit FuzzProgram(const PresetImage& image);
    FuzzProgram(const FuzzProgram&) = delete;
    FuzzProgram& operator=(const FuzzProgram&) = delete;

    std::vector<Bytes> framesSince(std::size_t first) const;

    test::FakePlatform fakes;
    Program program{
        Platform{fakes.port, fakes.clock, fakes.dialogs, fakes.fileDialogs, fakes.host}};
};

// The default image with `autoLeft` and `autoRight` automatic notches.
PresetImage ImageWithAutomaticNotches(int autoLeft, int autoRight);

// Text boxes whose last Enter was refused still hold what the user typed; their texts are
// not compared.
struct TextsToSkip {
    std::array<bool, kNotches> gain{};
    std::array<bool, kNotches> frequency{};
    std::array<bool, kChannels> sensitivity{};
};

// Every image byte the editor decodes is within its range; every control, label, text and
// the model show exactly what the image holds; the rows of the automatic notches are locked.
void CheckEditorMatchesImage(const Program& program, const TextsToSkip& skip = {});

// A directory of this process's own for the files a target writes, removed at exit.
const std::filesystem::path& ScratchDir();

}  // namespace vx470::fuzz
