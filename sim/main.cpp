// vx470-sim: a simulated VX-470 on a pseudo-terminal.
#include <csignal>
#include <cstdio>
#include <exception>
#include <iostream>
#include <mutex>
#include <string>
#include <vector>

#include "sim/options.h"
#include "sim/pty_server.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    const vxsim::ParsedOptions parsed = vxsim::parseOptions(args);
    if (!parsed.error.empty()) {
        std::cerr << "vx470-sim: " << parsed.error << "\nTry 'vx470-sim --help'.\n";
        return 2;
    }
    if (parsed.options.help) {
        std::cout << vxsim::usageText();
        return 0;
    }
    if (parsed.options.version) {
        std::cout << "vx470-sim " VX470_VERSION "\n";
        return 0;
    }

    // Block the ending signals before the server thread exists, so that only sigwait
    // below receives them.
    sigset_t endSignals;
    sigemptyset(&endSignals);
    sigaddset(&endSignals, SIGINT);
    sigaddset(&endSignals, SIGTERM);
    sigaddset(&endSignals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &endSignals, nullptr);

    std::mutex logMutex;
    vxsim::PtyServer::FrameObserver observer;
    if (parsed.options.log) {
        observer = [&logMutex](const vxsim::Frame& frame) {
            std::lock_guard lock(logMutex);
            for (std::size_t i = 0; i < frame.size(); ++i) {
                std::fprintf(stderr, i == 0 ? "%02X" : " %02X", frame[i]);
            }
            std::fputc('\n', stderr);
        };
    }

    try {
        vxsim::PtyServer server(parsed.options.config, observer);
        std::cout << server.path() << std::endl;
        int signal = 0;
        sigwait(&endSignals, &signal);
    } catch (const std::exception& e) {
        std::cerr << "vx470-sim: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
