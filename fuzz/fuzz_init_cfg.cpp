// Whatever "init.cfg" holds when the program starts: any length, any bytes.
//
// Input: the whole file. The start-up then finds no unit (three ports open but stay silent),
// the demo question is answered Yes, and the port number is written back.

#include <fstream>
#include <iterator>

#include "core/shell/tables.h"
#include "fuzz/harness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vx470;
    using namespace vx470::fuzz;

    const std::filesystem::path config = ScratchDir() / "init.cfg";
    {
        std::ofstream file(config, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        Require(file.good(), "could not write init.cfg");
    }

    test::FakePlatform fakes;
    fakes.host.directory = ScratchDir().string();
    fakes.port.openable = {1, 7, 35};
    fakes.dialogs.answers = {Answer::Yes};
    Program program(
        Platform{fakes.port, fakes.clock, fakes.dialogs, fakes.fileDialogs, fakes.host});
    program.Start();
    program.OnTimer(TimerId::Splash);

    Bytes written;
    {
        std::ifstream file(config, std::ios::binary);
        written.assign(std::istreambuf_iterator<char>(file), {});
    }
    Require(written.size() == 2, "init.cfg holds " + std::to_string(written.size()) + " bytes");
    const auto port = static_cast<std::uint16_t>(program.link.CommPortNumber);
    Require(written[0] == (port & 0xFF) && written[1] == (port >> 8),
            "init.cfg does not hold the port number");

    // The stored port first, then 1 to 35 without it; a probe on every port that opened.
    const int stored = static_cast<std::int16_t>(
        static_cast<std::uint16_t>((size > 0 ? data[0] : 0) | (size > 1 ? data[1] << 8 : 0)));
    std::vector<int> tried{stored};
    for (int p = 1; p <= 35; ++p) {
        if (p != stored) tried.push_back(p);
    }
    std::vector<int> opened;
    for (int p : fakes.port.opens) {
        if (opened.empty() || opened.back() != p) opened.push_back(p);
    }
    Require(opened == tried, "the ports were not searched in order");
    std::size_t probes = 0;
    for (int p : tried) probes += fakes.port.openable.contains(p) ? 1 : 0;
    Require(fakes.port.writes.size() == probes, "frames other than one probe per open port");
    for (const auto& w : fakes.port.writes) Require(w.bytes == test::frame({0}), "not a probe");

    Require(program.link.DemoMode, "no demo mode");
    Require(!program.link.SuppressSend, "sending is still suppressed after the start-up");
    Require(fakes.dialogs.shown.size() == 1, "boxes other than the demo question");
    Require(program.mainWindow.Caption() == "VX-470 - DEMO - Remote Control Software", "caption");
    Require(std::equal(DefaultImage.begin(), DefaultImage.end(), program.channels.image.begin()),
            "demo mode does not start from the default image");
    Require(program.frmSplash.Unloaded(), "the splash window is still there");
    CheckEditorMatchesImage(program);
    return 0;
}
