#pragma once
// Random sequences of what a browser and a host do to a page agent: the
// browser's events for the top document and its frames, the page's window
// loading and unloading, the site taken away and given back, the agent let
// go of, the agent's posted work and its poll, the host ready, dead or back,
// and messages from the host; any of these also in the middle of the agent's
// calls to the host. After each sequence the agent is let go of, and then
// nothing of it may be left: no script context, no host link, no module lock,
// and each channel that connected has disconnected exactly once.
#include <windows.h>

#include <random>
#include <string>

#include <wrl/client.h>

#include "AgentTestBed.h"

namespace tessary::test {

struct FuzzOutcome {
  int sequences = 0;
  long long steps = 0;
  int connects = 0;
  // The seed of the first sequence that failed, and what failed; empty failure
  // when every sequence held.
  unsigned failedSeed = 0;
  std::string failure;
};

class AgentFuzzer {
 public:
  AgentFuzzer() = default;
  const std::string& SetupError() const { return bed_.SetupError(); }
  // Runs `count` sequences, the i-th from the seed first + i, and stops at the
  // first that fails.
  FuzzOutcome Run(unsigned first, int count);
  // One sequence; empty when every check held.
  std::string RunSequence(unsigned seed, long long* steps);

 private:
  void Step(int depth);
  void DuringHostCall(const std::string& call, IDispatch* channel);
  std::string Check();
  int Pick(int below) { return std::uniform_int_distribution<int>(0, below - 1)(random_); }
  std::wstring PageUrl() const;

  AgentTestBed bed_;
  std::mt19937 random_;
  Microsoft::WRL::ComPtr<IObjectWithSite> agent_;
  bool sited_ = false;
  long long steps_ = 0;
};

// TESSARY_FUZZ_SEED and TESSARY_FUZZ_SEQUENCES replay a run, when set.
unsigned FuzzSeed(unsigned fallback);
int FuzzSequences(int fallback);

}  // namespace tessary::test
