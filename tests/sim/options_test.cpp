#include <gtest/gtest.h>

#include <sstream>
#include <tuple>

#include "sim/options.h"

namespace vxsim {
namespace {

ParsedOptions parse(const std::string& line) {
    std::istringstream words(line);
    std::vector<std::string> args;
    for (std::string word; words >> word;) {
        args.push_back(word);
    }
    return parseOptions(args);
}

TEST(Options, EveryOptionReachesTheConfig) {
    const ParsedOptions parsed = parse(
        "--presets 9,5,9 --paced --log --seed=42 --search-interval 50 --delay 30 --silent "
        "--drop 3 --short 2:4 --extra 1:7 --garbage 0:2 --report-before 5 "
        "--garbage-during-search 3 --die-after 8 --hangup-after 9 --delay-frame 4:100");
    ASSERT_EQ(parsed.error, "");
    const Config& c = parsed.options.config;
    EXPECT_EQ(c.userPresets, (std::vector<int>{9, 5}));
    EXPECT_TRUE(c.paced && parsed.options.log);
    EXPECT_EQ(c.seed, 42u);
    EXPECT_EQ(c.searchInterval, std::chrono::milliseconds(50));
    using F = FaultKind;
    const std::vector<std::tuple<FaultKind, std::size_t, std::size_t>> expected{
        {F::Delay, 0, 30},       {F::NoReply, 0, 0},       {F::NoReply, 3, 0},
        {F::ShortReply, 2, 4},   {F::ExtraBytes, 1, 7},    {F::Garbage, 0, 2},
        {F::ReportBefore, 5, 0}, {F::SearchGarbage, 0, 3}, {F::DieAfter, 8, 0},
        {F::HangUpAfter, 9, 0},  {F::Delay, 4, 100}};
    std::vector<std::tuple<FaultKind, std::size_t, std::size_t>> faults;
    for (const Fault& f : c.faults) {
        faults.emplace_back(f.kind, f.frame, f.amount);
    }
    EXPECT_EQ(faults, expected);
}

TEST(Options, BadArgumentsAreRefused) {
    for (const char* line :
         {"--presets 4", "--presets 21", "--presets 5,,9", "--presets 5,", "--seed -1",
          "--search-interval x", "--delay 600001", "--drop", "--short 3", "--extra 1:4097",
          "--garbage :2", "--paced=1", "--die-after 1.5", "--bogus", "5,9"}) {
        EXPECT_NE(parse(line).error, "") << line;
    }
    EXPECT_TRUE(parse("--help").options.help);
    EXPECT_EQ(parseOptions({"--presets", ""}).error, "");
}

}  // namespace
}  // namespace vxsim
