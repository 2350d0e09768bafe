#pragma once
// Random sequences of what a browser and a host do to a page agent: the
// browser's events for the top document and its frames, the page's window
// loading and unloading, the site taken away and given back, the agent let
// go of, the agent's posted work and its poll, the host ready, dead or back,
// and messages from the host; any of these also in the middle of the agent's
// calls to the host. After each sequence the agent is let go of, and then
// nothing of it may be left: no script context, no host link, no module lock,
// and each channel that connected has disconnected exactly once.
//
// With several tabs, as Internet Explorer runs several tabs in one process,
// each tab has an agent of its own and each step picks a tab; every channel
// must then be named for its own tab, from connect to disconnect.
#include <windows.h>

#include <random>
#include <string>
#include <vector>

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
  explicit AgentFuzzer(size_t tabs = 1);
  const std::string& SetupError() const { return bed_.SetupError(); }
  // Runs `count` sequences, the i-th from the seed first + i, and stops at the
  // first that fails.
  FuzzOutcome Run(unsigned first, int count);
  // One sequence; empty when every check held.
  std::string RunSequence(unsigned seed, long long* steps);

 private:
  // The agent of a tab, while the browser holds it.
  struct Agent {
    Microsoft::WRL::ComPtr<IObjectWithSite> object;
    bool sited = false;
  };

  void Step(int depth);
  void TabStep(int pick, size_t tab);
  void DuringHostCall(const std::string& call, IDispatch* channel);
  std::string Check();
  int Pick(int below) { return std::uniform_int_distribution<int>(0, below - 1)(random_); }
  std::wstring PageUrl() const;

  AgentTestBed bed_;
  std::mt19937 random_;
  std::vector<Agent> agents_;
  long long steps_ = 0;
};

}  // namespace tessary::test
