// Random sequences of the browser's and the host's doings to a page agent (see
// AgentFuzzer.h), a few hundred here; `tools/bench.sh fuzz` runs ten thousand.
// A failing sequence is reported with its seed: TESSARY_FUZZ_SEED=<seed> and
// TESSARY_FUZZ_SEQUENCES=1 replay it alone.
#include <gtest/gtest.h>

#include <ctime>

#include "AgentFuzzer.h"
#include "TestEnvironment.h"

namespace tessary::test {
namespace {

// One tab, and three tabs of one process, as Internet Explorer also runs them.
TEST(BrowserEventFuzz, LeavesNothingOfTheAgentBehind) {
  for (const size_t tabs : {1, 3}) {
    SCOPED_TRACE(std::to_string(tabs) + " tabs");
    AgentFuzzer fuzzer(tabs);
    ASSERT_EQ(fuzzer.SetupError(), "");
    const unsigned seed = FuzzSeed(static_cast<unsigned>(std::time(nullptr)));
    const FuzzOutcome outcome = fuzzer.Run(seed, FuzzSequences(LoadSize(300, 10000) / static_cast<int>(tabs)));
    EXPECT_EQ(outcome.failure, "") << "sequence with seed " << outcome.failedSeed << " failed; replay with "
                                   << "TESSARY_FUZZ_SEED=" << outcome.failedSeed << " TESSARY_FUZZ_SEQUENCES=1";
    EXPECT_GT(outcome.connects, 0) << "no content script ever started";
    std::printf("fuzz: %zu tabs, %d sequences from seed %u, %lld steps, %d connects\n", tabs, outcome.sequences, seed,
                outcome.steps, outcome.connects);
  }
}

}  // namespace
}  // namespace tessary::test
