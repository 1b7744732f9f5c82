// Whatever "init.cfg" holds when the program starts: any length, any bytes.
//
// Input: the whole file. The start-up then finds no unit (three ports open but stay silent),
// the demo question is answered Yes, and the port number is written back.

#include <algorithm>

#include "fuzz/harness.h"

using namespace vx470;
using namespace vx470::fuzz;

int vx470::fuzz::FuzzOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& config = WriteScratchFile("init.cfg", data, size);
    FuzzProgram& fp = FuzzProgram::Fresh();
    test::FakePlatform& fakes = fp.fakes;
    Program& program = fp.program;
    fakes.host.directory = ScratchDir().string();
    fakes.port.openable = {1, 7, 35};
    fakes.dialogs.answers = {Answer::Yes};
    program.Start();
    program.OnTimer(TimerId::Splash);

    const Bytes written = test::readFile(config);
    const auto port = static_cast<std::uint16_t>(program.link.CommPortNumber);
    Require(written == Bytes{static_cast<std::uint8_t>(port), static_cast<std::uint8_t>(port >> 8)},
            [&] {
                return "init.cfg holds " + std::to_string(written.size()) +
                       " bytes, not the port number";
            });

    // The stored port first, then 1 to 35 without it; a probe on every port that opened.
    const int stored = static_cast<std::int16_t>(
        static_cast<std::uint16_t>((size > 0 ? data[0] : 0) | (size > 1 ? data[1] << 8 : 0)));
    std::vector<int> tried{stored}, opened = fakes.port.opens;
    for (int p = 1; p <= 35; ++p) {
        if (p != stored) tried.push_back(p);
    }
    opened.erase(std::unique(opened.begin(), opened.end()), opened.end());
    Require(opened == tried, "the ports were not searched in order");
    const auto probes = std::count_if(tried.begin(), tried.end(),
                                      [&](int p) { return fakes.port.openable.contains(p); });
    Require(fakes.port.writes.size() == static_cast<std::size_t>(probes) &&
                std::all_of(fakes.port.writes.begin(), fakes.port.writes.end(),
                            [](const auto& w) { return w.bytes == test::frame({0}); }),
            "frames other than one probe per open port");

    // Demo mode from the default image after the only box, its question; the splash is gone.
    Require(
        program.link.DemoMode && !program.link.SuppressSend && fakes.dialogs.shown.size() == 1 &&
            program.frmSplash.Unloaded() &&
            std::equal(DefaultImage.begin(), DefaultImage.end(), program.channels.image.begin()),
        "not in demo mode from the default image after the demo question alone");
    CheckEditorMatchesImage(program);
    return 0;
}
