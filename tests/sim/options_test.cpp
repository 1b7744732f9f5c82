#include <gtest/gtest.h>

#include "sim/options.h"

namespace vxsim {
namespace {

bool sameFault(const Fault& a, const Fault& b) {
    return a.kind == b.kind && a.frame == b.frame && a.amount == b.amount;
}

TEST(Options, EveryOptionReachesTheConfig) {
    const ParsedOptions parsed = parseOptions({"--presets",
                                               "9,5,9",
                                               "--paced",
                                               "--log",
                                               "--seed=42",
                                               "--search-interval",
                                               "50",
                                               "--delay",
                                               "30",
                                               "--silent",
                                               "--drop",
                                               "3",
                                               "--short",
                                               "2:4",
                                               "--extra",
                                               "1:7",
                                               "--garbage",
                                               "0:2",
                                               "--report-before",
                                               "5",
                                               "--garbage-during-search",
                                               "3",
                                               "--die-after",
                                               "8",
                                               "--hangup-after",
                                               "9",
                                               "--delay-frame",
                                               "4:100"});
    ASSERT_EQ(parsed.error, "");
    const Config& c = parsed.options.config;
    EXPECT_EQ(c.userPresets, (std::vector<int>{9, 5}));
    EXPECT_TRUE(c.paced);
    EXPECT_TRUE(parsed.options.log);
    EXPECT_EQ(c.seed, 42u);
    EXPECT_EQ(c.searchInterval, std::chrono::milliseconds(50));
    const std::vector<Fault> expected{
        {FaultKind::Delay, 0, 30},       {FaultKind::NoReply, 0, 0},
        {FaultKind::NoReply, 3, 0},      {FaultKind::ShortReply, 2, 4},
        {FaultKind::ExtraBytes, 1, 7},   {FaultKind::Garbage, 0, 2},
        {FaultKind::ReportBefore, 5, 0}, {FaultKind::SearchGarbage, 0, 3},
        {FaultKind::DieAfter, 8, 0},     {FaultKind::HangUpAfter, 9, 0},
        {FaultKind::Delay, 4, 100}};
    ASSERT_EQ(c.faults.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_TRUE(sameFault(c.faults[i], expected[i])) << i;
    }
}

TEST(Options, BadArgumentsAreRefused) {
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"--presets", "4"},
                                               {"--presets", "21"},
                                               {"--presets", "5,,9"},
                                               {"--presets", "5,"},
                                               {"--seed", "-1"},
                                               {"--search-interval", "x"},
                                               {"--delay", "600001"},
                                               {"--drop"},
                                               {"--short", "3"},
                                               {"--extra", "1:4097"},
                                               {"--garbage", ":2"},
                                               {"--paced=1"},
                                               {"--die-after", "1.5"},
                                               {"--bogus"},
                                               {"5,9"}}) {
        EXPECT_NE(parseOptions(args).error, "") << args.front();
    }
    EXPECT_TRUE(parseOptions({"--help"}).options.help);
    EXPECT_EQ(parseOptions({"--presets", ""}).error, "");
}

}  // namespace
}  // namespace vxsim
