#include "AgentFuzzer.h"

#include <cstdio>
#include <cstdlib>

#include "TestEnvironment.h"

using Microsoft::WRL::ComPtr;

namespace tessary::test {
namespace {

constexpr UINT kInjectMessage = WM_APP + 21;
constexpr UINT_PTR kPollTimer = 123;
constexpr int kMaxSteps = 24;

void Pump(DWORD milliseconds) { PumpMessagesUntil([] { return false; }, milliseconds); }

// The sequence running now, for the report of a crash.
unsigned g_runningSeed = 0;

LONG WINAPI ReportCrash(EXCEPTION_POINTERS* exception) {
  std::fprintf(stderr, "fuzz: exception %08lX in the sequence with seed %u; replay with TESSARY_FUZZ_SEED=%u "
               "TESSARY_FUZZ_SEQUENCES=1\n", exception->ExceptionRecord->ExceptionCode, g_runningSeed, g_runningSeed);
  std::fflush(stderr);
  return EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace

AgentFuzzer::AgentFuzzer(size_t tabs) : bed_(tabs), agents_(tabs) {}

FuzzOutcome AgentFuzzer::Run(unsigned first, int count) {
  FuzzOutcome outcome;
  const LPTOP_LEVEL_EXCEPTION_FILTER previous = ::SetUnhandledExceptionFilter(&ReportCrash);
  for (int i = 0; i < count; ++i) {
    const unsigned seed = first + static_cast<unsigned>(i);
    g_runningSeed = seed;
    std::string failure = RunSequence(seed, &outcome.steps);
    ++outcome.sequences;
    outcome.connects += bed_.Host().Calls("connect");
    if (!failure.empty()) {
      outcome.failedSeed = seed;
      outcome.failure = failure;
      break;
    }
  }
  ::SetUnhandledExceptionFilter(previous);
  return outcome;
}

std::wstring AgentFuzzer::PageUrl() const { return FileUrl(bed_.PagePath()); }

std::string AgentFuzzer::RunSequence(unsigned seed, long long* steps) {
  random_.seed(seed);
  InProcessHost& host = bed_.Host();
  host.DuringCalls(nullptr);
  host.Clear();
  host.Revive();
  host.SetReady(Pick(2) == 0);
  for (size_t tab = 0; tab < agents_.size(); ++tab) {
    agents_[tab] = {bed_.NewAgent(tab), true};
    if (!agents_[tab].object) return "no agent could be made";
  }
  host.DuringCalls([this](const std::string& call, IDispatch* channel) { DuringHostCall(call, channel); });
  steps_ = 0;
  const int count = 1 + Pick(kMaxSteps * static_cast<int>(agents_.size()));
  for (int i = 0; i < count; ++i) Step(0);
  host.DuringCalls(nullptr);
  for (Agent& agent : agents_) {
    if (agent.object) agent.object->SetSite(nullptr);
    agent.object.Reset();
  }
  Pump(1);
  *steps += steps_;
  return Check();
}

std::string AgentFuzzer::Check() {
  InProcessHost& host = bed_.Host();
  if (host.LiveObjects() != 0) return "a host link or a script context outlived the agent";
  const std::string imbalance = host.Imbalance();
  if (!imbalance.empty()) return imbalance;
  if (bed_.CanUnloadNow() != S_OK) return "the agent's module is still locked";
  if (AgentTestBed::AgentWindow()) return "the agent's window outlived it";
  for (int id : host.TabIds()) {
    bool known = false;
    for (size_t tab = 0; tab < bed_.TabCount(); ++tab) known = known || bed_.TabId(tab) == id;
    if (!known) return "a channel was named for tab " + std::to_string(id) + ", which is none of the tabs";
  }
  return {};
}

// What the host's calls let in: with some chance, another step, once.
void AgentFuzzer::DuringHostCall(const std::string& call, IDispatch* channel) {
  if (call == "connect" && channel && Pick(6) == 0) SendOnChannel(channel, L"fail");
  if (Pick(3) == 0) Step(1);
}

void AgentFuzzer::Step(int depth) {
  ++steps_;
  InProcessHost& host = bed_.Host();
  const int pick = Pick(depth == 0 ? 20 : 18);
  switch (pick) {
    case 13: host.SetReady(true); break;
    case 14:
      host.Die();
      if (Pick(2)) host.Revive();
      break;
    case 15: host.SendToChannels(L"hello"); break;
    case 16: {
      const std::vector<HWND> windows = AgentTestBed::AgentWindows();
      if (!windows.empty()) {
        ::SendMessageW(windows[Pick(static_cast<int>(windows.size()))], Pick(2) ? WM_TIMER : kInjectMessage,
                       kPollTimer, 0);
      }
      break;
    }
    case 17: Pump(Pick(3)); break;
    default: TabStep(pick, static_cast<size_t>(Pick(static_cast<int>(agents_.size()))));
  }
}

// What happens to one tab: its browser's events, its windows', its agent's site.
void AgentFuzzer::TabStep(int pick, size_t tab) {
  const auto& frames = bed_.Frames(tab);
  IWebBrowser2* top = bed_.TopBrowser(tab);
  IWebBrowser2* frame = frames.empty() ? top : frames[Pick(static_cast<int>(frames.size()))].Get();
  static const wchar_t* const kPseudo[] = {L"about:blank", L"javascript:void(0)", L"res://ieframe.dll/x.htm"};
  const std::wstring pseudo = kPseudo[Pick(3)];
  Agent& agent = agents_[tab];
  switch (pick) {
    case 0: bed_.BeforeNavigate2(top, Pick(2) ? PageUrl() : pseudo, tab); break;
    case 1: bed_.BeforeNavigate2(frame, PageUrl(), tab); break;
    case 2: bed_.DownloadBegin(tab); break;
    case 3:
    case 4: bed_.DocumentComplete(top, PageUrl(), tab); break;
    case 5: bed_.DocumentComplete(top, pseudo, tab); break;
    case 6: bed_.DocumentComplete(frame, PageUrl(), tab); break;
    case 7: bed_.DocumentComplete(frame, L"about:blank", tab); break;
    case 8: AgentTestBed::WindowLoad(bed_.TopWindow(tab).Get()); break;
    case 9: AgentTestBed::WindowUnload(bed_.TopWindow(tab).Get()); break;
    case 10: AgentTestBed::WindowUnload(bed_.FrameWindow(Pick(2), tab).Get()); break;
    case 11:
      if (agent.object) agent.object->SetSite(agent.sited ? nullptr : top);
      agent.sited = !agent.sited;
      break;
    case 12:
      // The browser lets go of the agent (a closing tab) and a new tab's comes.
      if (agent.object) agent.object->SetSite(nullptr);
      agent.object = Pick(2) ? bed_.NewAgent(tab) : nullptr;
      agent.sited = agent.object != nullptr;
      break;
    default: {
      // A real load of the page: its windows and frames are new ones. The
      // events counted to tell its end must be the browser's own.
      InProcessHost& host = bed_.Host();
      host.DuringCalls(nullptr);
      if (!bed_.Reload(tab)) bed_.Reload(tab);
      host.DuringCalls([this](const std::string& call, IDispatch* channel) { DuringHostCall(call, channel); });
    }
  }
}

}  // namespace tessary::test
