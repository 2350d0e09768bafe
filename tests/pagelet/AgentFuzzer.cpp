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

unsigned EnvironmentNumber(const wchar_t* name, unsigned fallback) {
  wchar_t value[32] = {};
  const DWORD length = ::GetEnvironmentVariableW(name, value, ARRAYSIZE(value));
  return length > 0 && length < ARRAYSIZE(value) ? static_cast<unsigned>(std::wcstoul(value, nullptr, 10)) : fallback;
}

}  // namespace

unsigned FuzzSeed(unsigned fallback) { return EnvironmentNumber(L"TESSARY_FUZZ_SEED", fallback); }
int FuzzSequences(int fallback) { return static_cast<int>(EnvironmentNumber(L"TESSARY_FUZZ_SEQUENCES", fallback)); }

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
  agent_ = bed_.NewAgent();
  if (!agent_) return "no agent could be made";
  sited_ = true;
  host.DuringCalls([this](const std::string& call, IDispatch* channel) { DuringHostCall(call, channel); });
  steps_ = 0;
  const int count = 1 + Pick(kMaxSteps);
  for (int i = 0; i < count; ++i) Step(0);
  host.DuringCalls(nullptr);
  if (agent_) agent_->SetSite(nullptr);
  agent_.Reset();
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
  const auto& frames = bed_.Frames();
  IWebBrowser2* frame = frames.empty() ? bed_.TopBrowser() : frames[Pick(static_cast<int>(frames.size()))].Get();
  static const wchar_t* const kPseudo[] = {L"about:blank", L"javascript:void(0)", L"res://ieframe.dll/x.htm"};
  const std::wstring pseudo = kPseudo[Pick(3)];
  switch (Pick(depth == 0 ? 20 : 18)) {
    case 0: bed_.BeforeNavigate2(bed_.TopBrowser(), Pick(2) ? PageUrl() : pseudo); break;
    case 1: bed_.BeforeNavigate2(frame, PageUrl()); break;
    case 2: bed_.DownloadBegin(); break;
    case 3:
    case 4: bed_.DocumentComplete(bed_.TopBrowser(), PageUrl()); break;
    case 5: bed_.DocumentComplete(bed_.TopBrowser(), pseudo); break;
    case 6: bed_.DocumentComplete(frame, PageUrl()); break;
    case 7: bed_.DocumentComplete(frame, L"about:blank"); break;
    case 8: AgentTestBed::WindowLoad(bed_.TopWindow().Get()); break;
    case 9: AgentTestBed::WindowUnload(bed_.TopWindow().Get()); break;
    case 10: AgentTestBed::WindowUnload(bed_.FrameWindow(Pick(2)).Get()); break;
    case 11:
      if (agent_) agent_->SetSite(sited_ ? nullptr : bed_.TopBrowser());
      sited_ = !sited_;
      break;
    case 12:
      // The browser lets go of the agent (a closing tab) and a new tab's comes.
      if (agent_) agent_->SetSite(nullptr);
      agent_ = Pick(2) ? bed_.NewAgent() : nullptr;
      sited_ = agent_ != nullptr;
      break;
    case 13: host.SetReady(true); break;
    case 14:
      host.Die();
      if (Pick(2)) host.Revive();
      break;
    case 15: host.SendToChannels(L"hello"); break;
    case 16:
      if (HWND window = AgentTestBed::AgentWindow()) {
        ::SendMessageW(window, Pick(2) ? WM_TIMER : kInjectMessage, kPollTimer, 0);
      }
      break;
    case 17: Pump(Pick(3)); break;
    case 18:
    case 19:
      // A real load of the page: its windows and frames are new ones. The
      // events counted to tell its end must be the browser's own.
      host.DuringCalls(nullptr);
      if (!bed_.Reload()) bed_.Reload();
      host.DuringCalls([this](const std::string& call, IDispatch* channel) { DuringHostCall(call, channel); });
      break;
  }
}

}  // namespace tessary::test
