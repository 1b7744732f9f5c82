#include "fuzz/harness.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace vx470::fuzz {

Bytes FuzzInput::bytes(std::size_t n) {
    const std::size_t take = std::min(n, size - pos);
    pos += take;
    return Bytes(data + pos - take, data + pos);
}

void Require(bool ok, const std::string& what) {
    if (ok) return;
    std::fprintf(stderr, "fuzz check failed: %s\n", what.c_str());
    std::abort();
}

FuzzProgram::FuzzProgram(const PresetImage& image) {
    unit.attach(fakes.port);
    program.link.CommPortNumber = 1;
    program.link.OpenCommPort();
    program.link.ReopenWithBufferSize(kReplySize);
    program.channels.image = image;
    program.link.SuppressSend = true;
    program.channelOps.ApplyImageToEditor();
    program.link.SuppressSend = false;
    fakes.port.writes.clear();
    fakes.dialogs.shown.clear();
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

Bytes NotchFrame(int n, const std::uint8_t* row) {
    return test::frame({Command::NotchFilter, ChannelOfNotch(n), FilterOfNotch(n), row[1], row[2],
                        row[3], row[0]});
}

void CheckEditorMatchesImage(const Program& program, const TextsToSkip& skip) {
    const std::string mismatch = test::EditorMismatch(program, skip);
    Require(mismatch.empty(), mismatch);
}

const std::filesystem::path& ScratchDir() {
    static const test::TempDir dir;
    return dir.path();
}

std::filesystem::path WriteScratchFile(const std::string& name, const std::uint8_t* data,
                                       std::size_t size) {
    const std::filesystem::path path = ScratchDir() / name;
    Require(test::writeFile(path, Bytes(data, data + size)), "could not write " + path.string());
    return path;
}

}  // namespace vx470::fuzz
