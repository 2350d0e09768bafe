// The page agent's fuzzing at full length: ten thousand random sequences of the
// browser's and the host's doings (tests/pagelet/AgentFuzzer.h), the checks of
// the test suite after each. Prints the figures and the first failure, with
// the seed that replays it (TESSARY_FUZZ_SEED, TESSARY_FUZZ_SEQUENCES).
#include <windows.h>

#include <cstdio>
#include <ctime>

#include "AgentFuzzer.h"

using namespace tessary::test;

int main() {
  if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
  {
    AgentFuzzer fuzzer;
    if (!fuzzer.SetupError().empty()) {
      std::printf("fuzz benchmark: %s\n", fuzzer.SetupError().c_str());
      return 2;
    }
    const unsigned seed = FuzzSeed(static_cast<unsigned>(std::time(nullptr)));
    const int sequences = FuzzSequences(10000);
    std::printf("fuzz benchmark: %d sequences from seed %u\n", sequences, seed);
    std::fflush(stdout);
    LARGE_INTEGER frequency, start, end;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&start);
    const FuzzOutcome outcome = fuzzer.Run(seed, sequences);
    ::QueryPerformanceCounter(&end);
    const double seconds = static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart;
    std::printf("fuzz benchmark: %d sequences, %lld steps, %d content-script starts, %.1f s (%.2f ms per sequence)\n",
                outcome.sequences, outcome.steps, outcome.connects, seconds,
                outcome.sequences ? seconds * 1000 / outcome.sequences : 0.0);
    if (outcome.failure.empty()) {
      std::printf("fuzz benchmark: every sequence held\n");
    } else {
      std::printf("fuzz benchmark: FAILED in the sequence with seed %u: %s\n", outcome.failedSeed,
                  outcome.failure.c_str());
    }
  }
  ::CoUninitialize();
  return 0;
}
