// Runs a fuzz target on every file of the directories (or files) given, in name order: once
// on a program built for the input, then on the program shared by all inputs, which must end
// up in the same state. Fails when a check of the target fails (it aborts), when the two
// differ, when a path does not exist, or when there was nothing to run.

#include <algorithm>
#include <cstdio>
#include <string>

#include "fuzz/harness.h"

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    std::vector<fs::path> inputs;
    for (int i = 1; i < argc; ++i) {
        if (fs::is_regular_file(argv[i]))
            inputs.emplace_back(argv[i]);
        else  // throws if there is no such directory
            for (const auto& entry : fs::directory_iterator(argv[i]))
                if (entry.is_regular_file()) inputs.push_back(entry.path());
    }
    std::sort(inputs.begin(), inputs.end());
    vx470::fuzz::Require(!inputs.empty(), "no inputs to replay");
    for (const fs::path& path : inputs) {
        const vx470::test::Bytes bytes = vx470::test::readFile(path);
        // An empty file still runs: the target must cope with no input at all.
        std::printf("%s (%zu bytes)\n", path.filename().string().c_str(), bytes.size());
        std::fflush(stdout);
        std::string state[2];
        for (bool fresh : {true, false}) {
            vx470::fuzz::UseNewPrograms(fresh);
            vx470::fuzz::FuzzOneInput(bytes.data(), bytes.size());
            state[fresh] = vx470::fuzz::LastProgramState();
            vx470::fuzz::ReleaseInput();
        }
        vx470::fuzz::Require(state[0] == state[1],
                             "the shared program ends otherwise than a new one:\n" + state[1] +
                                 "\n---- shared ----\n" + state[0]);
    }
    std::printf("replayed %zu inputs\n", inputs.size());
}
